// SPDX-License-Identifier: GPL-3.0-or-later
#include "FrameFixture.h"
#include "RecordingDevice.h"
#include "TColorGrid.h"
#include "TGLObject.h"
#include "TShape.h"
#include "TfrmOutPut.h"

#include <QCheckBox>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstring>

namespace {

class OutPutTest : public FrameTest {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        out = frmOutPut;
    }

    void RightClickGrid(int index)
    {
        QTest::mouseClick(out->ColorGrid, Qt::RightButton, Qt::NoModifier,
                          out->ColorGrid->CellRect(index).center());
    }
    void LeftClickGrid(int index)
    {
        QTest::mouseClick(out->ColorGrid, Qt::LeftButton, Qt::NoModifier,
                          out->ColorGrid->CellRect(index).center());
    }

    // A picture file whose pixel (x, y) has a colour of its own.
    QString WritePicture(const char* name, int w, int h)
    {
        QImage image(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                image.setPixel(x, y, PixelAt(x, y));
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }
    static QRgb PixelAt(int x, int y) { return qRgb((x * 37) % 256, (y * 53) % 256, (x * 11 + y * 7) % 256); }

    // The texture's level-0 image as read back from OpenGL, with its size.
    static std::vector<GLubyte> ReadTexture(TfrmPlot* view, GLuint name, int& w, int& h)
    {
        EXPECT_TRUE(view->MakeCurrent());
        glBindTexture(GL_TEXTURE_2D, name);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        std::vector<GLubyte> texels(static_cast<std::size_t>(w * h * 3));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return texels;
    }

    static GLint Filter(TfrmPlot* view, GLuint name)
    {
        EXPECT_TRUE(view->MakeCurrent());
        glBindTexture(GL_TEXTURE_2D, name);
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
        glBindTexture(GL_TEXTURE_2D, 0);
        return filter;
    }

    QTemporaryDir dir;
    TfrmOutPut* out = nullptr;
};

} // namespace

TEST_F(OutPutTest, StartsOnTheColourPageWithRedOnWhite)
{
    EXPECT_EQ(MainForm->dockWidgetArea(out), Qt::BottomDockWidgetArea);
    EXPECT_EQ(out->tabData->tabText(out->tabData->currentIndex()), QStringLiteral("Color Setting"));
    EXPECT_EQ(out->FGShape->BrushColor(), QColor(Qt::red));
    EXPECT_EQ(out->ForegroundColor(), 0x0000FF);
    EXPECT_EQ(out->ColorGrid->ForegroundIndex(), 9);
    EXPECT_EQ(out->ColorGrid->BackgroundIndex(), 15);
    ASSERT_EQ(out->TextureCount(), 1);
    EXPECT_EQ(out->TextureCaption(0), QStringLiteral("None"));
    EXPECT_EQ(out->TextureName(0), 0u);
    EXPECT_EQ(out->ChosenTexture(), -1);
    // A placed object takes the foreground swatch.
    first->AddCube(0, 0);
    float r, g, b;
    first->GetCurrentObject()->GetColor(r, g, b);
    EXPECT_EQ((std::array<float, 3>{r, g, b}), (std::array<float, 3>{1, 0, 0}));
}

TEST_F(OutPutTest, GridChoicesColourTheSwatchesAndTheCurrentObjectAndBackground)
{
    RightClickGrid(12); // blue background, no current object
    EXPECT_EQ(out->BGShape->BrushColor(), QColor(0, 0, 255));
    float r, g, b;
    first->GetBackColor(r, g, b);
    EXPECT_EQ((std::array<float, 3>{r, g, b}), (std::array<float, 3>{0, 0, 0})) << "the view is untouched";
    first->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(first, 3, 3), QColor(Qt::white));

    first->AddCube(0, 0);
    LeftClickGrid(0); // black foreground
    EXPECT_EQ(out->FGShape->PenColor(), QColor(Qt::white)) << "black gets a white outline";
    first->GetCurrentObject()->GetColor(r, g, b);
    EXPECT_EQ((std::array<float, 3>{r, g, b}), (std::array<float, 3>{0, 0, 0}));
    first->GetBackColor(r, g, b);
    EXPECT_EQ((std::array<float, 3>{r, g, b}), (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(ReadPixel(first, 3, 3), QColor(0, 0, 255)) << "the view clears to blue";

    LeftClickGrid(10);
    EXPECT_EQ(out->FGShape->PenColor(), QColor(Qt::black));
    EXPECT_EQ(out->ForegroundColor(), 0x00FF00);
    second->GetBackColor(r, g, b);
    EXPECT_EQ((std::array<float, 3>{r, g, b}), (std::array<float, 3>{0, 0, 0})) << "only the active view";

    // Dragging over the grid with the left button keeps choosing.
    QTest::mousePress(out->ColorGrid, Qt::LeftButton, Qt::NoModifier, out->ColorGrid->CellRect(1).center());
    QTest::mouseMove(out->ColorGrid, out->ColorGrid->CellRect(5).center());
    QTest::mouseRelease(out->ColorGrid, Qt::LeftButton, Qt::NoModifier, out->ColorGrid->CellRect(5).center());
    EXPECT_EQ(out->ColorGrid->ForegroundIndex(), 5);
}

TEST_F(OutPutTest, OtherColourReappliesTheSwatchesEvenWhenCancelled)
{
    first->AddCube(0, 0);
    out->OtherColorChosen(QColor(10, 20, 30));
    EXPECT_EQ(out->ForegroundColor(), 10 | (20 << 8) | (30 << 16));
    first->GetCurrentObject()->SetColor(0);
    out->OtherColorChosen(std::nullopt);
    float r, g, b;
    first->GetCurrentObject()->GetColor(r, g, b);
    EXPECT_FLOAT_EQ(r, 10 / 255.f);
}

TEST_F(OutPutTest, TexturesArePowersOfTwoNotLargerThanThePicture)
{
    struct Case {
        int w, h, tw, th;
    };
    const Case cases[] = {{256, 256, 256, 256}, {300, 200, 256, 128}, {100, 100, 64, 64},
                          {513, 512, 512, 512}, {1, 1, 1, 1},         {3, 5, 2, 4},
                          {101, 64, 64, 64}};
    for (const Case& c : cases) {
        const GLuint name = first->CreateTexture(QImage(WritePicture("p.bmp", c.w, c.h)));
        int w = 0, h = 0;
        ReadTexture(first, name, w, h);
        EXPECT_EQ(w, c.tw) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.th) << c.w << "x" << c.h;
    }
}

TEST_F(OutPutTest, TextureRowsKeepTheirOrderAndAreNotSkewed)
{
    // Width 2: rows of 6 bytes, which a 4-byte row alignment would skew.
    for (QSize size : {QSize(2, 8), QSize(8, 2), QSize(16, 16)}) {
        const QImage picture(WritePicture("rows.bmp", size.width(), size.height()));
        int w = 0, h = 0;
        const auto texels = ReadTexture(first, first->CreateTexture(picture), w, h);
        ASSERT_EQ(QSize(w, h), size);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const GLubyte* t = &texels[static_cast<std::size_t>((y * w + x) * 3)];
                EXPECT_EQ(qRgb(t[0], t[1], t[2]), PixelAt(x, y)) << "texel " << x << "," << y;
            }
    }
    // Scaled pictures: columns of one colour stay columns (no skew), the top stays first.
    QImage stripes(101, 6, QImage::Format_RGB32);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 101; ++x)
            stripes.setPixel(x, y, y < 3 ? qRgb(x * 2, 255, 0) : qRgb(x * 2, 0, 255));
    int w = 0, h = 0;
    const auto texels = ReadTexture(first, first->CreateTexture(stripes), w, h);
    ASSERT_EQ(QSize(w, h), QSize(64, 4));
    for (int x = 0; x < w; ++x) {
        EXPECT_EQ(texels[static_cast<std::size_t>(x * 3)], texels[static_cast<std::size_t>((w + x) * 3)]);
        EXPECT_GT(texels[static_cast<std::size_t>(x * 3 + 1)], 200) << "the top row comes first";
        EXPECT_GT(texels[static_cast<std::size_t>((3 * w + x) * 3 + 2)], 200);
    }
}

TEST_F(OutPutTest, PicturesBeyondTheLargestTextureAreScaledToIt)
{
    gl::RecordingDevice rec;
    rec.SetMaxTextureSize(64);
    gl::ScopedDevice scope(rec);
    first->CreateTexture(QImage(300, 200, QImage::Format_RGB32));
    EXPECT_NE(rec.Text().find("gluScaleImage(GL_RGB, 300, 200, GL_UNSIGNED_BYTE, 64, 64, GL_UNSIGNED_BYTE)"),
              std::string::npos)
        << rec.Text();
    EXPECT_NE(rec.Text().find("glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE)"),
              std::string::npos);

    rec.SetScaleImageResult(GLU_OUT_OF_MEMORY);
    EXPECT_THROW(
        {
            try {
                first->CreateTexture(QImage(300, 200, QImage::Format_RGB32));
            } catch (const std::exception& e) {
                EXPECT_STREQ(e.what(), "Could not scale image down to a power of 2!");
                throw;
            }
        },
        std::runtime_error);
    EXPECT_THROW(first->CreateTexture(QImage()), std::runtime_error) << "an empty picture";
}

TEST(TextureSize, PowersOfTwoWithinTheOpenGlLimitAndTheReadersMemory)
{
    constexpr qint64 MB = 1024 * 1024;
    struct Case {
        QSize picture;
        int maxTexture;
        qint64 byteLimit;
        QSize texture;
    } cases[] = {
        {{300, 200}, 16384, 128 * MB, {256, 128}},
        {{256, 256}, 16384, 128 * MB, {256, 256}},
        {{1, 1}, 16384, 128 * MB, {1, 1}},
        {{8000, 6000}, 16384, 128 * MB, {4096, 4096}}, // a phone's photo
        {{8000, 6000}, 2048, 128 * MB, {2048, 2048}},
        {{300, 200}, 64, 128 * MB, {64, 64}},
        {{300, 200}, 100, 128 * MB, {64, 64}},           // a limit that is no power of two
        {{40000, 30000}, 16384, 128 * MB, {4096, 8192}}, // 16384 x 16384 would need 1 GB
        {{40000, 30000}, 16384, 0, {16384, 16384}},      // no memory limit
        {{70000, 3}, 65536, MB / 16, {8192, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextureSizeFor(c.picture, c.maxTexture, c.byteLimit), c.texture)
            << c.picture.width() << " x " << c.picture.height() << ", limit " << c.maxTexture;
}

TEST_F(OutPutTest, APhotoAboveTheReadersAllocationLimitBecomesATexture)
{
    // 8000 x 6000 (48 megapixels) decodes to 192 MB, above the reader's 128 MB:
    // red, green, blue and white quarters show where the picture's corners went.
    QImage photo(8000, 6000, QImage::Format_RGB888);
    auto halves = [](QRgb left, QRgb right) {
        QByteArray row;
        for (int x = 0; x < 8000; ++x) {
            const QRgb c = x < 4000 ? left : right;
            row.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        }
        return row;
    };
    const QByteArray top = halves(qRgb(255, 0, 0), qRgb(0, 255, 0));
    const QByteArray bottom = halves(qRgb(0, 0, 255), qRgb(255, 255, 255));
    for (int y = 0; y < photo.height(); ++y)
        std::memcpy(photo.scanLine(y), (y < 3000 ? top : bottom).constData(), 8000 * 3);
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_TRUE(photo.save(path, "JPEG", 90));
    photo = QImage();
    ASSERT_GT(8000LL * 6000 * 4, qint64(QImageReader::allocationLimit()) * 1024 * 1024);

    corvane::RunHandler([&] { out->AddTextureFile(path); });
    ASSERT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    ASSERT_EQ(out->TextureCount(), 2);
    EXPECT_EQ(out->TextureCaption(1), QStringLiteral("photo.jpg"));
    int w = 0, h = 0;
    const auto texels = ReadTexture(first, out->TextureName(1), w, h);
    ASSERT_EQ(QSize(w, h), QSize(4096, 4096));
    const struct {
        int x, y;
        QColor colour;
    } quarters[] = {
        {1024, 1024, Qt::red}, {3072, 1024, Qt::green}, {1024, 3072, Qt::blue}, {3072, 3072, Qt::white}};
    for (const auto& q : quarters) {
        const GLubyte* t = &texels[(static_cast<std::size_t>(q.y) * 4096 + q.x) * 3];
        EXPECT_LE(std::abs(t[0] - q.colour.red()) + std::abs(t[1] - q.colour.green()) +
                      std::abs(t[2] - q.colour.blue()),
                  24)
            << q.x << ", " << q.y << ": " << int(t[0]) << " " << int(t[1]) << " " << int(t[2]);
    }
}

TEST_F(OutPutTest, PicturesAreScaledToTheirTextureWhileTheyAreRead)
{
    // Formats that can scale while decoding hand over the texture's size; the
    // others are scaled afterwards, as before.
    const QString png = dir.filePath(QStringLiteral("p.png"));
    ASSERT_TRUE(QImage(WritePicture("p.bmp", 300, 200)).save(png));
    const struct {
        QString path;
        bool scaledAfterwards;
    } cases[] = {{png, false}, {dir.filePath(QStringLiteral("p.bmp")), true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        gl::RecordingDevice rec;
        rec.SetMaxTextureSize(64);
        gl::ScopedDevice scope(rec);
        out->AddTextureFile(c.path);
        EXPECT_NE(
            rec.Text().find("glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE)"),
            std::string::npos)
            << rec.Text();
        EXPECT_EQ(rec.Text().find("gluScaleImage(GL_RGB, 300, 200") != std::string::npos, c.scaledAfterwards)
            << rec.Text();
    }
}

TEST_F(OutPutTest, AHugePictureInAFormatThatCannotScaleIsRefusedWithAMessage)
{
    // A bitmap header that claims 9000 x 7000 pixels (252 MB decoded).
    const QString path = dir.filePath(QStringLiteral("huge.bmp"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray header(54, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, header.data() + at); };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, 9000);
    put32(22, 7000);
    qToLittleEndian<quint16>(1, header.data() + 26);
    qToLittleEndian<quint16>(24, header.data() + 28);
    file.write(header);
    file.close();
    corvane::RunHandler([&] { out->AddTextureFile(path); });
    ASSERT_EQ(messages.Errors.size(), 1);
    EXPECT_TRUE(messages.Errors.first().startsWith(QStringLiteral("The picture in ") + path +
                                                   QStringLiteral(" is 9000 x 7000 pixels")))
        << messages.Errors.first().toStdString();
    EXPECT_EQ(out->TextureCount(), 1);
    messages.Errors.clear();
}

TEST_F(OutPutTest, TheLinearFilterReachesOnlyLaterTextures)
{
    const QString picture = WritePicture("f.bmp", 4, 4);
    const GLuint before = first->CreateTexture(QImage(picture));
    out->chkbxLinear->click();
    EXPECT_EQ(first->GetTextureFilter(), static_cast<GLenum>(GL_LINEAR));
    EXPECT_EQ(second->GetTextureFilter(), static_cast<GLenum>(GL_NEAREST));
    const GLuint after = first->CreateTexture(QImage(picture));
    EXPECT_EQ(Filter(first, before), GL_NEAREST);
    EXPECT_EQ(Filter(first, after), GL_LINEAR);
}

TEST_F(OutPutTest, TheTextureListGrowsAndAppliesToTheCurrentObject)
{
    const QString red = dir.filePath(QStringLiteral("red.bmp"));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(image.save(red, "BMP"));
    out->AddTextureFile(red);
    out->AddTextureFile(red);
    ASSERT_EQ(out->TextureCount(), 3);
    EXPECT_EQ(out->TextureCaption(1), QStringLiteral("red.bmp"));
    EXPECT_EQ(out->TextureCaption(2), QStringLiteral("red.bmp"));
    EXPECT_NE(out->TextureName(1), out->TextureName(2));
    EXPECT_EQ(out->ChosenTexture(), -1) << "loading chooses nothing";

    // A texture made while the first view was active shows in the second one.
    Activate(second);
    second->SetCameraRotation(0, 0, 0);
    second->UpdateProjection();
    second->AddCube(0, 0);
    TGLObject* cube = second->GetCurrentObject();
    out->btnApplyToCurrent->click();
    EXPECT_EQ(cube->GetTexture(), 0u) << "nothing chosen: nothing happens";
    out->ChooseTexture(1);
    out->btnApplyToCurrent->click();
    EXPECT_EQ(cube->GetTexture(), out->TextureName(1));
    cube->SetColor(0xFF0000); // blue, hidden by the white modulation of the texture
    second->RenderScene(GL_RENDER);
    EXPECT_EQ(ReadPixel(second, 140, 140), QColor(255, 0, 0));

    out->ChooseTexture(0);
    out->btnApplyToCurrent->click();
    EXPECT_EQ(cube->GetTexture(), 0u) << "\"None\" removes the texture";
    EXPECT_EQ(ReadPixel(second, 140, 140), QColor(0, 0, 255));
}

TEST_F(OutPutTest, AFileThatIsNotAPictureGivesAnErrorAndNoItem)
{
    const QString text = dir.filePath(QStringLiteral("notes.bmp"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a picture");
    file.close();
    corvane::RunHandler([&] { out->AddTextureFile(text); });
    ASSERT_EQ(messages.Errors.size(), 1);
    EXPECT_TRUE(messages.Errors.first().startsWith(QStringLiteral("Could not read the picture in ") + text));
    EXPECT_EQ(out->TextureCount(), 1);
    messages.Errors.clear();
}

TEST_F(OutPutTest, TheMaterialPageSetsSpecularAndShininess)
{
    first->AddCube(0, 0);
    out->trkbrShini->setValue(100);
    out->trkbrSpecR->setValue(255);
    out->trkbrSpecG->setValue(0);
    out->trkbrSpecB->setValue(128);
    out->btnApplySpecs->click();
    const float* specular = first->GetCurrentObject()->GetSpecular();
    EXPECT_EQ(specular[0], 1);
    EXPECT_EQ(specular[1], 0);
    EXPECT_FLOAT_EQ(specular[2], 128 / 255.f);
    EXPECT_EQ(specular[3], 0);
    EXPECT_FLOAT_EQ(first->GetCurrentObject()->GetShininess(), 6);
}
