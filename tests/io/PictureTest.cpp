// SPDX-License-Identifier: GPL-3.0-or-later
#include "Picture.h"
#include "MeshSamples.h"
#include "TGLObject.h"
#include "TestSupport.h"
#include "TfrmPlot.h"

#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

constexpr int kGrey = 0x808080;

// A view of a grey cube (not selected, so only the view's own axes are
// coloured) beside the three coloured axes.
class PictureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = host.AddView();
        ASSERT_TRUE(view->HasContext());
        ResizeClient(view, 320, 240);
        view->AddCube(0, 0);
        view->GetCurrentObject()->SetColor(kGrey);
        view->PickObject(2, 2); // nothing there: no current object
        ASSERT_EQ(view->GetCurrentObject(), nullptr);
        view->RenderScene(GL_RENDER);
    }

    picture::DrawFunction Draw()
    {
        return [this](int w, int h) { view->DrawPicture(w, h); };
    }

    QByteArray Vector(picture::VectorFormat format)
    {
        QString error;
        const QByteArray bytes = picture::RenderVector(Draw(), view->width(), view->height(), format,
                                                       QStringLiteral("Fig.1"), error);
        EXPECT_EQ(error, QString());
        return bytes;
    }

    // Pixels of the view of each axis colour, and of the cube and background.
    QList<QPoint> ChosenPoints()
    {
        QList<QPoint> points{QPoint(view->width() / 2, view->height() / 2), QPoint(3, 3)};
        for (const QColor wanted : {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 0, 255)}) {
            bool found = false;
            for (int y = 0; y < view->height() && !found; y += 2)
                for (int x = 0; x < view->width() && !found; x += 2)
                    if (ReadPixel(view, x, y) == wanted) {
                        points << QPoint(x, y);
                        found = true;
                    }
            EXPECT_TRUE(found) << wanted.name().toStdString();
        }
        return points;
    }

    ViewHost host;
    TfrmPlot* view = nullptr;
};

// Colours the SVG fills and strokes with, as "#rrggbb".
QSet<QString> SvgColours(const QByteArray& svg, QStringList* texts = nullptr)
{
    QSet<QString> colours;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        for (const QXmlStreamAttribute& a : xml.attributes()) {
            const QString value = a.value().toString().toLower();
            for (qsizetype at = value.indexOf(QLatin1Char('#')); at >= 0 && at + 7 <= value.size();
                 at = value.indexOf(QLatin1Char('#'), at + 1))
                colours << value.mid(at, 7);
            if (value.startsWith(QStringLiteral("rgb(")))
                colours << QColor::fromString(value).name();
        }
        if (texts && xml.name() == QLatin1String("text"))
            *texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return colours;
}

// Every stream of a PDF, inflated where it is compressed, one after another.
QByteArray PdfContents(const QByteArray& pdf)
{
    QByteArray contents;
    for (qsizetype at = pdf.indexOf("stream"); at >= 0; at = pdf.indexOf("stream", at + 1)) {
        if (at > 0 && pdf[at - 1] == 'd') // "endstream"
            continue;
        qsizetype start = at + 6;
        if (pdf.mid(start, 2) == "\r\n")
            start += 2;
        else if (pdf.mid(start, 1) == "\n")
            start += 1;
        const qsizetype end = pdf.indexOf("endstream", start);
        if (end < 0)
            break;
        const QByteArray data = pdf.mid(start, end - start);
        const qsizetype dictionary = pdf.lastIndexOf(" obj", at);
        if (pdf.mid(dictionary, at - dictionary).contains("/FlateDecode"))
            // qUncompress takes the zlib data after a four-byte size hint (it grows as needed).
            contents += qUncompress(QByteArray("\0\1\0\0", 4) + data);
        else
            contents += data;
        at = end;
    }
    return contents;
}

TEST_F(PictureTest, TheBitmapAndItsPngShowTheViewsPixels)
{
    QString error;
    const QImage image = picture::RenderImage(Draw(), view->width(), view->height(), error);
    ASSERT_EQ(error, QString());
    ASSERT_EQ(image.size(), view->size());
    EXPECT_FALSE(image.hasAlphaChannel());

    samples::Folder folder;
    const QString png = folder.Path(QStringLiteral("view.png"));
    ASSERT_EQ(picture::SavePicture(Draw(), view->width(), view->height(), png, QString()), QString());
    const QImage saved(png);
    ASSERT_EQ(saved.size(), view->size());
    for (const QPoint& p : ChosenPoints()) {
        const QColor onScreen = ReadPixel(view, p.x(), p.y());
        EXPECT_EQ(image.pixelColor(p), onScreen) << p.x() << "," << p.y();
        EXPECT_EQ(saved.pixelColor(p), onScreen) << p.x() << "," << p.y();
    }
    EXPECT_EQ(image.pixelColor(view->width() / 2, view->height() / 2), QColor(kGrey));
}

TEST_F(PictureTest, ALargePictureIsRenderedOffScreenAndAnImpossibleOneRefused)
{
    QString error;
    const QImage large = picture::RenderImage(Draw(), 4000, 3000, error);
    ASSERT_EQ(error, QString());
    ASSERT_EQ(large.size(), QSize(4000, 3000));
    EXPECT_EQ(large.pixelColor(2000, 1500), QColor(kGrey));
    EXPECT_EQ(large.pixelColor(5, 5), QColor(Qt::white));

    for (const QSize size : {QSize(0, 100), QSize(100, -1), QSize(100000, 100), QSize(16000, 16000)}) {
        const QImage refused = picture::RenderImage(Draw(), size.width(), size.height(), error);
        EXPECT_TRUE(refused.isNull());
        EXPECT_FALSE(error.isEmpty()) << size.width() << "x" << size.height();
    }
    // The view still draws in its own context afterwards.
    view->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(view, view->width() / 2, view->height() / 2), QColor(kGrey));
}

TEST_F(PictureTest, TheSvgHoldsTheAxesColoursTheCubeAndTheLabelsAsText)
{
    QStringList texts;
    const QSet<QString> colours = SvgColours(Vector(picture::VectorFormat::Svg), &texts);
    for (const char* colour : {"#ffffff", "#ff0000", "#00ff00", "#0000ff", "#808080"})
        EXPECT_TRUE(colours.contains(QLatin1String(colour))) << colour;
    EXPECT_FALSE(colours.contains(QStringLiteral("#000000")));
    EXPECT_TRUE(texts.contains(QStringLiteral("X")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Y")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Z")));

    // Without the axes, none of their colours and no labels remain; the
    // background is the view's.
    view->SetDrawAxis(false);
    view->SetBackColor(0x203040);
    texts.clear();
    const QSet<QString> bare = SvgColours(Vector(picture::VectorFormat::Svg), &texts);
    for (const char* colour : {"#ff0000", "#00ff00", "#0000ff"})
        EXPECT_FALSE(bare.contains(QLatin1String(colour))) << colour;
    EXPECT_TRUE(bare.contains(QStringLiteral("#808080")));
    EXPECT_TRUE(bare.contains(QStringLiteral("#403020")));
    EXPECT_TRUE(texts.isEmpty());
}

TEST_F(PictureTest, PdfAndEpsAreValidDocumentsWithTheDrawingAndItsLabels)
{
    const QByteArray pdf = Vector(picture::VectorFormat::Pdf);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.contains("/Type /Page"));
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
    for (const char* label : {"(X) Tj", "(Y) Tj", "(Z) Tj"})
        EXPECT_TRUE(pdf.contains(label)) << label;

    const QByteArray eps = Vector(picture::VectorFormat::Eps);
    EXPECT_TRUE(eps.startsWith("%!PS-Adobe-3.0 EPSF-3.0"));
    EXPECT_TRUE(eps.contains("%%BoundingBox: 0 0 320 240"));
    EXPECT_TRUE(eps.contains("(X)"));

    samples::Folder folder;
    for (const char* name : {"v.svg", "v.pdf", "v.eps", "v.jpg", "v.bmp"}) {
        const QString path = folder.Path(QString::fromLatin1(name));
        EXPECT_EQ(picture::SavePicture(Draw(), 320, 240, path, QStringLiteral("Fig.1")), QString()) << name;
        EXPECT_GT(QFileInfo(path).size(), 100) << name;
    }
    const QString unknown = folder.Path(QStringLiteral("v.xyz"));
    EXPECT_FALSE(picture::SavePicture(Draw(), 320, 240, unknown, QString()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(unknown));
}

TEST_F(PictureTest, APrintedPageCarriesTheCaptionAndTheVectorDrawing)
{
    samples::Folder folder;
    const QString path = folder.Path(QStringLiteral("page.pdf"));
    {
        QPdfWriter writer(path);
        writer.setPageSize(QPageSize(QPageSize::A4));
        QPainter painter(&writer);
        QString error;
        const QImage bitmap = picture::RenderImage(Draw(), 320, 240, error);
        picture::PaintPage(painter, QRectF(QPointF(0, 0), QSizeF(writer.width(), writer.height())),
                           QStringLiteral("Fig.1"), Vector(picture::VectorFormat::Svg), bitmap);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.contains("/Type /Page"));
    // Drawn as paths (filled polygons), not pasted as one image.
    EXPECT_FALSE(pdf.contains("/Subtype /Image"));
    EXPECT_GT(PdfContents(pdf).count(" l\n"), 20);
}

TEST(Clipboard, HoldsTheBitmapAndTheSvgBesideIt)
{
    QImage bitmap(4, 3, QImage::Format_RGB32);
    bitmap.fill(Qt::red);
    const auto both = picture::ClipboardData(bitmap, "<svg/>");
    EXPECT_TRUE(both->hasImage());
    EXPECT_EQ(both->data(QStringLiteral("image/svg+xml")), QByteArray("<svg/>"));
    const auto onlyBitmap = picture::ClipboardData(bitmap, QByteArray());
    EXPECT_TRUE(onlyBitmap->hasImage());
    EXPECT_FALSE(onlyBitmap->hasFormat(QStringLiteral("image/svg+xml")));
}

} // namespace
