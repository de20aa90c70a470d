// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

// A filled square with a one-pixel outline: a colour swatch.
class TShape : public QWidget {
    Q_OBJECT

public:
    explicit TShape(QWidget* parent = nullptr) : QWidget(parent) {}

    QColor BrushColor() const { return FBrush; }
    QColor PenColor() const { return FPen; }
    void SetBrushColor(const QColor& colour);
    void SetPenColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor FBrush = Qt::white;
    QColor FPen = Qt::black;
};
