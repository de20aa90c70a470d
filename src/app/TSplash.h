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

    // The 294 x 220 picture the splash stretches into its 273 x 209 control.
    static QImage Picture();
    // The program's icon, drawn at the usual icon sizes.
    static QIcon Emblem();

private:
    QLabel* FImage1;
};
