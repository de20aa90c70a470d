// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QString>

class QLabel;
class QWidget;

namespace corvane {

// A label of its natural size at a fixed place in a hand-laid-out form.
QLabel* PlaceLabel(QWidget* parent, const QString& text, QPoint at, const char* name = nullptr);

} // namespace corvane
