// SPDX-License-Identifier: GPL-3.0-or-later
// Textures, material and colours of the current object.
#include "ContextScope.h"
#include "TGLObject.h"
#include "TexturePicture.h"
#include "TfrmPlot.h"
#include "ViewPanels.h"

#include <QImage>

#include <stdexcept>
#include <vector>

GLuint TfrmPlot::CreateTexture(const QImage& bitmap)
{
    FIgnoreMouseMove = true;
    const int w = bitmap.width();
    const int h = bitmap.height();
    if (w <= 0 || h <= 0)
        throw std::runtime_error("The picture is empty: it has no pixels to make a texture from");

    // Tightly packed red, green, blue rows, the picture's top row first.
    const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB888);
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;
    std::vector<GLubyte> pixels(rowBytes * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        std::copy_n(rgb.constScanLine(y), rowBytes,
                    pixels.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));

    ContextScope scope(*this);
    GLuint name = 0;
    gl::GenTextures(1, &name);
    if (name == 0)
        throw std::runtime_error("Could not make a texture: the view has no OpenGL context");
    gl::BindTexture(GL_TEXTURE_2D, name);
    gl::TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(FTextureFilter));
    gl::TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(FTextureFilter));
    gl::PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl::PixelStorei(GL_PACK_ALIGNMENT, 1);

    // Powers of two, never larger than the picture nor than OpenGL can hold.
    GLint maxSize = 0;
    gl::GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const int limit = PowerOfTwoAtMost(maxSize > 0 ? maxSize : 1);
    const int w2 = std::min(PowerOfTwoAtMost(w), limit);
    const int h2 = std::min(PowerOfTwoAtMost(h), limit);
    if (w2 == w && h2 == h) {
        gl::TexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    } else {
        std::vector<GLubyte> scaled(static_cast<std::size_t>(w2) * static_cast<std::size_t>(h2) * 3);
        if (gl::ScaleImage(GL_RGB, w, h, GL_UNSIGNED_BYTE, pixels.data(), w2, h2, GL_UNSIGNED_BYTE,
                           scaled.data()) != 0) {
            gl::BindTexture(GL_TEXTURE_2D, 0);
            throw std::runtime_error("Could not scale image down to a power of 2!");
        }
        gl::TexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w2, h2, 0, GL_RGB, GL_UNSIGNED_BYTE, scaled.data());
    }
    gl::BindTexture(GL_TEXTURE_2D, 0);
    return name;
}

void TfrmPlot::ReplaceTexturePicture(GLuint name, const QImage& picture)
{
    if (name == 0 || picture.isNull())
        return;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    const std::size_t rowBytes = std::size_t(rgb.width()) * 3;
    std::vector<GLubyte> pixels(rowBytes * std::size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y)
        std::copy_n(rgb.constScanLine(y), rowBytes,
                    pixels.begin() + std::ptrdiff_t(rowBytes * std::size_t(y)));
    ContextScope scope(*this);
    gl::BindTexture(GL_TEXTURE_2D, name);
    gl::PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl::TexImage2D(GL_TEXTURE_2D, 0, GL_RGB, rgb.width(), rgb.height(), 0, GL_RGB, GL_UNSIGNED_BYTE,
                   pixels.data());
    gl::BindTexture(GL_TEXTURE_2D, 0);
}

void TfrmPlot::SetCurrentTexture(GLuint name)
{
    if (TGLObject* current = FDocument->Current())
        FDocument->EditObject(current, QStringLiteral("Texture"),
                              [name](TGLObject& obj) { obj.SetTexture(name); });
}

void TfrmPlot::SetCurrentMaterial(float r, float g, float b, float shininess)
{
    // Consecutive material changes (a slider moved) make one undo step.
    constexpr int kMergeMaterial = 100;
    if (TGLObject* current = FDocument->Current())
        FDocument->EditObject(
            current, QStringLiteral("Material"),
            [&](TGLObject& obj) {
                obj.SetSpecular(r, g, b);
                obj.SetShininess(shininess);
            },
            kMergeMaterial);
}

void TfrmPlot::ApplyCurrentColors()
{
    const TColorSource* source = FPanels.colors;
    TGLObject* current = FDocument->Current();
    if (!current || !source)
        return;
    // The object's and the background's colour change as one step.
    const int foreground = source->ForegroundColor();
    FDocument->UndoStack()->beginMacro(QStringLiteral("Colours"));
    FDocument->EditObject(current, QStringLiteral("Colour"),
                          [foreground](TGLObject& obj) { obj.SetColor(foreground); });
    SetBackColor(source->BackgroundColor());
    FDocument->UndoStack()->endMacro();
    RenderScene(GL_RENDER);
}
