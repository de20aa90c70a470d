// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class TIniFile;
class TTaskList;
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

    // The dialog's list is a view of the task list (see TaskList.h), which
    // keeps itself in the settings file at once after every change of a task,
    // a tick or the order, and throws with the file's name when it cannot be
    // written. It is read at creation.
    TTaskList* Tasks() const { return FTasks; }

    // Adds one task at the end of the list.
    void StoreTask(const QString& line, int model, double re, int gridX, int gridY);
    // Changes the task at row in place: its line and record (its tick stays,
    // the state of an earlier run is dropped). Throws, changing nothing, when
    // the row is gone or a run holds it.
    void ReplaceTask(int row, const QString& line, int model, double re, int gridX, int gridY);
    // "Up" and "Down": the highlighted line changes places with the one above
    // or below and stays highlighted. Not while tasks run (the runner holds
    // its tasks by their places).
    void btUpClick();
    void btDownClick();
    // The list's values of the task at row (see TTaskList).
    QString TaskLine(int i) const;
    bool TaskTicked(int i) const;
    QString TaskModelName(int i) const;
    // Shows how a run of the task stands ("queued", "running", ...) after its
    // line; an empty state shows the line alone.
    void SetTaskState(int i, const QString& state);
    QString TaskState(int i) const;

    // While tasks run, lines keep their places: "Delete Task", "Up" and
    // "Down" are disabled, and the queued and running tasks cannot be edited.
    void SetTasksRunning(bool running);
    // Reads the task list from the settings file (at creation) and writes it there.
    void LoadTasks(const TIniFile& ini);
    void SaveTasks();
    int TaskCount() const;
    int TaskModel(int i) const;
    double TaskRe(int i) const;
    int TaskGridX(int i) const;
    int TaskGridY(int i) const;
    int TaskIndex() const;

    // How many processes each task runs on: 1 runs it in the program, more
    // run the solver under mpirun. Kept in the settings file at once (its own
    // "Run" section; the Tasks section stays as it is). Greyed, with the
    // reason in its tooltip and below it, when mpirun is not installed; then
    // Processes() is 1 whatever the file says.
    int Processes() const;
    void SetProcesses(int processes);
    // Looks for mpirun again (at creation and each time the dialog is shown).
    void UpdateProcessesChoice();

    QTabWidget* PageControl1;
    QRadioButton *rbBmp, *rbMeta;
    QCheckBox *chkWorkspace, *chkOutput;
    QLineEdit *edOffX, *edOffY;
    QSlider* TrackBar1;
    QToolButton* PctBtn;
    QPushButton *btOk, *btCancel;
    QListWidget* chklstAuto;
    QPushButton *btAdd, *btDelete, *btEdit, *btSave;
    QToolButton *btUp, *btDown;
    QCheckBox* chkAuto;
    QGroupBox* gpAuto;
    QRadioButton *RadioLogoff, *RadioShutdown, *RadioRestart;
    QSpinBox* spProcesses;
    QLabel* lbProcesses; // why the choice is greyed, when it is

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildMiscPage();
    QWidget* BuildTasksPage();
    void FormShow();
    void ShowLine(int i);
    void ShowAllLines();
    void UpdateEditButton();
    void MoveSelected(int by);
    bool FLoadingTasks = false;
    bool FLoadingProcesses = false;
    bool FHaveMpirun = false;
    int FStoredProcesses = 1; // as the settings file holds it

    QString FIniPath;
    TTaskList* FTasks;
};
