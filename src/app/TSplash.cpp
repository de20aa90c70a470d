// SPDX-License-Identifier: GPL-3.0-or-later
#include "TSplash.h"

#include "Icons.h"

#include <QApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include <algorithm>

namespace {

// A shaded cube seen from above: three faces around the near corner centre.
void DrawEmblem(QPainter& p, QPointF c, double s)
{
    const QPointF top(c.x(), c.y() - s), right(c.x() + s * 0.87, c.y() - s * 0.5),
        left(c.x() - s * 0.87, c.y() - s * 0.5), down(c.x(), c.y() + s),
        rightDown(c.x() + s * 0.87, c.y() + s * 0.5), leftDown(c.x() - s * 0.87, c.y() + s * 0.5);
    auto face = [&](std::initializer_list<QPointF> pts, QColor colour) {
        QPainterPath path;
        auto it = pts.begin();
        path.moveTo(*it);
        for (++it; it != pts.end(); ++it)
            path.lineTo(*it);
        path.closeSubpath();
        p.fillPath(path, colour);
        p.setPen(QPen(QColor(255, 255, 255, 160), s / 30));
        p.drawPath(path);
    };
    face({top, right, c, left}, QColor(230, 120, 60));
    face({left, c, down, leftDown}, QColor(180, 80, 40));
    face({c, right, rightDown, down}, QColor(140, 60, 30));
}

} // namespace

// The program's icon (also installed for the desktop): drawn from its SVG, so
// it is sharp at any size and screen scale.
QIcon TSplash::Emblem() { return corvane::Icon("corvane"); }

TSplash::TSplash()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FImage1(new QLabel(this))
{
    setWindowTitle(QStringLiteral("Splash"));
    FImage1->setObjectName(QStringLiteral("Image1"));
    FImage1->setGeometry(0, 0, 273, 209);
    FImage1->setScaledContents(true);
    // Drawn for the screen's pixel density, so that it stays sharp on a
    // high-density screen.
    FImage1->setPixmap(QPixmap::fromImage(Picture(qApp->devicePixelRatio())));
}

void TSplash::FormCreate()
{
    setFixedSize(FImage1->size());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    move(screen.center() - rect().center());
}

QImage TSplash::Picture(qreal scale)
{
    scale = std::clamp(scale, 1.0, 4.0);
    QImage image(qRound(294 * scale), qRound(220 * scale), QImage::Format_RGB888);
    image.setDevicePixelRatio(scale);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, 220);
    sky.setColorAt(0, QColor(24, 38, 74));
    sky.setColorAt(1, QColor(70, 110, 170));
    p.fillRect(QRectF(0, 0, 294, 220), sky);

    // The program's emblem, a shaded cube.
    const QPointF c(92, 112);
    DrawEmblem(p, c, 46);

    // Axes from the cube's near corner.
    p.setPen(QPen(QColor(255, 80, 80), 2));
    p.drawLine(c, QPointF(c.x() + 70, c.y() + 40));
    p.setPen(QPen(QColor(90, 230, 90), 2));
    p.drawLine(c, QPointF(c.x(), c.y() - 80));
    p.setPen(QPen(QColor(110, 160, 255), 2));
    p.drawLine(c, QPointF(c.x() - 70, c.y() + 40));

    p.setPen(Qt::white);
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(150, 70, 140, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Corvane"));
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(13);
    p.setFont(small);
    p.drawText(QRect(152, 108, 140, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("version 0.75"));
    p.drawText(QRect(152, 128, 140, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("3-D scene composer"));
    p.end();
    return image;
}
