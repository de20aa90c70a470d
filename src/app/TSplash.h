// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QImage>
#include <QWidget>

class QLabel;

// The borderless, always-on-top window shown while the program starts.
class TSplash : public QWidget {
    Q_OBJECT

public:
    TSplash();

    // Creation handler: the window's client area takes the picture control's size.
    void FormCreate();

    QLabel* Image1() const { return FImage1; }

    // The 294 x 220 picture the splash stretches into its 273 x 209 control,
    // in pixels of a screen with the given pixel density (1 to 4).
    static QImage Picture(qreal scale = 1.0);
    // The program's icon, from its SVG picture (sharp at any size).
    static QIcon Emblem();

private:
    QLabel* FImage1;
};
