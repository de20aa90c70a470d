// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An offscreen OpenGL context with a small framebuffer, for the tests that
// compare what the device draws with what immediate mode draws.
#include "GlDevice.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

#include <cstdint>
#include <memory>
#include <vector>

namespace pixeltest {

inline constexpr int kSize = 64;
inline constexpr GLuint kList = 7000;

// An offscreen context drawing into a kSize x kSize framebuffer.
class Canvas {
public:
    Canvas()
    {
        FSurface.setFormat(QSurfaceFormat::defaultFormat());
        FSurface.create();
        FContext.setFormat(QSurfaceFormat::defaultFormat());
        FContext.create();
        MakeCurrent();
        FFrame = std::make_unique<QOpenGLFramebufferObject>(kSize, kSize,
                                                            QOpenGLFramebufferObject::CombinedDepthStencil);
        FFrame->bind();
        glViewport(0, 0, kSize, kSize);
    }
    ~Canvas()
    {
        MakeCurrent();
        FFrame.reset();
        FContext.doneCurrent();
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Valid() const { return FContext.isValid() && FFrame && FFrame->isValid(); }
    void MakeCurrent()
    {
        gl::Sync();
        FContext.makeCurrent(&FSurface);
        if (FFrame)
            FFrame->bind();
    }
    std::vector<std::uint32_t> Pixels()
    {
        gl::Sync();
        std::vector<std::uint32_t> pixels(kSize * kSize);
        glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

private:
    QOffscreenSurface FSurface;
    QOpenGLContext FContext;
    std::unique_ptr<QOpenGLFramebufferObject> FFrame;
};

} // namespace pixeltest
