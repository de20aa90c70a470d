#pragma once

#include <QHash>
#include <QMainWindow>

class QDockWidget;
class QMdiArea;
class QMdiSubWindow;
class QToolBar;
class TfrmPlot;

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

protected:
    // Closing the frame ends the event loop, whatever other windows are open.
    void closeEvent(QCloseEvent* event) override;

private:
    void PanelDocked(QDockWidget* panel, Qt::DockWidgetArea area);
    void PanelFloated(QDockWidget* panel);

    QMdiArea* FMdiArea;
    QToolBar* FToolBar4;
    QHash<QDockWidget*, Qt::DockWidgetArea> FPanelArea; // where each panel last docked
};
