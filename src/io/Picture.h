// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pictures of a drawing: bitmaps rendered off screen at any size, and vector
// pictures (SVG, PDF, EPS) made from OpenGL's feedback by gl2ps.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QMimeData;
class QPainter;
class QRectF;

namespace picture {

// Draws one complete frame of width x height pixels through the OpenGL call
// layer into the current context: its state, viewport, projection, clearing
// and every object. Called with the context and framebuffer set up.
using DrawFunction = std::function<void(int width, int height)>;

// The largest side and the most pixels a picture may have.
constexpr int kMaxSide = 16384;
constexpr qint64 kMaxPixels = qint64(8192) * 8192;

// Renders the drawing off screen into an opaque image of the given size.
// On failure returns a null image and sets error.
QImage RenderImage(const DrawFunction& draw, int width, int height, QString& error);

enum class VectorFormat { Svg, Pdf, Eps };

// Renders the drawing through OpenGL's feedback into a vector picture of the
// given size in points; text drawn with GLTextOut stays text. On failure
// returns an empty array and sets error.
QByteArray RenderVector(const DrawFunction& draw, int width, int height, VectorFormat format,
                        const QString& title, QString& error);

// Filters for a file dialog: PNG, JPEG, BMP, SVG, PDF, EPS.
QStringList SaveFilters();
// The file name with the extension of the chosen filter added when it has none.
QString WithPictureExtension(const QString& fileName, const QString& filter);
// Saves the drawing as the file name's extension says (bitmap or vector).
// Returns an empty string or the message to show.
QString SavePicture(const DrawFunction& draw, int width, int height, const QString& fileName,
                    const QString& title);

// Clipboard contents: the bitmap, and beside it the SVG when one is given.
std::unique_ptr<QMimeData> ClipboardData(const QImage& bitmap, const QByteArray& svg);

// Paints a page: the caption across the top, under it the picture as large
// as fits with its proportions kept, as vectors from the SVG when there is
// one, otherwise the bitmap.
void PaintPage(QPainter& painter, const QRectF& page, const QString& caption, const QByteArray& svg,
               const QImage& bitmap);

} // namespace picture
