// SPDX-License-Identifier: GPL-3.0-or-later
#include "Widgets.h"

#include <QLabel>

namespace corvane {

QLabel* PlaceLabel(QWidget* parent, const QString& text, QPoint at, const char* name)
{
    auto* label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QLatin1String(name));
    label->move(at);
    label->adjustSize();
    return label;
}

} // namespace corvane
