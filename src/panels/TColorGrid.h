// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

// The sixteen standard colours in two rows of eight. A left click (or a drag
// with the left button) chooses the foreground colour, the right button the
// background colour; the chosen squares are marked "FG" and "BG".
class TColorGrid : public QWidget {
    Q_OBJECT

public:
    explicit TColorGrid(QWidget* parent = nullptr);

    static QColor ColorAt(int index);
    int ForegroundIndex() const { return FForeground; }
    int BackgroundIndex() const { return FBackground; }
    QColor ForegroundColor() const { return ColorAt(FForeground); }
    QColor BackgroundColor() const { return ColorAt(FBackground); }
    void SetForegroundIndex(int index);
    void SetBackgroundIndex(int index);
    // The square under a point, or -1.
    int IndexAt(QPoint p) const;
    QRect CellRect(int index) const;

signals:
    // The foreground or background colour changed.
    void changed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Choose(QPoint p, Qt::MouseButtons buttons);

    int FForeground = 9;
    int FBackground = 15;
};
