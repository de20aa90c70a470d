// SPDX-License-Identifier: GPL-3.0-or-later
// The frame's commands in one place: every action, menu and tool button made
// from the tables below and registered by its name, and the one function that
// derives what is enabled from the active view, its document and the tasks.
#include "ActiveView.h"
#include "ImageList.h"
#include "Messages.h"
#include "TMainForm.h"
#include "TSceneDocument.h"
#include "TaskRunner.h"
#include "TfrmPlot.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>

namespace {

// Menus drawn flat, with an icon column and the system's highlight.
const char* kMenuStyle = R"(
QMenuBar { font-family: "Tahoma"; font-size: 11px; }
QMenu { font-family: "Tahoma"; font-size: 11px; background: palette(base); border: 1px solid palette(mid); }
QMenu::item { padding: 4px 18px 4px 30px; border: 1px solid transparent; }
QMenu::item:selected { background: palette(highlight); color: palette(highlighted-text); border: 1px solid palette(dark); }
QMenu::item:disabled { color: palette(mid); }
QMenu::icon { padding-left: 4px; }
QMenu::separator { height: 1px; background: palette(mid); margin: 3px 4px 3px 28px; }
)";

enum ActionFlag : unsigned { Checkable = 1, Checked = 2 };

struct ActionSpec {
    const char* id;
    const char* text;
    const char* shortcut;
    const char* hint;
    int image;
    void (TMainForm::*handler)();
    unsigned flags;
};

// Every command of the menus; an entry without a handler is connected
// where its meaning lives (the streamlines switch is read when drawing).
const ActionSpec kActions[] = {
    {"FileNew1", "&New", "Ctrl+N", "Create a new file", 6, &TMainForm::FileNew1Execute, 0},
    {"FileOpen1", "&Open", "Ctrl+O", "Open a file", 7, &TMainForm::FileOpen1Execute, 0},
    {"FileLoadObject", "&Load Object\u2026", "Ctrl+L",
     "Load a polygon object or mesh file into the active view (a new view when none is open)", -1,
     &TMainForm::FileLoadObjectExecute, 0},
    {"FileClose1", "&Close", "", "Close current file", -1, &TMainForm::FileClose1Execute, 0},
    {"FileSave1", "&Save", "Ctrl+S", "Save current file", 8, &TMainForm::FileSave1Execute, 0},
    {"FileSaveAs1", "Save &As...", "Ctrl+Shift+S", "Save the active view's scene under a new name", -1,
     &TMainForm::FileSaveAs1Execute, 0},
    {"FileExportObject", "&Export Object...", "", "Writes the current object as a mesh file", -1,
     &TMainForm::FileExportObjectClick, 0},
    {"FileExportScene", "Export &Scene...", "",
     "Writes every object of the view but its lights into one mesh file", -1,
     &TMainForm::FileExportSceneClick, 0},
    {"FileSavePicture", "Save Picture &As...", "", "Saves the active view as a picture", -1,
     &TMainForm::FileSavePictureClick, 0},
    {"FilePrint", "&Print", "", "Save current file with different name", 14, &TMainForm::FilePrintClick, 0},
    {"FileExit1", "E&xit", "", "Exit application", -1, &TMainForm::FileExit1Execute, 0},

    {"EditUndo1", "&Undo", "Ctrl+Z", "Undo the last change to the active view's scene", -1,
     &TMainForm::EditUndo1Execute, 0},
    {"EditRedo1", "&Redo", "Ctrl+Shift+Z", "Redo the change undone last", -1, &TMainForm::EditRedo1Execute,
     0},
    {"CopyItem", "&Copy", "Ctrl+C", "Copies the selection and puts it on the Clipboard", 1,
     &TMainForm::CopyItemClick, 0},
    {"EditClear1", "Clear the picture", "", "Remove every object of the active view", 5,
     &TMainForm::EditClear1Execute, 0},
    {"SetPictureProperty1", "Set Picture Property", "",
     "Background colour, projection, wire frame, axes and size of the active view", 45,
     &TMainForm::SetPictureProperty1Execute, 0},
    {"Enviroment1", "Enviroment", "", "", -1, &TMainForm::Enviroment1Click, 0},

    {"ViewOutput1", "Output", "", "", -1, &TMainForm::ViewOutput1Execute, Checkable | Checked},
    {"WorkSpace1", "Worspace", "", "", -1, &TMainForm::WorkSpace1Click, Checkable | Checked},
    {"StayOnTop1", "Always Stay On Top", "", "", -1, &TMainForm::StayOnTop1Click, Checkable},

    {"Generate", "Generate the Grid", "", "", 31, &TMainForm::GenerateExecute, 0},
    {"RunTasks1", "Run Tasks", "F5", "Runs the ticked tasks one after another", 31,
     &TMainForm::RunTasksExecute, 0},
    {"Pause1", "Pause", "", "Pauses the running task, or lets it go on", 47, &TMainForm::Pause1Execute,
     Checkable},
    {"StopTasks1", "Stop", "", "Stops the running task (keeping its results so far) and the rest", -1,
     &TMainForm::StopTasksExecute, 0},
    {"ExportJobScript1", "Export Job Script\u2026", "",
     "Writes a Slurm batch script and an mpirun script that run the ticked tasks outside the program", -1,
     &TMainForm::ExportJobScriptExecute, 0},
    {"Streamlines1", "Streamlines", "", "Draws streamlines over the running task's field", -1, nullptr,
     Checkable | Checked},

    {"WindowCascade1", "&Cascade", "", "Cascade", 17, &TMainForm::Cascade, 0},
    {"WindowTileHorizontal1", "Tile &Horizontally", "", "Tile Horizontally", 15, &TMainForm::TileHorizontally,
     0},
    {"WindowTileVertical1", "Tile &Vertically", "", "Tile Vertically", 16, &TMainForm::TileVertically, 0},
    {"WindowMinimizeAll1", "&Minimize All", "", "Minimize All", -1, &TMainForm::MinimizeAll, 0},
    {"WindowArrangeAll1", "&Arrange All", "", "Arrange All", -1, &TMainForm::ArrangeAll, 0},

    {"HelpAbout1", "&About...", "", "Shows the program's version, author and contact address", 11,
     &TMainForm::HelpAbout1Execute, 0},
    {"HomePage1", "", "", "", 43, &TMainForm::HomePage1Click, 0},
};

// The menus: "-" is a separator, "@name" a submenu.
struct MenuSpec {
    const char* id;
    const char* title;
    const char* hint;
    std::initializer_list<const char*> entries;
};

const MenuSpec kMenus[] = {
    {"FileMenu",
     "&File",
     "",
     {"FileNew1", "FileOpen1", "FileLoadObject", "FileClose1", "FileSave1", "FileSaveAs1", "FileExportObject",
      "FileExportScene", "FileSavePicture", "@RecentMenu", "-", "FilePrint", "-", "FileExit1"}},
    {"EditMenu",
     "&Edit",
     "Edit commands",
     {"EditUndo1", "EditRedo1", "-", "CopyItem", "EditClear1", "-", "SetPictureProperty1", "Enviroment1"}},
    {"ViewMenu", "&View", "", {"ViewOutput1", "WorkSpace1", "StayOnTop1"}},
    {"RunMenu",
     "&Run",
     "",
     {"Generate", "RunTasks1", "Pause1", "StopTasks1", "-", "ExportJobScript1", "-", "Streamlines1"}},
    // Its view entries are added each time it opens.
    {"WindowMenu", "&Window", "Window related commands", {}},
    {"HelpMenu", "&Help", "Help topics", {"HelpAbout1", "HomePage1"}},
};

const char* const kWindowCommands[] = {"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1",
                                       "WindowMinimizeAll1", "WindowArrangeAll1"};

// The tool bar, left to right: a button bound to an action shows and runs
// it; the others are connected below. Null is a separator.
struct ButtonSpec {
    const char* id;
    int image;
    const char* action;
    bool toggle;
};

const ButtonSpec kButtons[] = {
    {"tbNew1", 6, nullptr, false},
    {"tbOpen1", 7, "FileOpen1", false},
    {"tbSave1", 8, "FileSave1", false},
    {nullptr, 0, nullptr, false},
    {"tbCopy1", 1, nullptr, false},
    {"tbClear1", 5, nullptr, false},
    {nullptr, 0, nullptr, false},
    {"ToolButton21", 17, "WindowCascade1", false},
    {"ToolButton22", 15, "WindowTileHorizontal1", false},
    {"ToolButton24", 16, "WindowTileVertical1", false},
    {nullptr, 0, nullptr, false},
    {"tbLeft1", 25, nullptr, false},
    {"tbRight1", 26, nullptr, true},
    {"tbTop1", 27, nullptr, true},
    {"tbDown1", 28, nullptr, true},
    {"tbZoom1", 29, nullptr, true},
    {"tbZoomIn1", 30, nullptr, false},
    {nullptr, 0, nullptr, false},
    {"tbRun1", 31, "RunTasks1", false},
    {"tbPause", 47, "Pause1", false},
    {nullptr, 0, nullptr, false},
    {"tbAbout1", 11, nullptr, false},
};

// The buttons that act on the active view and are off while none is.
const char* const kViewButtons[] = {"tbCopy1", "tbClear1", "tbLeft1", "tbRight1",
                                    "tbTop1",  "tbDown1",  "tbZoom1", "tbZoomIn1"};

} // namespace

void TMainForm::CreateActions()
{
    setStyleSheet(QString::fromLatin1(kMenuStyle));
    for (const ActionSpec& spec : kActions) {
        auto* a = new QAction(QString::fromUtf8(spec.text), this);
        a->setObjectName(QLatin1String(spec.id));
        a->setShortcut(QKeySequence(QLatin1String(spec.shortcut)));
        a->setStatusTip(QString::fromUtf8(spec.hint));
        if (spec.image >= 0)
            a->setIcon(corvane::ImageListIcon(spec.image));
        a->setCheckable(spec.flags & Checkable);
        a->setChecked(spec.flags & Checked);
        if (spec.handler)
            connect(a, &QAction::triggered, this, [this, handler = spec.handler] {
                corvane::RunHandler([this, handler] { (this->*handler)(); });
            });
        FActions.RegisterAction(a);
    }
    Action("EditRedo1")
        ->setShortcuts(
            {QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))});
    Action("HomePage1")->setText(HomePageAddress());

    auto* recent = new QMenu(QStringLiteral("Recent &Files"), this);
    recent->setObjectName(QStringLiteral("RecentMenu"));
    FActions.RegisterMenu(recent);
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    for (const MenuSpec& spec : kMenus) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(spec.title));
        menu->setObjectName(QLatin1String(spec.id));
        menu->menuAction()->setStatusTip(QString::fromUtf8(spec.hint));
        for (const char* entry : spec.entries) {
            if (qstrcmp(entry, "-") == 0)
                menu->addSeparator();
            else if (entry[0] == '@')
                menu->addMenu(FActions.Menu(QLatin1String(entry + 1)));
            else
                menu->addAction(Action(QLatin1String(entry)));
        }
        FActions.RegisterMenu(menu);
    }
    // The commands on the active view say there why they are off.
    Menu("FileMenu")->setToolTipsVisible(true);
    Menu("EditMenu")->setToolTipsVisible(true);
    connect(Menu("WindowMenu"), &QMenu::aboutToShow, this, &TMainForm::RebuildWindowMenu);
    RebuildWindowMenu();
    RebuildRecentMenu();
}

void TMainForm::CreateToolBar()
{
    for (const ButtonSpec& spec : kButtons) {
        if (!spec.id) {
            FToolBar4->addSeparator();
            continue;
        }
        auto* b = new QToolButton(FToolBar4);
        b->setObjectName(QLatin1String(spec.id));
        b->setAutoRaise(true);
        b->setFixedSize(26, 23);
        b->setIconSize(QSize(16, 16));
        if (spec.action)
            b->setDefaultAction(Action(QLatin1String(spec.action)));
        b->setIcon(corvane::ImageListIcon(spec.image));
        if (spec.toggle)
            b->setCheckable(true);
        FToolBar4->addWidget(b);
        FActions.RegisterToolButton(b);
    }
    ConnectToolButtons();
}

void TMainForm::ConnectToolButtons()
{
    // A button that runs a command of its own, with its tip and hint.
    auto runs = [this](const char* id, const QString& tip, const QString& hint,
                       void (TMainForm::*handler)()) {
        QToolButton* b = ToolButton(QLatin1String(id));
        if (!tip.isEmpty())
            b->setToolTip(tip);
        b->setStatusTip(hint);
        connect(b, &QToolButton::clicked, this,
                [this, handler] { corvane::RunHandler([this, handler] { (this->*handler)(); }); });
    };
    runs("tbNew1", QStringLiteral("New"), Action("FileNew1")->statusTip(), &TMainForm::FileNew1Execute);
    runs("tbCopy1", QString(), QString(), &TMainForm::CopyItemClick);
    runs("tbClear1", QStringLiteral("Clear the picture"), Action("EditClear1")->statusTip(),
         &TMainForm::tbClear1Click);
    runs("tbZoom1", QStringLiteral("Zoom to fit"),
         QStringLiteral("Fit the whole scene into the view; press again to go back"),
         &TMainForm::tbZoom1Click);
    runs("tbZoomIn1", QStringLiteral("Zoom in"),
         QStringLiteral("Enlarge the picture of the active view (the mouse wheel zooms too)"),
         &TMainForm::tbZoomIn1Click);
    runs("tbAbout1", QStringLiteral("About"), Action("HelpAbout1")->statusTip(),
         &TMainForm::HelpAbout1Execute);
    ToolButton(QStringLiteral("tbPause"))->setToolTip(QStringLiteral("Pause"));
    ToolButton(QStringLiteral("tbSave1"))->setIcon(Action("FileSave1")->icon());

    // The camera buttons: standard views. The button of the standard view
    // shown stays down; the others come up.
    struct Camera {
        const char* id;
        const char* tip;
        const char* hint;
        TfrmPlot::StandardView view;
    };
    const Camera cameras[] = {
        {"tbLeft1", "Left view", "Turn the camera to look at the scene from its left side",
         TfrmPlot::StandardView::Left},
        {"tbRight1", "Right view", "Turn the camera to look at the scene from its right side",
         TfrmPlot::StandardView::Right},
        {"tbTop1", "Top view", "Turn the camera to look down on the scene from above",
         TfrmPlot::StandardView::Top},
        {"tbDown1", "Bottom view", "Turn the camera to look up at the scene from below",
         TfrmPlot::StandardView::Bottom},
    };
    for (const Camera& c : cameras) {
        QToolButton* pressed = ToolButton(QLatin1String(c.id));
        pressed->setToolTip(QLatin1String(c.tip));
        pressed->setStatusTip(QLatin1String(c.hint));
        connect(pressed, &QToolButton::clicked, this, [this, which = c.view, pressed] {
            corvane::RunHandler([&] {
                for (const char* id : {"tbRight1", "tbTop1", "tbDown1"}) {
                    QToolButton* b = ToolButton(QLatin1String(id));
                    b->setChecked(b == pressed);
                }
                if (TfrmPlot* view = ActiveView())
                    view->ShowStandardView(which);
            });
        });
    }
}

void TMainForm::tbZoom1Click()
{
    if (TfrmPlot* view = ActiveView())
        view->ToggleZoomToFit();
    UpdateActions();
}

void TMainForm::tbZoomIn1Click()
{
    if (TfrmPlot* view = ActiveView())
        view->ZoomIn();
}

void TMainForm::FileClose1Execute() { FMdiArea->closeActiveSubWindow(); }

QList<QAction*> TMainForm::ViewCommands() const
{
    return FActions.Actions({"FileSave1", "FileSaveAs1", "FileExportObject", "FileExportScene",
                             "FileSavePicture", "FilePrint", "CopyItem", "EditClear1",
                             "SetPictureProperty1"});
}

void TMainForm::FollowActiveDocument()
{
    for (const QMetaObject::Connection& c : FDocumentConnections)
        disconnect(c);
    FDocumentConnections.clear();
    if (TfrmPlot* view = ActiveView())
        FDocumentConnections << connect(view->Document()->UndoStack(), &QUndoStack::indexChanged, this,
                                        &TMainForm::UpdateActions);
    UpdateActions();
}

void TMainForm::UpdateActions()
{
    TfrmPlot* view = ActiveView();

    // The window commands while any window is open; Close on the active one.
    const bool anyWindow = !FMdiArea->subWindowList().isEmpty();
    for (const char* id : kWindowCommands)
        Action(QLatin1String(id))->setEnabled(anyWindow);
    Action("FileClose1")->setEnabled(FMdiArea->currentSubWindow() != nullptr);

    // The commands on the active view, with the reason while there is none.
    EnableForView(ViewCommands(), view != nullptr);
    QList<QWidget*> buttons;
    for (const char* id : kViewButtons)
        buttons << ToolButton(QLatin1String(id));
    EnableForView(buttons, view != nullptr);
    ToolButton("tbZoom1")->setChecked(view && view->IsZoomedToFit());

    // Undo and redo name the step they take.
    QUndoStack* stack = view ? view->Document()->UndoStack() : nullptr;
    QAction* undo = Action("EditUndo1");
    QAction* redo = Action("EditRedo1");
    undo->setEnabled(stack && stack->canUndo());
    redo->setEnabled(stack && stack->canRedo());
    undo->setText(stack && stack->canUndo() ? QStringLiteral("&Undo %1").arg(stack->undoText())
                                            : QStringLiteral("&Undo"));
    redo->setText(stack && stack->canRedo() ? QStringLiteral("&Redo %1").arg(stack->redoText())
                                            : QStringLiteral("&Redo"));

    // The tasks: one queue at a time; Pause and Stop while it runs, Stop
    // once only.
    Action("RunTasks1")->setEnabled(!FQueueRunning);
    Action("Pause1")->setEnabled(FQueueRunning);
    Action("StopTasks1")->setEnabled(FQueueRunning && !FStopAsked);
}
