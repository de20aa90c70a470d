// SPDX-License-Identifier: GPL-3.0-or-later
#include "TColorGrid.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QRgb kColors[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                          0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

} // namespace

TColorGrid::TColorGrid(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ColorGrid"));
    setMinimumSize(200, 38);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(200, 38);
}

QColor TColorGrid::ColorAt(int index) { return index >= 0 && index < 16 ? QColor(kColors[index]) : QColor(); }

QRect TColorGrid::CellRect(int index) const
{
    const int column = index % 8, row = index / 8;
    const int x0 = column * width() / 8, x1 = (column + 1) * width() / 8;
    const int y0 = row * height() / 2, y1 = (row + 1) * height() / 2;
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

int TColorGrid::IndexAt(QPoint p) const
{
    if (!rect().contains(p))
        return -1;
    return (p.y() * 2 / height()) * 8 + p.x() * 8 / width();
}

void TColorGrid::SetForegroundIndex(int index)
{
    if (index < 0 || index > 15 || index == FForeground)
        return;
    FForeground = index;
    update();
    emit changed();
}

void TColorGrid::SetBackgroundIndex(int index)
{
    if (index < 0 || index > 15 || index == FBackground)
        return;
    FBackground = index;
    update();
    emit changed();
}

void TColorGrid::Choose(QPoint p, Qt::MouseButtons buttons)
{
    const int index = IndexAt(p);
    if (index < 0)
        return;
    if (buttons & Qt::LeftButton)
        SetForegroundIndex(index);
    else if (buttons & Qt::RightButton)
        SetBackgroundIndex(index);
}

void TColorGrid::mousePressEvent(QMouseEvent* event)
{
    Choose(event->position().toPoint(), event->buttons());
}

void TColorGrid::mouseMoveEvent(QMouseEvent* event) { Choose(event->position().toPoint(), event->buttons()); }

void TColorGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    for (int i = 0; i < 16; ++i) {
        const QRect cell = CellRect(i).adjusted(1, 1, -1, -1);
        const QColor colour = ColorAt(i);
        p.fillRect(cell, colour);
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        QString mark;
        if (i == FForeground)
            mark = QStringLiteral("FG");
        if (i == FBackground)
            mark += mark.isEmpty() ? QStringLiteral("BG") : QStringLiteral("/BG");
        if (!mark.isEmpty()) {
            // Marks in the colour that stands out against the square.
            p.setPen(qGray(colour.rgb()) < 128 ? Qt::white : Qt::black);
            p.drawText(cell, Qt::AlignCenter, mark);
        }
    }
}
