// SPDX-License-Identifier: GPL-3.0-or-later
#include "TShape.h"

#include <QPainter>

void TShape::SetBrushColor(const QColor& colour)
{
    FBrush = colour;
    update();
}

void TShape::SetPenColor(const QColor& colour)
{
    FPen = colour;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), FBrush);
    p.setPen(FPen);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
