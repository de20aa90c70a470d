// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QTemporaryDir>

#include "JobScript.h"
#include "TActionManager.h"
#include "TaskRunner.h"
#include "ViewPanels.h"

#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QDockWidget;
class QMdiArea;
class QMdiSubWindow;
class QAction;
class QMenu;
class QToolBar;
class QPrinter;
class QPrintDialog;
class QToolButton;
class QLabel;
class QProgressBar;
class TfrmPlot;
class TfrmTaskChart;
class TTaskQueue;
class TfrmOutPut;
class TfrmResultsPage;
class TResultsList;
class TTaskRunner;
class TMpiTaskRunner;
class TGLObject;
namespace lbm {
struct Fields;
struct Task;
} // namespace lbm
struct ChannelRecord;
struct QueuedTask;
struct TaskOutcome;
struct TaskProgress;

// Makes sure the data folder "dat/" exists in the given folder and returns its
// path (with a trailing separator); throws "Cannot create" + path when it can
// neither be found nor created.
QString PrepareDataFolder(const QString& folder);

// How far each cascaded view lies below and right of the one before: the
// height of a view's title bar and top frame, so that every title bar shows.
int CascadeOffset(const QMdiSubWindow* view);

// The main frame: the MDI parent of every view, with the tool bar, the status
// bar and the two dock areas the panels live in (left and bottom).
class TMainForm : public QMainWindow {
    Q_OBJECT

public:
    TMainForm();

    // Creation handler: destroys the splash window and shows the system summary.
    void FormCreate();

    QMdiArea* MdiArea() const { return FMdiArea; }
    QToolBar* ToolBar4() const { return FToolBar4; }

    // The active MDI child as a view; null when no view is open.
    TfrmPlot* ActiveView() const;

    // Creates a view in an MDI sub-window with the given caption and runs its
    // creation handler; the view is shown at once.
    TfrmPlot* CreateView(const QString& caption);

    // The panels every view talks to, the open ones and those opened later;
    // empty ones before a panel goes.
    void SetViewPanels(const TViewPanels& panels);

    // Places a panel in a dock area and keeps the dock sizes while it is
    // dragged out and docked again.
    void AttachPanel(QDockWidget* panel, Qt::DockWidgetArea area);

    // Docking handlers: something docks into the area, or leaves it.
    void LeftPanDockOver();
    void BottomPanDockOver();
    void LeftPanUnDock(QDockWidget* leaving);
    void BottomPanUnDock(QDockWidget* leaving);

    // Docked, visible panels in an area.
    QList<QDockWidget*> DockedClients(Qt::DockWidgetArea area) const;

    // The address the Help menu's last entry opens (also its caption).
    static QString HomePageAddress();

    // Command handlers.
    void FileNew1Execute();
    void FileExit1Execute();
    void FilePrintClick();
    void Enviroment1Click();
    void HelpAbout1Execute();
    void ViewOutput1Execute();
    void WorkSpace1Click();
    void StayOnTop1Click();
    void GenerateExecute();
    // The Run menu: the ticked tasks of the task list run one after
    // another on a worker thread (their results under the data folder),
    // with pause and stop; the status bar shows how the running one goes.
    void RunTasksExecute();
    void Pause1Execute();
    void StopTasksExecute();
    // The runner in the program, which also holds the solver settings of
    // every run, and the one that runs the solver under mpirun (when the
    // settings dialog asks for more than one process).
    TTaskRunner* TaskRunner() const { return FTaskRunner; }
    TMpiTaskRunner* MpiTaskRunner() const { return FMpiRunner; }
    // The folder the data folder "dat/" is made in: the executable's unless set.
    void SetDataFolderParent(const QString& folder);
    QString DataFolderParent() const;
    // The Results page of the Output panel, listing the runs of the data
    // folder (and of the folders added to it); refreshed when a run ends.
    void CreateResultsPage(TfrmOutPut* output);
    // Where the folders added to the Results page are kept between sessions:
    // load gives them (those that are folders no more are left out), save
    // takes them whenever they change. Empty functions keep them in memory.
    void SetResultsFoldersStore(std::function<QStringList()> load,
                                std::function<void(const QStringList&)> save);
    TfrmResultsPage* ResultsPage() const;
    // Whether a finished task's chart and a running task's live field open by
    // themselves (tests turn them off).
    void SetShowResults(bool show) { FShowResults = show; }
    QLabel* RunStatusText() const { return FRunText; }
    QProgressBar* RunProgressBar() const { return FRunBar; }
    // A finished task's chart in a window of the area, made active.
    TfrmTaskChart* OpenTaskChart(const QueuedTask& task, const TaskOutcome& outcome);
    // Asked when the frame closes while tasks run: true stops them and closes.
    static std::function<bool(QWidget*)>& StopTasksPrompt();
    // "Export Job Script...": a Slurm batch script and an mpirun script beside
    // it (see JobScript.h) that run the ticked tasks outside the program, with
    // the solver settings of the program's own runs. The prompt asks for the
    // options and the Slurm script's file (given the last ones); false cancels.
    void ExportJobScriptExecute();
    static std::function<bool(QWidget*, JobScriptOptions&, QString&)>& JobScriptPrompt();
    void HomePage1Click();
    void tbClear1Click();
    // Scene documents: open, save, undo, and the commands on the active view.
    void FileOpen1Execute();
    void FileSave1Execute();
    void FileSaveAs1Execute();
    void EditUndo1Execute();
    void EditRedo1Execute();
    void EditClear1Execute();
    void SetPictureProperty1Execute();
    // Opens a file as its kind says: a scene file (".cvs") into the active view
    // when that is new and untouched, otherwise into a new view; a mesh (a
    // ".coor" pair or any format the mesh import reads) as polygon objects in
    // a new view; a task's results folder, its summary.json or its field.vti
    // as OpenResults does. False, with the reason shown, when it cannot be opened.
    bool OpenFile(const QString& fileName);
    // Opens a finished task's results again: its field view and its chart as
    // they were at the end of the run, and its task line, state, steps,
    // residual, time and figures in the Command Window, with a line for
    // each file that is missing or damaged. Whatever of the folder can be
    // read opens; false, with the reason shown, when none of it can.
    bool OpenResults(const QString& path);
    // A folder, or a file, that OpenResults takes.
    static bool IsResultsPath(const QString& path);
    // File > Open's filters: scenes, "All meshes" and one per mesh format, all files.
    static QStringList OpenFilters();
    // A new view, as File > New makes it, made active.
    TfrmPlot* NewView();
    // The files opened or saved last, newest first (at most eight).
    const QStringList& RecentFiles() const { return FRecentFiles; }
    void AddRecentFile(const QString& fileName);
    // Where the list of recent files is kept between sessions; empty keeps it
    // in memory only.
    void SetRecentFilesStore(std::function<QStringList()> load, std::function<void(const QStringList&)> save);
    // The frame's reaction when a panel's own close command hides it.
    void PanelClosed(QDockWidget* panel);
    // Ticks the View menu's panel entries exactly while their panels are shown.
    void UpdatePanelEntries();
    // File > Load Object: a polygon object or mesh file into the active view,
    // opening a view first when none is open.
    void FileLoadObjectExecute();
    // Hides the panels the settings say are not to be shown at start-up.
    void ShowPanelsAsSet(bool workspace, bool output);
    // Window arrangement.
    void Cascade();
    void TileHorizontally();
    void TileVertically();
    void MinimizeAll();
    void ArrangeAll();
    // The commands that act on the active view: off, with the reason in their
    // hints, while no view is active.
    QList<QAction*> ViewCommands() const;
    // The lowest number no open view's name ("Fig.N") has.
    int FreeViewNumber() const;

    // Meshes and pictures out of the active view.
    void FileExportObjectClick();
    void FileExportSceneClick();
    void FileSavePictureClick();
    void CopyItemClick();
    // Writes the active view's current object to the file in the format the
    // dialog's filter (or else the extension) names.
    void ExportCurrentObject(const QString& fileName, const QString& filter);
    // Writes every object of the active view but its lights to the file, as
    // ExportCurrentObject does.
    void ExportActiveScene(const QString& fileName, const QString& filter);
    // Saves the active view's picture at the given size, in the file's format.
    void SaveActiveView(const QString& fileName, const QSize& size);
    // Puts the active view's picture on the clipboard: a bitmap only, or an
    // SVG drawing with a bitmap beside it.
    void CopyActiveView(bool bitmapOnly);
    // Prints the active view on one page, fitted under its caption.
    void PrintActiveView(QPrinter& printer);

    // The dialogs the commands run; tests replace them so that nothing blocks.
    // The printer dialog (modal) sets up the printer and says whether to print.
    static std::function<bool(QPrintDialog&, QPrinter&)>& PrintDialogRunner();
    // A file to save to (empty when cancelled), and the filter it was chosen with.
    static std::function<QString(QWidget*, const QString& caption, const QStringList& filters,
                                 QString& filter)>&
    SaveDialogRunner();
    // The size of a picture to save, starting from the view's; false when cancelled.
    static std::function<bool(QWidget*, QSize&)>& PictureSizeRunner();

    // A three-dimensional task's fields (fields->gz > 1) in a 3-D view of its
    // scene (TFlowView3D): the first fields of a run open the view, later
    // ones show in it, live at most once a second. A channel's scene is the
    // objects of the view or scene file its obstacles came from while it runs,
    // otherwise its obstacles' surfaces. `lidSpeed` is the lattice speed the
    // velocities are shown in units of (0: the one the task runs with).
    void UpdateFlowView3D(const std::shared_ptr<const lbm::Fields>& fields, const lbm::Task& task,
                          double lidSpeed = 0);
    // Opens such a view for the task (a view of its own each time), showing
    // the fields when there are any.
    TfrmPlot* OpenFlowView3D(const lbm::Task& task, const std::shared_ptr<const lbm::Fields>& fields,
                             double lidSpeed);

    // Copies of the objects (lights left out) of the view or scene file a
    // channel's obstacles come from; none when it is not there or cannot be read.
    std::vector<std::unique_ptr<TGLObject>> ChannelSceneCopies(const ChannelRecord& channel) const;

    // The frame's commands by name ("FileNew1", "FileMenu", "tbNew1", ...).
    const TActionManager& Actions() const { return FActions; }
    QAction* Action(const QString& id) const { return FActions.Action(id); }
    QMenu* Menu(const QString& id) const { return FActions.Menu(id); }
    QToolButton* ToolButton(const QString& id) const { return FActions.ToolButton(id); }
    // Derives what is enabled from the active view, its document and the
    // tasks; called whenever one of them changes.
    void UpdateActions();

    // The tool bar's own commands.
    void tbZoom1Click();
    void tbZoomIn1Click();
    void FileClose1Execute();

protected:
    // Closing the frame ends the event loop, whatever other windows are open.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateActions();
    void ConnectToolButtons();
    // Follows the active view's undo history with the enabled states.
    void FollowActiveDocument();
    void RebuildRecentMenu();
    // Asks about the unsaved changes of every view, newest first; false when
    // the user cancels.
    bool MayCloseViews();
    void CreateTaskRunner();
    // Lets the task dialog and the runs find the open views and cut the
    // obstacles of a channel task out of a view or a scene file.
    void InstallChannelSources();
    // The open view of that caption; null when there is none.
    TfrmPlot* ViewByCaption(const QString& caption) const;
    // The row's task to queue: a channel's with its obstacles cut now (and,
    // for mpirun, a view's scene written to a file), or the reason it cannot run.
    QueuedTask QueueTask(const TTaskList& tasks, int row, bool forMpirun);
    // The lattice speed the running task's velocities are scaled by (a channel's inflow, a cavity's lid).
    double RunningLidSpeed() const;
    void TaskStarted(int index, const QueuedTask& task);
    void TaskProgressed(int index, const TaskProgress& progress);
    void TaskFinished(int index, const QueuedTask& task, const TaskOutcome& outcome);
    void QueueFinished();
    void WriteGridDescriptions(const QString& dataFolder);
    // After a queue that ran to its end, the countdown to what the settings
    // ask for when the tasks are completed (log off, shut down, restart).
    void EndSessionIfAsked(int failed);
    // False when the user keeps the tasks running.
    bool MayStopTasks();
    // The running task's field as a colour map in a view of its own, opened
    // by the first field that arrives.
    TfrmPlot* OpenFieldView(const QueuedTask& task);
    void UpdateFieldView(const std::shared_ptr<const lbm::Fields>& fields, double lidSpeed);
    // Shows the fields in a view OpenFieldView made.
    // (A channel's outlines drawn over it.)
    void ShowField(TfrmPlot& view, const lbm::Fields& fields, double lidSpeed,
                   const lbm::ChannelSpec* channel = nullptr);
    // Writes the pictures ShowField last showed in the view into the run's
    // results folder (field.png, scale.png) and names them as the view's
    // textures, so that a scene saved from the view refers to them and shows
    // the field when it is opened again, or says that the results are gone.
    void KeepFieldPictures(TfrmPlot& view, const QString& folder);
    void CreateToolBar();
    void RebuildWindowMenu();
    void TogglePanel(QDockWidget* panel);
    // Adds a window of the area (a view, a chart) and shows it where and as
    // the others are; prepare runs after it is added and before it shows.
    QMdiSubWindow* AddWindow(QWidget* content, const std::function<void()>& prepare = {});
    // Puts a new view where it opens: cascading from the previous one.
    void PlaceNewView(QMdiSubWindow* sub);
    void PanelDocked(QDockWidget* panel, Qt::DockWidgetArea area);
    void PanelFloated(QDockWidget* panel);

    TActionManager FActions;
    TViewPanels FViewPanels;
    QMdiArea* FMdiArea;
    QToolBar* FToolBar4;
    QHash<QDockWidget*, Qt::DockWidgetArea> FPanelArea; // where each panel last docked
    QStringList FRecentFiles;
    std::function<void(const QStringList&)> FSaveRecentFiles;
    bool FRecentFilesUnsaved = false;                    // the last save of the list failed and was reported
    QList<QMetaObject::Connection> FDocumentConnections; // to the active view's document
    TTaskRunner* FTaskRunner = nullptr;
    TMpiTaskRunner* FMpiRunner = nullptr;
    TTaskQueue* FRunner = nullptr; // the one that runs (or last ran) the queue
    bool FQueueRunning = false;    // from Run Tasks until the queue has ended
    bool FStopAsked = false;       // Stop was chosen for the running queue
    QLabel* FRunText = nullptr;
    QProgressBar* FRunBar = nullptr;
    QString FDataFolderParent;
    TResultsList* FResultsList = nullptr;
    QPointer<TfrmResultsPage> FResultsPage;
    std::function<void(const QStringList&)> FSaveResultsFolders;
    bool FShowResults = true;
    QString FRunningLine;
    std::unique_ptr<QueuedTask> FRunningTask;
    // The running task's view, opened with its first field (a task that
    // fails before it has one gets none); once the user closes it, it stays closed.
    QPointer<TfrmPlot> FFieldView;
    QImage FFieldPicture, FScalePicture; // what ShowField last showed
    bool FFieldViewOpened = false;
    QPointer<TfrmPlot> FFlowView3D; // the running three-dimensional task's view
    // What a three-dimensional task's view shows of the scene: copies of the
    // objects the running channel's obstacles came from, or its obstacles'
    // surfaces.
    std::vector<std::unique_ptr<TGLObject>> FlowSceneObjects(const lbm::Task& task) const;
    JobScriptOptions FJobScriptOptions; // as last exported
    QString FJobScriptPath;
    QList<int> FQueuedRows;       // the task list's rows of the running queue, in order
    QHash<int, TaskState> FFinal; // how each of them ended
    // The views' scenes the channel tasks of the running queue take under mpirun.
    std::unique_ptr<QTemporaryDir> FChannelScenes;
};
