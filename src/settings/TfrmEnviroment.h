// SPDX-License-Identifier: GPL-3.0-or-later
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
class TIniFile;
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
    // "Edit Task" and a double click on a line: the task dialog with that
    // task's values, which Save then changes in place. A task a run holds
    // (queued or running) is not opened: the reason is shown at its line.
    void btEditClick();
    void EditTaskAt(int row);
    // Why the task at row cannot be edited now; empty when it can.
    QString EditRefusal(int row) const;

    // Stores one task: its display line in the list and its record. The list
    // is kept in the settings file at once (see SaveTasks).
    void StoreTask(const QString& line, int model, double re, int gridX, int gridY);
    // Changes the task at row in place: its line and record (its tick stays,
    // the state of an earlier run is dropped) and the settings file. Throws,
    // changing nothing, when the row is gone or a run holds it.
    void ReplaceTask(int row, const QString& line, int model, double re, int gridX, int gridY);
    // The task's display line (the list shows its run state after it).
    QString TaskLine(int i) const;
    bool TaskTicked(int i) const;
    // The model's name: the task dialog's list entry, or the typed name of the
    // display line for a model that is none of the list's.
    QString TaskModelName(int i) const;
    // Shows how a run of the task stands ("queued", "running", ...) after its
    // line; an empty state shows the line alone.
    void SetTaskState(int i, const QString& state);
    QString TaskState(int i) const;

    // The task list in the settings file: section "Tasks", key Count and,
    // for task n from 1, the keys Line<n>, Model<n>, Re<n>, GridX<n>,
    // GridY<n> and Ticked<n>. Every other byte of the file is kept; the file is
    // replaced at once. LoadTasks runs at creation; SaveTasks after every
    // change of the list (a new task, a deletion, a tick) and throws with the
    // file's name when it cannot be written.
    // While tasks run, lines keep their places: "Delete Task" is disabled,
    // and the queued and running tasks cannot be edited.
    void SetTasksRunning(bool running);
    void LoadTasks(const TIniFile& ini);
    void SaveTasks();
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
    void ShowLine(int i);
    void UpdateEditButton();
    bool FLoadingTasks = false;
    bool FTasksRunning = false;

    QString FIniPath;
    // The task records, one per line of chklstAuto and in its order.
    std::vector<int> FTaskModel;
    std::vector<double> FTaskRe;
    std::vector<int> FTaskGridX;
    std::vector<int> FTaskGridY;
    int FTaskIndex = -1; // the most recently stored record; -1 when none
};
