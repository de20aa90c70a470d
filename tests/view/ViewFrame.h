// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TfrmPlot.h"

#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <gtest/gtest.h>

// The whole framebuffer of a view as it stands (x right, y down), read from
// OpenGL in one go without drawing anything.
inline QImage ReadFrame(TfrmPlot* view)
{
    view->makeCurrent();
    QOpenGLFunctions* f = view->context()->functions();
    const qreal dpr = view->devicePixelRatioF();
    const int w = static_cast<int>(view->width() * dpr);
    const int h = static_cast<int>(view->height() * dpr);
    QImage image(w, h, QImage::Format_RGBA8888);
    f->glBindFramebuffer(GL_FRAMEBUFFER, view->defaultFramebufferObject());
    f->glPixelStorei(GL_PACK_ALIGNMENT, 4);
    f->glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}

// Equal pictures, or a failure that says how many pixels differ and where the first is.
inline ::testing::AssertionResult SamePicture(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure()
               << "sizes " << a.width() << "x" << a.height() << " and " << b.width() << "x" << b.height();
    int differ = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && differ++ == 0)
                first = QPoint(x, y);
    if (differ == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << differ << " of " << a.width() * a.height() << " pixels differ, the first at (" << first.x()
           << ", " << first.y() << "): " << std::hex << a.pixel(first) << " and " << b.pixel(first);
}
