// The main frame's menus, tool bar and command handlers.
#include "Globals.h"
#include "ImageList.h"
#include "Messages.h"
#include "StoragePlaces.h"
#include "TAboutBox.h"
#include "TMainForm.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSet>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <stdexcept>

namespace {

constexpr int kShownBottomHeight = 99;
constexpr int kShownLeftWidth = 153;

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

} // namespace

QString PrepareDataFolder(const QString& folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("dat")) + QLatin1Char('/');
    // An installed copy's data folder lives in a folder of its own in the
    // user's home, made with it the first time.
    if (!QFileInfo(path).isDir() && !QDir().mkpath(path))
        throw std::runtime_error(QStringLiteral("Cannot create%1").arg(path).toStdString());
    return path;
}

QString TMainForm::HomePageAddress() { return QStringLiteral("https://www.example.org/corvane"); }

std::function<bool(QPrintDialog&, QPrinter&)>& TMainForm::PrintDialogRunner()
{
    static std::function<bool(QPrintDialog&, QPrinter&)> runner = [](QPrintDialog& dialog, QPrinter&) {
        return dialog.exec() == QDialog::Accepted;
    };
    return runner;
}

void TMainForm::CreateMenus()
{
    setStyleSheet(QString::fromLatin1(kMenuStyle));
    // An action: caption, shortcut, hint, image; every handler runs guarded.
    auto action = [this](const char* name, const QString& text, const QKeySequence& shortcut,
                         const QString& hint, int image) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(shortcut);
        a->setStatusTip(hint);
        if (image >= 0)
            a->setIcon(corvane::ImageListIcon(image));
        return a;
    };
    auto handle = [this](QAction* a, void (TMainForm::*handler)()) {
        connect(a, &QAction::triggered, this,
                [this, handler] { corvane::RunHandler([this, handler] { (this->*handler)(); }); });
    };

    FileNew1 = action("FileNew1", QStringLiteral("&New"), QKeySequence(QStringLiteral("Ctrl+N")),
                      QStringLiteral("Create a new file"), 6);
    handle(FileNew1, &TMainForm::FileNew1Execute);
    FileOpen1 = action("FileOpen1", QStringLiteral("&Open"), QKeySequence(QStringLiteral("Ctrl+O")),
                       QStringLiteral("Open a file"), 7);
    FileOpen1->setEnabled(false);
    FileClose1 = action("FileClose1", QStringLiteral("&Close"), {}, QStringLiteral("Close current file"), -1);
    connect(FileClose1, &QAction::triggered, FMdiArea, &QMdiArea::closeActiveSubWindow);
    FileSave1 = action("FileSave1", QStringLiteral("&Save"), QKeySequence(QStringLiteral("Ctrl+S")),
                       QStringLiteral("Save current file"), 8);
    FileSave1->setEnabled(false);
    FilePrint = action("FilePrint", QStringLiteral("&Print"), {},
                       QStringLiteral("Save current file with different name"), 14);
    handle(FilePrint, &TMainForm::FilePrintClick);
    FileExportObject = action("FileExportObject", QStringLiteral("&Export Object..."), {},
                              QStringLiteral("Writes the current object as a mesh file"), -1);
    handle(FileExportObject, &TMainForm::FileExportObjectClick);
    FileExportScene =
        action("FileExportScene", QStringLiteral("Export &Scene..."), {},
               QStringLiteral("Writes every object of the view but its lights into one mesh file"), -1);
    handle(FileExportScene, &TMainForm::FileExportSceneClick);
    FileSavePicture = action("FileSavePicture", QStringLiteral("Save Picture &As..."), {},
                             QStringLiteral("Saves the active view as a picture"), -1);
    handle(FileSavePicture, &TMainForm::FileSavePictureClick);
    FileExit1 = action("FileExit1", QStringLiteral("E&xit"), {}, QStringLiteral("Exit application"), -1);
    handle(FileExit1, &TMainForm::FileExit1Execute);

    CopyItem = action("CopyItem", QStringLiteral("&Copy"), QKeySequence(QStringLiteral("Ctrl+C")),
                      QStringLiteral("Copies the selection and puts it on the Clipboard"), 1);
    handle(CopyItem, &TMainForm::CopyItemClick);
    EditClear1 = action("EditClear1", QStringLiteral("Clear the picture"), {}, QString(), 5);
    EditClear1->setEnabled(false);
    SetPictureProperty1 =
        action("SetPictureProperty1", QStringLiteral("Set Picture Property"), {}, QString(), 45);
    Enviroment1 = action("Enviroment1", QStringLiteral("Enviroment"), {}, QString(), -1);
    handle(Enviroment1, &TMainForm::Enviroment1Click);

    ViewOutput1 = action("ViewOutput1", QStringLiteral("Output"), {}, QString(), -1);
    ViewOutput1->setCheckable(true);
    ViewOutput1->setChecked(true);
    handle(ViewOutput1, &TMainForm::ViewOutput1Execute);
    WorkSpace1 = action("WorkSpace1", QStringLiteral("Worspace"), {}, QString(), -1);
    WorkSpace1->setCheckable(true);
    WorkSpace1->setChecked(true);
    handle(WorkSpace1, &TMainForm::WorkSpace1Click);
    StayOnTop1 = action("StayOnTop1", QStringLiteral("Always Stay On Top"), {}, QString(), -1);
    StayOnTop1->setCheckable(true);
    handle(StayOnTop1, &TMainForm::StayOnTop1Click);

    Generate = action("Generate", QStringLiteral("Generate the Grid"), {}, QString(), 31);
    handle(Generate, &TMainForm::GenerateExecute);
    Pause1 = action("Pause1", QStringLiteral("Pause"), {}, QString(), 47);
    CreateRunCommands();

    WindowCascade1 = action("WindowCascade1", QStringLiteral("&Cascade"), {}, QStringLiteral("Cascade"), 17);
    handle(WindowCascade1, &TMainForm::Cascade);
    WindowTileHorizontal1 = action("WindowTileHorizontal1", QStringLiteral("Tile &Horizontally"), {},
                                   QStringLiteral("Tile Horizontally"), 15);
    handle(WindowTileHorizontal1, &TMainForm::TileHorizontally);
    WindowTileVertical1 = action("WindowTileVertical1", QStringLiteral("Tile &Vertically"), {},
                                 QStringLiteral("Tile Vertically"), 16);
    handle(WindowTileVertical1, &TMainForm::TileVertically);
    WindowMinimizeAll1 =
        action("WindowMinimizeAll1", QStringLiteral("&Minimize All"), {}, QStringLiteral("Minimize All"), -1);
    handle(WindowMinimizeAll1, &TMainForm::MinimizeAll);
    WindowArrangeAll1 =
        action("WindowArrangeAll1", QStringLiteral("&Arrange All"), {}, QStringLiteral("Arrange All"), -1);
    handle(WindowArrangeAll1, &TMainForm::ArrangeAll);

    HelpAbout1 = action("HelpAbout1", QStringLiteral("&About..."), {},
                        QStringLiteral("Shows the program's version, author and contact address"), 11);
    handle(HelpAbout1, &TMainForm::HelpAbout1Execute);
    HomePage1 = action("HomePage1", HomePageAddress(), {}, QString(), 43);
    handle(HomePage1, &TMainForm::HomePage1Click);

    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto menu = [bar](const QString& title, const QString& hint) {
        QMenu* m = bar->addMenu(title);
        m->menuAction()->setStatusTip(hint);
        return m;
    };
    FileMenu = menu(QStringLiteral("&File"), QString());
    FileMenu->setToolTipsVisible(true); // why an entry is off
    FileMenu->addActions({FileNew1, FileOpen1, FileClose1, FileSave1, FileExportObject, FileExportScene,
                          FileSavePicture, FilePrint});
    FileMenu->addSeparator();
    FileMenu->addAction(FileExit1);
    EditMenu = menu(QStringLiteral("&Edit"), QStringLiteral("Edit commands"));
    EditMenu->setToolTipsVisible(true);
    EditMenu->addActions({CopyItem, EditClear1});
    EditMenu->addSeparator();
    EditMenu->addActions({SetPictureProperty1, Enviroment1});
    ViewMenu = menu(QStringLiteral("&View"), QString());
    ViewMenu->addActions({ViewOutput1, WorkSpace1, StayOnTop1});
    RunMenu = menu(QStringLiteral("&Run"), QString());
    RunMenu->addActions({Generate, RunTasks1, Pause1, StopTasks1});
    RunMenu->addSeparator();
    RunMenu->addAction(Streamlines1);
    WindowMenu = menu(QStringLiteral("&Window"), QStringLiteral("Window related commands"));
    connect(WindowMenu, &QMenu::aboutToShow, this, &TMainForm::RebuildWindowMenu);
    RebuildWindowMenu();
    HelpMenu = menu(QStringLiteral("&Help"), QStringLiteral("Help topics"));
    HelpMenu->addActions({HelpAbout1, HomePage1});
}

void TMainForm::CreateToolBar()
{
    auto button = [this](const char* name, int image, QAction* bound) {
        auto* b = new QToolButton(FToolBar4);
        b->setObjectName(QLatin1String(name));
        b->setAutoRaise(true);
        b->setFixedSize(26, 23);
        b->setIconSize(QSize(16, 16));
        if (bound)
            b->setDefaultAction(bound);
        b->setIcon(corvane::ImageListIcon(image));
        FToolBar4->addWidget(b);
        return b;
    };
    auto toggle = [](QToolButton* b) {
        b->setCheckable(true);
        return b;
    };
    tbNew1 = button("tbNew1", 6, nullptr);
    tbNew1->setToolTip(QStringLiteral("New"));
    tbNew1->setStatusTip(FileNew1->statusTip());
    connect(tbNew1, &QToolButton::clicked, this,
            [this] { corvane::RunHandler([this] { FileNew1Execute(); }); });
    tbOpen1 = button("tbOpen1", 7, FileOpen1);
    tbSave1 = button("tbSave1", 8, nullptr);
    FToolBar4->addSeparator();
    tbCopy1 = button("tbCopy1", 1, nullptr);
    connect(tbCopy1, &QToolButton::clicked, this,
            [this] { corvane::RunHandler([this] { CopyItemClick(); }); });
    tbClear1 = button("tbClear1", 5, nullptr);
    connect(tbClear1, &QToolButton::clicked, this, [this] { tbClear1Click(); });
    FToolBar4->addSeparator();
    ToolButton21 = button("ToolButton21", 17, WindowCascade1);
    ToolButton22 = button("ToolButton22", 15, WindowTileHorizontal1);
    ToolButton24 = button("ToolButton24", 16, WindowTileVertical1);
    FToolBar4->addSeparator();
    tbLeft1 = button("tbLeft1", 25, nullptr);
    tbRight1 = toggle(button("tbRight1", 26, nullptr));
    tbTop1 = toggle(button("tbTop1", 27, nullptr));
    tbDown1 = toggle(button("tbDown1", 28, nullptr));
    tbZoom1 = toggle(button("tbZoom1", 29, nullptr));
    tbZoomIn1 = button("tbZoomIn1", 30, nullptr);
    FToolBar4->addSeparator();
    tbRun1 = button("tbRun1", 31, RunTasks1);
    tbPause = button("tbPause", 47, Pause1);
    tbPause->setToolTip(QStringLiteral("Pause"));
    FToolBar4->addSeparator();
    tbAbout1 = button("tbAbout1", 11, nullptr);
    tbAbout1->setToolTip(QStringLiteral("About"));
    tbAbout1->setStatusTip(HelpAbout1->statusTip());
    connect(tbAbout1, &QToolButton::clicked, this,
            [this] { corvane::RunHandler([this] { HelpAbout1Execute(); }); });
}

void TMainForm::RebuildWindowMenu()
{
    WindowMenu->clear();
    WindowMenu->addActions(
        {WindowCascade1, WindowTileHorizontal1, WindowTileVertical1, WindowMinimizeAll1, WindowArrangeAll1});
    const QList<QMdiSubWindow*> views = FMdiArea->subWindowList(QMdiArea::CreationOrder);
    if (!views.isEmpty())
        WindowMenu->addSeparator();
    for (int i = 0; i < views.size(); ++i) {
        QMdiSubWindow* sub = views[i];
        const QString title = sub->widget() ? sub->widget()->windowTitle() : sub->windowTitle();
        QAction* entry =
            WindowMenu->addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title);
        entry->setCheckable(true);
        entry->setChecked(sub == FMdiArea->currentSubWindow());
        connect(entry, &QAction::triggered, this, [this, sub] { FMdiArea->setActiveSubWindow(sub); });
    }
}

void TMainForm::UpdateWindowActions()
{
    const bool open = !FMdiArea->subWindowList().isEmpty();
    for (QAction* a :
         {WindowCascade1, WindowTileHorizontal1, WindowTileVertical1, WindowMinimizeAll1, WindowArrangeAll1})
        a->setEnabled(open);
    FileClose1->setEnabled(FMdiArea->currentSubWindow() != nullptr);
}

int TMainForm::FreeViewNumber() const
{
    // A view's name starts "Fig.N" (a task's field view adds what it shows).
    static const QRegularExpression numbered(QStringLiteral("^Fig\\.(\\d+)\\b"));
    QSet<int> taken;
    for (QMdiSubWindow* sub : FMdiArea->subWindowList())
        if (auto* view = qobject_cast<TfrmPlot*>(sub->widget())) {
            const QRegularExpressionMatch match = numbered.match(view->ViewName());
            if (match.hasMatch())
                taken.insert(match.captured(1).toInt());
        }
    int number = 1;
    while (taken.contains(number))
        ++number;
    return number;
}

void TMainForm::FileNew1Execute()
{
    TfrmPlot* view = CreateView(QStringLiteral("Fig.%1").arg(FreeViewNumber()));
    FMdiArea->setActiveSubWindow(view->SubWindow());
}

void TMainForm::FileExit1Execute() { close(); }

void TMainForm::FilePrintClick()
{
    // Looking up the printers may take a while: the busy cursor shows
    // meanwhile, but not over the dialog the user then works in. It is
    // restored however this ends.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct BusyCursor {
        bool shown = true;
        void Restore()
        {
            if (shown)
                QApplication::restoreOverrideCursor();
            shown = false;
        }
        ~BusyCursor() { Restore(); }
    } busy;
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    busy.Restore();
    if (PrintDialogRunner()(dialog, printer))
        PrintActiveView(printer);
}

void TMainForm::Enviroment1Click()
{
    if (frmEnviroment)
        frmEnviroment->exec();
}

void TMainForm::HelpAbout1Execute()
{
    if (AboutBox)
        AboutBox->exec();
}

void TMainForm::TogglePanel(QDockWidget* panel)
{
    if (!panel)
        return;
    if (!panel->isHidden()) {
        // Hidden where it is: floating, docked in either area or tabbed with
        // the other panel, it comes back to the same place.
        panel->hide();
    } else {
        panel->show();
        panel->raise(); // a tabbed panel comes to the front of its group
        const Qt::DockWidgetArea area = dockWidgetArea(panel);
        if (!panel->isFloating() && area == Qt::BottomDockWidgetArea)
            resizeDocks({panel}, {kShownBottomHeight}, Qt::Vertical);
        else if (!panel->isFloating() && area == Qt::LeftDockWidgetArea)
            resizeDocks({panel}, {kShownLeftWidth}, Qt::Horizontal);
    }
    UpdatePanelEntries();
}

void TMainForm::ViewOutput1Execute() { TogglePanel(frmOutPut); }

void TMainForm::WorkSpace1Click() { TogglePanel(frmWorkSpace); }

void TMainForm::UpdatePanelEntries()
{
    // Ticked exactly while the panel is shown (a panel tabbed behind the other
    // one is shown: its tab brings it to the front).
    if (frmOutPut)
        ViewOutput1->setChecked(!frmOutPut->isHidden());
    if (frmWorkSpace)
        WorkSpace1->setChecked(!frmWorkSpace->isHidden());
}

void TMainForm::PanelClosed(QDockWidget*) { UpdatePanelEntries(); }

void TMainForm::StayOnTop1Click()
{
    // Changing a window flag re-creates the window: keep its place and size.
    const QRect geometry = this->geometry();
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, StayOnTop1->isChecked());
    setGeometry(geometry);
    if (wasVisible)
        show();
}

void TMainForm::HomePage1Click() { QDesktopServices::openUrl(QUrl(HomePageAddress())); }

namespace {

// Lays the views that are neither minimised nor hidden out in equal strips:
// one above the other (horizontal tiling) or side by side.
void Tile(QMdiArea* area, Qt::Orientation strips)
{
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* sub : area->subWindowList(QMdiArea::CreationOrder))
        if (!sub->isMinimized() && !sub->isHidden())
            shown.append(sub);
    if (shown.isEmpty())
        return;
    const QRect r = area->viewport()->rect();
    const int count = static_cast<int>(shown.size());
    for (int i = 0; i < count; ++i) {
        shown[i]->showNormal();
        if (strips == Qt::Horizontal)
            shown[i]->setGeometry(0, i * (r.height() / count), r.width(), r.height() / count);
        else
            shown[i]->setGeometry(i * (r.width() / count), 0, r.width() / count, r.height());
    }
}

} // namespace

void TMainForm::Cascade()
{
    // Each view keeps its size (clipped to the area) and lies one title bar
    // lower and further right than the one before, back at the top-left when
    // the next would leave the area; the active view comes out in front.
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* sub : FMdiArea->subWindowList(QMdiArea::CreationOrder))
        if (!sub->isMinimized() && !sub->isHidden())
            shown.append(sub);
    if (shown.isEmpty())
        return;
    QMdiSubWindow* active = FMdiArea->currentSubWindow();
    if (shown.removeOne(active))
        shown.append(active);
    const QSize area = FMdiArea->viewport()->size();
    const int step = CascadeOffset(shown.first());
    QPoint at(0, 0);
    for (QMdiSubWindow* sub : shown) {
        sub->showNormal();
        const QSize size = sub->size().boundedTo(area);
        if (at.x() + size.width() > area.width() || at.y() + size.height() > area.height())
            at = QPoint(0, 0);
        sub->setGeometry(QRect(at, size));
        sub->raise();
        at += QPoint(step, step);
    }
}

void TMainForm::TileHorizontally() { Tile(FMdiArea, Qt::Horizontal); }

void TMainForm::TileVertically() { Tile(FMdiArea, Qt::Vertical); }

void TMainForm::MinimizeAll()
{
    for (QMdiSubWindow* sub : FMdiArea->subWindowList())
        sub->showMinimized();
}

void TMainForm::ArrangeAll()
{
    // Minimised views line up along the bottom edge, left to right.
    const QRect area = FMdiArea->viewport()->rect();
    int x = 0;
    int y = area.bottom();
    for (QMdiSubWindow* sub : FMdiArea->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized())
            continue;
        const QSize size = sub->size();
        if (x > 0 && x + size.width() > area.width()) {
            x = 0;
            y -= size.height();
        }
        sub->move(x, y - size.height() + 1);
        x += size.width();
    }
}
