// SPDX-License-Identifier: GPL-3.0-or-later
// The main frame's command handlers: views, panels, windows and help.
#include "Globals.h"
#include "Messages.h"
#include "StoragePlaces.h"
#include "TAboutBox.h"
#include "TMainForm.h"
#include "TfrmEnviroment.h"
#include "TfrmOutPut.h"
#include "TfrmPlot.h"
#include "TfrmWorkSpace.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QSet>
#include <QStatusBar>
#include <QUrl>

#include <stdexcept>

namespace {

constexpr int kShownBottomHeight = 99;
constexpr int kShownLeftWidth = 153;

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

void TMainForm::RebuildWindowMenu()
{
    QMenu* windowMenu = Menu("WindowMenu");
    windowMenu->clear();
    windowMenu->addActions(FActions.Actions({"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1",
                                             "WindowMinimizeAll1", "WindowArrangeAll1"}));
    const QList<QMdiSubWindow*> views = FMdiArea->subWindowList(QMdiArea::CreationOrder);
    if (!views.isEmpty())
        windowMenu->addSeparator();
    for (int i = 0; i < views.size(); ++i) {
        QMdiSubWindow* sub = views[i];
        const QString title = sub->widget() ? sub->widget()->windowTitle() : sub->windowTitle();
        QAction* entry =
            windowMenu->addAction(i < 9 ? QStringLiteral("&%1 %2").arg(i + 1).arg(title) : title);
        entry->setCheckable(true);
        entry->setChecked(sub == FMdiArea->currentSubWindow());
        connect(entry, &QAction::triggered, this, [this, sub] { FMdiArea->setActiveSubWindow(sub); });
    }
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
        Action("ViewOutput1")->setChecked(!frmOutPut->isHidden());
    if (frmWorkSpace)
        Action("WorkSpace1")->setChecked(!frmWorkSpace->isHidden());
}

void TMainForm::PanelClosed(QDockWidget*) { UpdatePanelEntries(); }

void TMainForm::StayOnTop1Click()
{
    // Changing a window flag re-creates the window: keep its place and size.
    const QRect geometry = this->geometry();
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, Action("StayOnTop1")->isChecked());
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
