#pragma once

#include <QDialog>

#include <vector>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;

// The "Enviroment" dialog: three settings kept in the INI file beside the
// executable, and this run's list of simulation tasks with their records.
class TfrmEnviroment : public QDialog {
    Q_OBJECT

public:
    // iniPath: the settings file (the program's own by default).
    explicit TfrmEnviroment(QWidget* parent = nullptr, const QString& iniPath = QString());

    // Creation handler: reads the settings file once.
    void FormCreate();
    const QString& IniPath() const { return FIniPath; }

    // Handlers. Each button also closes the dialog, as the dialog's buttons do.
    void btOkClick();
    void btCancelClick();
    void btSaveClick();
    void btDeleteClick();
    void chkAutoClick();
    void btAddClick();

    // Stores one task: its display line in the list and its record.
    void StoreTask(const QString& line, int model, double re, int gridX, int gridY);
    int TaskCount() const { return static_cast<int>(FTaskModel.size()); }
    int TaskModel(int i) const { return FTaskModel[static_cast<std::size_t>(i)]; }
    double TaskRe(int i) const { return FTaskRe[static_cast<std::size_t>(i)]; }
    int TaskGridX(int i) const { return FTaskGridX[static_cast<std::size_t>(i)]; }
    int TaskGridY(int i) const { return FTaskGridY[static_cast<std::size_t>(i)]; }
    int TaskIndex() const { return FTaskIndex; }

    QTabWidget* PageControl1;
    QRadioButton *rbBmp, *rbMeta;
    QCheckBox *chkWorkspace, *chkOutput;
    QLineEdit *edOffX, *edOffY;
    QSlider* TrackBar1;
    QToolButton* PctBtn;
    QPushButton *btOk, *btCancel;
    QListWidget* chklstAuto;
    QPushButton *btAdd, *btDelete, *btEdit, *btSave;
    QCheckBox* chkAuto;
    QGroupBox* gpAuto;
    QRadioButton *RadioLogoff, *RadioShutdown, *RadioRestart;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildMiscPage();
    QWidget* BuildTasksPage();
    void FormShow();

    QString FIniPath;
    // The task records, one per line of chklstAuto and in its order.
    std::vector<int> FTaskModel;
    std::vector<double> FTaskRe;
    std::vector<int> FTaskGridX;
    std::vector<int> FTaskGridY;
    int FTaskIndex = -1; // the most recently stored record; -1 when none
};
