// SPDX-License-Identifier: GPL-3.0-or-later
#include "TMainForm.h"

#include "ActiveView.h"
#include "Globals.h"
#include "Messages.h"
#include "SystemSummary.h"
#include "TSplash.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QToolBar>

#include <algorithm>

namespace {
constexpr int kLeftPanWidth = 122;
constexpr int kBottomPanHeight = 79;
constexpr int kDockOverWidth = 153;
constexpr int kDockOverHeight = 99;
constexpr int kFloatingWorkSpaceWidth = 153;
constexpr int kFirstViewLeft = 5;
} // namespace

TMainForm::TMainForm()
    : FMdiArea(new QMdiArea(this)), FToolBar4(new QToolBar(QStringLiteral("ToolBar4"), this))
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Corvane 0.75"));
    setCentralWidget(FMdiArea);
    FMdiArea->setObjectName(QStringLiteral("MdiArea"));

    FToolBar4->setObjectName(QStringLiteral("ToolBar4"));
    FToolBar4->setMovable(false);
    FToolBar4->setFloatable(false);
    FToolBar4->setIconSize(QSize(16, 16));
    FToolBar4->setMinimumHeight(27);
    addToolBar(Qt::TopToolBarArea, FToolBar4);

    setDockNestingEnabled(false);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->setSizeGripEnabled(true);

    CreateTaskRunner();
    CreateActions();
    CreateToolBar();
    setAcceptDrops(true);
    connect(FMdiArea, &QMdiArea::subWindowActivated, this, &TMainForm::FollowActiveDocument);
    FollowActiveDocument();

    // The frame's size, made smaller where the screen is (a small screen, or
    // a high-density one whose size in device-independent pixels is small).
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    resize(std::min(704, screen.width()), std::min(639, screen.height()));
    move(screen.center() - rect().center());
}

void TMainForm::FormCreate()
{
    if (Splash) {
        delete Splash;
        Splash = nullptr;
    }
    // Shown until the first hint replaces it.
    statusBar()->showMessage(SystemSummary());
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // A panel being destroyed is no longer a dock widget: the cast tells.
    auto* panel = qobject_cast<QDockWidget*>(watched);
    if (!panel || !FPanelArea.contains(panel))
        return QMainWindow::eventFilter(watched, event);
    // However a panel is shown or hidden (its own close button, the View menu,
    // code), its View entry follows.
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        QMetaObject::invokeMethod(this, &TMainForm::UpdatePanelEntries, Qt::QueuedConnection);
    if (event->type() == QEvent::Close)
        QMetaObject::invokeMethod(
            this, [this, panel] { corvane::RunHandler([this, panel] { PanelClosed(panel); }); },
            Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    bool mayClose = true;
    // Views first (the user may still cancel), then the running tasks.
    corvane::RunHandler([&] { mayClose = MayCloseViews() && MayStopTasks(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::quit();
}

TfrmPlot* TMainForm::ActiveView() const { return ActiveViewOf(this); }

int CascadeOffset(const QMdiSubWindow* view)
{
    QStyleOptionTitleBar option;
    option.initFrom(view);
    return view->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, view) +
           view->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, view);
}

QMdiSubWindow* TMainForm::AddWindow(QWidget* content, const std::function<void()>& prepare)
{
    // While the windows are maximised, the new one is maximised too; it is
    // first shown at its own place and size, which it keeps for when it is
    // restored.
    QMdiSubWindow* maximised = nullptr;
    for (QMdiSubWindow* sub : FMdiArea->subWindowList())
        if (sub->isMaximized())
            maximised = sub;
    if (maximised)
        maximised->showNormal();
    QMdiSubWindow* sub = FMdiArea->addSubWindow(content);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    if (prepare)
        prepare();
    sub->show();
    PlaceNewView(sub);
    if (maximised)
        sub->showMaximized();
    // The list still holds a sub-window while it is being destroyed.
    connect(sub, &QObject::destroyed, this,
            [this] { QMetaObject::invokeMethod(this, &TMainForm::UpdateActions, Qt::QueuedConnection); });
    UpdateActions();
    return sub;
}

TfrmPlot* TMainForm::CreateView(const QString& caption)
{
    auto* view = new TfrmPlot;
    view->SetViewName(caption);
    view->SetPanels(FViewPanels);
    AddWindow(view, [this, view] {
        corvane::RunHandler([view] { view->FormCreate(); });
        // The mouse position shows in the status bar; the caption keeps the view's name.
        connect(view, &TfrmPlot::MouseTextChanged, statusBar(),
                [this](const QString& text) { statusBar()->showMessage(text); });
        connect(view, &TfrmPlot::CaptionChanged, this, &TMainForm::FollowActiveDocument);
    });
    return view;
}

void TMainForm::SetViewPanels(const TViewPanels& panels)
{
    FViewPanels = panels;
    for (QMdiSubWindow* sub : FMdiArea->subWindowList())
        if (auto* view = qobject_cast<TfrmPlot*>(sub->widget()))
            view->SetPanels(panels);
}

void TMainForm::PlaceNewView(QMdiSubWindow* sub)
{
    // The first view opens 5 pixels from the left edge; each further one a
    // title bar below and right of the view opened before it, and back at the
    // start when it would not lie wholly inside the visible area.
    const QPoint start(kFirstViewLeft, 0);
    QMdiSubWindow* previous = nullptr;
    for (QMdiSubWindow* other : FMdiArea->subWindowList(QMdiArea::CreationOrder))
        if (other != sub && !other->isMinimized() && !other->isMaximized() && !other->isHidden())
            previous = other;
    if (!FMdiArea->isVisible()) {
        sub->move(start); // start-up: the area has no size yet
        return;
    }
    const QSize area = FMdiArea->viewport()->size();
    auto fits = [&](QPoint at) {
        return at.x() + sub->width() <= area.width() && at.y() + sub->height() <= area.height();
    };
    const int step = CascadeOffset(sub);
    QPoint at = previous ? previous->pos() + QPoint(step, step) : start;
    if (!fits(at))
        at = start;
    // A view larger than the area shows as much of itself as it can.
    if (!fits(at))
        at = QPoint(std::max(0, std::min(at.x(), area.width() - sub->width())), 0);
    sub->move(at);
}

void TMainForm::AttachPanel(QDockWidget* panel, Qt::DockWidgetArea area)
{
    if (dockWidgetArea(panel) != area)
        addDockWidget(area, panel);
    FPanelArea[panel] = area;
    if (area == Qt::LeftDockWidgetArea)
        resizeDocks({panel}, {kLeftPanWidth}, Qt::Horizontal);
    else if (area == Qt::BottomDockWidgetArea)
        resizeDocks({panel}, {kBottomPanHeight}, Qt::Vertical);
    connect(panel, &QDockWidget::dockLocationChanged, this,
            [this, panel](Qt::DockWidgetArea where) { PanelDocked(panel, where); });
    connect(panel, &QDockWidget::topLevelChanged, this, [this, panel](bool floating) {
        if (floating)
            PanelFloated(panel);
        else
            PanelDocked(panel, dockWidgetArea(panel));
    });
    connect(panel, &QObject::destroyed, this, [this, panel] { FPanelArea.remove(panel); });
    // The panel's own close command only hides it; the frame reacts afterwards.
    panel->installEventFilter(this);
}

void TMainForm::PanelDocked(QDockWidget* panel, Qt::DockWidgetArea area)
{
    if (panel->isFloating() || area == Qt::NoDockWidgetArea)
        return;
    FPanelArea[panel] = area;
    if (area == Qt::LeftDockWidgetArea)
        LeftPanDockOver();
    else if (area == Qt::BottomDockWidgetArea)
        BottomPanDockOver();
}

void TMainForm::PanelFloated(QDockWidget* panel)
{
    const Qt::DockWidgetArea area = FPanelArea.value(panel, Qt::NoDockWidgetArea);
    if (area == Qt::LeftDockWidgetArea)
        LeftPanUnDock(panel);
    else if (area == Qt::BottomDockWidgetArea)
        BottomPanUnDock(panel);
}

QList<QDockWidget*> TMainForm::DockedClients(Qt::DockWidgetArea area) const
{
    QList<QDockWidget*> result;
    for (QDockWidget* dock : findChildren<QDockWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!dock->isFloating() && !dock->isHidden() && dockWidgetArea(dock) == area)
            result.append(dock);
    return result;
}

void TMainForm::LeftPanDockOver()
{
    const QList<QDockWidget*> docks = DockedClients(Qt::LeftDockWidgetArea);
    if (!docks.isEmpty())
        resizeDocks(docks, QList<int>(docks.size(), kDockOverWidth), Qt::Horizontal);
}

void TMainForm::BottomPanDockOver()
{
    // The status bar stays below the bottom area by construction.
    const QList<QDockWidget*> docks = DockedClients(Qt::BottomDockWidgetArea);
    if (!docks.isEmpty())
        resizeDocks(docks, QList<int>(docks.size(), kDockOverHeight), Qt::Vertical);
}

void TMainForm::LeftPanUnDock(QDockWidget* leaving)
{
    QList<QDockWidget*> others = DockedClients(Qt::LeftDockWidgetArea);
    others.removeAll(leaving);
    if (!others.isEmpty())
        return;
    // The emptied area collapses; the floating workspace panel gets its own width.
    if (frmWorkSpace) {
        frmWorkSpace->resize(kFloatingWorkSpaceWidth, frmWorkSpace->height());
    }
}

void TMainForm::BottomPanUnDock(QDockWidget* leaving)
{
    // An emptied bottom area collapses by itself; nothing else changes.
    Q_UNUSED(leaving);
}
