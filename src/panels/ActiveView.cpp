// SPDX-License-Identifier: GPL-3.0-or-later
#include "ActiveView.h"

#include "TfrmPlot.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVariant>
#include <QWidget>

#include <type_traits>

TfrmPlot* ActiveViewOf(const QMainWindow* frame)
{
    if (!frame)
        return nullptr;
    const auto* area = qobject_cast<const QMdiArea*>(frame->centralWidget());
    // The current sub-window stays current while the frame itself is inactive.
    QMdiSubWindow* sub = area ? area->currentSubWindow() : nullptr;
    return sub ? qobject_cast<TfrmPlot*>(sub->widget()) : nullptr;
}

namespace {

template <typename Control> void Explain(const QList<Control*>& controls, bool viewOpen)
{
    static const char* const kHint = "corvaneOwnHint";
    for (Control* control : controls) {
        if (!control->property(kHint).isValid())
            control->setProperty(kHint, control->statusTip());
        const QString own = control->property(kHint).toString();
        if (viewOpen)
            control->setStatusTip(own);
        else
            control->setStatusTip(
                QStringLiteral("No view is open: File > New opens one") +
                (own.isEmpty() ? QString() : QStringLiteral(" (") + own + QLatin1Char(')')));
        // A menu shows no status tip for an entry that is off, but its tool
        // tip (where the menu shows tool tips): the reason goes there too.
        if constexpr (std::is_same_v<Control, QAction>)
            control->setToolTip(viewOpen ? QString()
                                         : QStringLiteral("No view is open: File > New opens one"));
    }
}

template <typename Control> void Enable(const QList<Control*>& controls, bool viewOpen)
{
    for (Control* control : controls)
        control->setEnabled(viewOpen);
    Explain(controls, viewOpen);
}

} // namespace

void ExplainNoView(const QList<QWidget*>& controls, bool viewOpen) { Explain(controls, viewOpen); }

void EnableForView(const QList<QWidget*>& controls, bool viewOpen) { Enable(controls, viewOpen); }

void EnableForView(const QList<QAction*>& commands, bool viewOpen) { Enable(commands, viewOpen); }
