#include "ActiveView.h"

#include "TfrmPlot.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

TfrmPlot* ActiveViewOf(const QMainWindow* frame)
{
    if (!frame)
        return nullptr;
    const auto* area = qobject_cast<const QMdiArea*>(frame->centralWidget());
    // The current sub-window stays current while the frame itself is inactive.
    QMdiSubWindow* sub = area ? area->currentSubWindow() : nullptr;
    return sub ? qobject_cast<TfrmPlot*>(sub->widget()) : nullptr;
}
