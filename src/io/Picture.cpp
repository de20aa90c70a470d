// SPDX-License-Identifier: GPL-3.0-or-later
#include "Picture.h"

#include "ForwardingDevice.h"
#include "SafeFileQt.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImageWriter>
#include <QMimeData>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QPainter>
#include <QSvgRenderer>

#include <gl2ps.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace picture {
namespace {

// Floats of feedback buffer a vector picture may take at most (256 MB).
constexpr GLint kMaxFeedbackFloats = GLint(1) << 26;

// An OpenGL context of the views' share group (so the views' textures and
// glyph lists are there) drawing into a framebuffer object of a given size.
class OffscreenTarget {
public:
    OffscreenTarget() = default;
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;
    ~OffscreenTarget()
    {
        if (!FCurrent)
            return;
        gl::Sync();
        FFbo.reset();
        FContext.doneCurrent();
    }

    QString Open(int width, int height)
    {
        if (width <= 0 || height <= 0)
            return QStringLiteral("A picture needs a width and a height of at least one pixel");
        if (width > kMaxSide || height > kMaxSide || qint64(width) * height > kMaxPixels)
            return QStringLiteral("A picture of %1 x %2 pixels is too large (at most %3 pixels a side and "
                                  "%4 million pixels)")
                .arg(width)
                .arg(height)
                .arg(kMaxSide)
                .arg(kMaxPixels / 1000000);
        // Whatever the current context still holds back belongs to it.
        gl::Sync();
        const QSurfaceFormat format = QSurfaceFormat::defaultFormat();
        FSurface.setFormat(format);
        FSurface.create();
        FContext.setFormat(format);
        FContext.setShareContext(QOpenGLContext::globalShareContext());
        if (!FSurface.isValid() || !FContext.create() || !FContext.makeCurrent(&FSurface))
            return QStringLiteral("No OpenGL context for an off-screen picture");
        FCurrent = true;
        GLint maxTexture = 0, maxRenderbuffer = 0, maxViewport[2] = {0, 0};
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
        glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
        const GLint maxWidth = std::min({maxTexture, maxRenderbuffer, maxViewport[0]});
        const GLint maxHeight = std::min({maxTexture, maxRenderbuffer, maxViewport[1]});
        if (width > maxWidth || height > maxHeight)
            return QStringLiteral("A picture of %1 x %2 pixels is larger than OpenGL draws here (%3 x %4)")
                .arg(width)
                .arg(height)
                .arg(maxWidth)
                .arg(maxHeight);
        QOpenGLFramebufferObjectFormat fboFormat;
        fboFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
        fboFormat.setInternalTextureFormat(GL_RGBA8);
        FFbo = std::make_unique<QOpenGLFramebufferObject>(width, height, fboFormat);
        if (!FFbo->isValid() || !FFbo->bind())
            return QStringLiteral("No off-screen framebuffer of %1 x %2 pixels").arg(width).arg(height);
        return {};
    }

    // The framebuffer's pixels, opaque, top row first.
    QImage Read(int width, int height)
    {
        gl::Sync();
        QImage image(width, height, QImage::Format_RGBA8888);
        if (image.isNull())
            return image;
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
        // The views clear with alpha 0; a picture is opaque.
        uchar* bits = image.bits();
        const qsizetype bytes = image.sizeInBytes();
        for (qsizetype i = 3; i < bytes; i += 4)
            bits[i] = 0xFF;
        image.mirror(); // OpenGL's rows run bottom up
        return image.convertToFormat(QImage::Format_RGB32);
    }

private:
    QOffscreenSurface FSurface;
    QOpenGLContext FContext;
    std::unique_ptr<QOpenGLFramebufferObject> FFbo;
    bool FCurrent = false;
};

// Passes every call to the real device, and tells gl2ps what its feedback
// does not show: the text that GLTextOut draws as bitmap glyphs goes to gl2ps
// as text at the current raster position, and line widths and point sizes
// go to gl2ps as well.
class Gl2psDevice final : public gl::ForwardingDevice {
public:
    Gl2psDevice() : ForwardingDevice(gl::realDevice()) {}

    void CallLists(GLsizei n, GLenum type, const GLvoid* lists) override
    {
        if ((type == GL_BYTE || type == GL_UNSIGNED_BYTE) && n > 0 && lists) {
            Target().Sync(); // what came before the text reaches the feedback first
            const std::string text(static_cast<const char*>(lists), static_cast<std::size_t>(n));
            gl2psText(text.c_str(), "Helvetica", 10);
            return;
        }
        Target().CallLists(n, type, lists);
    }
    void LineWidth(GLfloat width) override
    {
        Target().LineWidth(width);
        gl2psLineWidth(width);
    }
    void PointSize(GLfloat size) override
    {
        Target().PointSize(size);
        gl2psPointSize(size);
    }
};

GLint Gl2psFormat(VectorFormat format)
{
    switch (format) {
    case VectorFormat::Pdf:
        return GL2PS_PDF;
    case VectorFormat::Eps:
        return GL2PS_EPS;
    case VectorFormat::Svg:
        break;
    }
    return GL2PS_SVG;
}

enum class Kind { Bitmap, Vector, Unknown };

struct SaveType {
    const char* filter;
    const char* extension;
    Kind kind;
    VectorFormat vector;
};

const SaveType kSaveTypes[] = {
    {"PNG image (*.png)", "png", Kind::Bitmap, VectorFormat::Svg},
    {"JPEG image (*.jpg *.jpeg)", "jpg", Kind::Bitmap, VectorFormat::Svg},
    {"Bitmap (*.bmp)", "bmp", Kind::Bitmap, VectorFormat::Svg},
    {"SVG drawing (*.svg)", "svg", Kind::Vector, VectorFormat::Svg},
    {"PDF document (*.pdf)", "pdf", Kind::Vector, VectorFormat::Pdf},
    {"EPS drawing (*.eps)", "eps", Kind::Vector, VectorFormat::Eps},
};

QString WriteWhole(const QString& fileName, const QByteArray& bytes)
{
    const QString reason = safefile::WriteWhole(fileName, bytes);
    return reason.isEmpty() ? QString() : QStringLiteral("Could not write %1: %2").arg(fileName, reason);
}

} // namespace

QImage RenderImage(const DrawFunction& draw, int width, int height, QString& error)
{
    OffscreenTarget target;
    error = target.Open(width, height);
    if (!error.isEmpty())
        return {};
    draw(width, height);
    QImage image = target.Read(width, height);
    if (image.isNull())
        error = QStringLiteral("Not enough memory for a picture of %1 x %2 pixels").arg(width).arg(height);
    return image;
}

namespace {

// Draws the picture through gl2ps into the stream `begin` gives. When the
// drawing does not fit the feedback buffer, `begin` is called again (for a
// larger buffer) and must give an emptied stream. Returns an empty string or
// what went wrong.
QString DrawVector(const DrawFunction& draw, int width, int height, VectorFormat format, const QString& title,
                   const std::function<FILE*()>& begin)
{
    OffscreenTarget target;
    QString error = target.Open(width, height);
    if (!error.isEmpty())
        return error;
    // A first frame leaves the drawing's state in the context, so that gl2ps
    // takes the background from its clear colour.
    draw(width, height);
    gl::Sync();
    GLint viewport[4] = {0, 0, width, height};
    const QByteArray titleText = title.toUtf8();
    // The feedback buffer grows until the whole drawing fits.
    for (GLint size = GLint(1) << 20; size <= kMaxFeedbackFloats; size *= 2) {
        FILE* stream = begin();
        if (!stream)
            return QStringLiteral("No memory for a vector picture");
        GLint state = gl2psBeginPage(
            titleText.constData(), "Corvane", viewport, Gl2psFormat(format), GL2PS_SIMPLE_SORT,
            GL2PS_SILENT | GL2PS_SIMPLE_LINE_OFFSET | GL2PS_DRAW_BACKGROUND | GL2PS_NO_BLENDING, GL_RGBA, 0,
            nullptr, 0, 0, 0, size, stream, "picture");
        if (state == GL2PS_SUCCESS) {
            {
                Gl2psDevice device;
                gl::ScopedDevice scope(device);
                draw(width, height);
            }
            gl::Sync();
            state = gl2psEndPage();
        }
        if (state == GL2PS_OVERFLOW)
            continue;
        if (state != GL2PS_SUCCESS && state != GL2PS_NO_FEEDBACK)
            return QStringLiteral("gl2ps could not make the vector picture (state %1)").arg(state);
        return {};
    }
    return QStringLiteral("The drawing has too many parts for a vector picture; save it as a bitmap");
}

} // namespace

QByteArray RenderVector(const DrawFunction& draw, int width, int height, VectorFormat format,
                        const QString& title, QString& error)
{
    char* data = nullptr;
    std::size_t length = 0;
    FILE* stream = nullptr;
    auto close = [&] {
        if (stream)
            std::fclose(stream);
        stream = nullptr;
    };
    error = DrawVector(draw, width, height, format, title, [&]() -> FILE* {
        close();
        std::free(data);
        data = nullptr;
        length = 0;
        stream = open_memstream(&data, &length);
        return stream;
    });
    close();
    QByteArray bytes;
    if (error.isEmpty())
        bytes = QByteArray(data, static_cast<qsizetype>(length));
    std::free(data);
    return bytes;
}

QStringList SaveFilters()
{
    QStringList filters;
    for (const SaveType& type : kSaveTypes)
        filters << QString::fromLatin1(type.filter);
    return filters;
}

QString WithPictureExtension(const QString& fileName, const QString& filter)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    for (const SaveType& type : kSaveTypes)
        if (filter == QLatin1String(type.filter))
            return fileName + QLatin1Char('.') + QLatin1String(type.extension);
    return fileName + QStringLiteral(".png");
}

QString SavePicture(const DrawFunction& draw, int width, int height, const QString& fileName,
                    const QString& title)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    const SaveType* type = nullptr;
    for (const SaveType& t : kSaveTypes)
        if (suffix == QLatin1String(t.extension) ||
            (suffix == QLatin1String("jpeg") && t.kind == Kind::Bitmap &&
             QLatin1String(t.extension) == QLatin1String("jpg")))
            type = &t;
    if (!type)
        return QStringLiteral("Could not save %1: pictures are saved as PNG, JPEG, BMP, SVG, PDF or EPS")
            .arg(fileName);
    auto unwritten = [&](const std::string& reason) {
        return QStringLiteral("Could not write %1: %2").arg(fileName, QString::fromStdString(reason));
    };
    QString error;
    if (type->kind == Kind::Vector) {
        // gl2ps writes straight into the temporary file; a drawing that does
        // not fit its buffer starts the file again.
        safefile::Writer file(safefile::LocalPath(fileName));
        if (!file.Open())
            return unwritten(file.Reason());
        error = DrawVector(draw, width, height, type->vector, title, [&]() -> FILE* {
            FILE* stream = file.Stream();
            return stream && file.Restart() ? stream : nullptr;
        });
        if (file.Failed())
            return unwritten(file.Reason());
        if (!error.isEmpty())
            return QStringLiteral("Could not save %1: %2").arg(fileName, error);
        if (!file.Commit())
            return unwritten(file.Reason());
        return {};
    }
    const QImage image = RenderImage(draw, width, height, error);
    if (!error.isEmpty())
        return QStringLiteral("Could not save %1: %2").arg(fileName, error);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, type->extension);
    if (!writer.write(image))
        return QStringLiteral("Could not write %1: %2").arg(fileName, writer.errorString());
    return WriteWhole(fileName, bytes);
}

std::unique_ptr<QMimeData> ClipboardData(const QImage& bitmap, const QByteArray& svg)
{
    auto data = std::make_unique<QMimeData>();
    data->setImageData(bitmap);
    if (!svg.isEmpty())
        data->setData(QStringLiteral("image/svg+xml"), svg);
    return data;
}

void PaintPage(QPainter& painter, const QRectF& page, const QString& caption, const QByteArray& svg,
               const QImage& bitmap)
{
    painter.save();
    QFont font = painter.font();
    font.setPointSizeF(12);
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const qreal captionHeight = caption.isEmpty() ? 0 : metrics.height() * 1.5;
    if (!caption.isEmpty())
        painter.drawText(QRectF(page.left(), page.top(), page.width(), captionHeight),
                         Qt::AlignHCenter | Qt::AlignTop, caption);
    const QRectF room(page.left(), page.top() + captionHeight, page.width(), page.height() - captionHeight);

    QSvgRenderer renderer(svg);
    const bool vector = !svg.isEmpty() && renderer.isValid();
    QSizeF size = vector ? renderer.viewBoxF().size() : QSizeF(bitmap.size());
    if (size.isEmpty() || room.isEmpty()) {
        painter.restore();
        return;
    }
    size.scale(room.size(), Qt::KeepAspectRatio);
    const QRectF target(room.left() + (room.width() - size.width()) / 2, room.top(), size.width(),
                        size.height());
    if (vector)
        renderer.render(&painter, target);
    else
        painter.drawImage(target, bitmap);
    painter.restore();
}

} // namespace picture
