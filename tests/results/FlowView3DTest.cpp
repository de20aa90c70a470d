// SPDX-License-Identifier: GPL-3.0-or-later
// A three-dimensional flow in the frame: synthetic fields of the flow past a
// sphere through the frame's entry point open a 3-D view with the box, a
// coloured slice that the controls move and turn, and streamlines inside
// the box; later fields show at most once a second.
#include "FlowView3D.h"
#include "FieldPicture.h"
#include "FlowFixture.h"
#include "FlowSlice.h"
#include "Globals.h"
#include "SceneBounds.h"
#include "Startup.h"
#include "TGLLines.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"
#include "TMainForm.h"
#include "TaskList.h"
#include "TestSupport.h"
#include "TfrmPlot.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// A channel of 50 x 10 x 10 nodes (spacing 0.04) past a sphere below and in
// front of its middle, in potential flow at the mean inflow speed 0.05.
constexpr double kSpeed = 0.05;
const Point3 kCentre{0.6, 0.14, 0.26};
constexpr double kRadius = 0.09;

lbm::Task ChannelTask()
{
    lbm::Task task;
    task.model = lbm::kModel3Bgk;
    task.reynolds = 20;
    task.gx = 50;
    task.gy = 10;
    task.gz = 10;
    task.flow = lbm::Flow::Channel;
    task.channel.x = 0;
    task.channel.y = 0;
    task.channel.z = 0;
    task.channel.length = 2.0;
    task.channel.height = 0.4;
    task.channel.depth = 0.4;
    return task;
}

std::shared_ptr<lbm::Fields> PastSphere(const lbm::Task& task, double speed = kSpeed)
{
    const auto offset = [](const Point3& p) {
        return Point3{p[0] - kCentre[0], p[1] - kCentre[1], p[2] - kCentre[2]};
    };
    const auto u = [&](const Point3& p) {
        const Point3 d = offset(p);
        const double r = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        const double a = std::pow(kRadius / r, 3);
        const double radial = 1.5 * a * d[0] / (r * r);
        return Point3{speed * (1 + a / 2 - radial * d[0]), -speed * radial * d[1], -speed * radial * d[2]};
    };
    const auto inside = [&](const Point3& p) {
        const Point3 d = offset(p);
        return d[0] * d[0] + d[1] * d[1] + d[2] * d[2] < kRadius * kRadius;
    };
    return std::make_shared<lbm::Fields>(MakeFlow(BoxOf(task), task.gx, task.gy, task.gz, u, inside));
}

// The sphere's surface as triangles, in bands of latitude and longitude.
std::vector<lbm::Triangle> SphereSurface()
{
    std::vector<lbm::Triangle> triangles;
    const int bands = 8, sectors = 12;
    const auto at = [](int band, int sector, double* p) {
        const double theta = M_PI * band / bands, phi = 2 * M_PI * sector / sectors;
        p[0] = kCentre[0] + kRadius * std::sin(theta) * std::cos(phi);
        p[1] = kCentre[1] + kRadius * std::cos(theta);
        p[2] = kCentre[2] + kRadius * std::sin(theta) * std::sin(phi);
    };
    for (int b = 0; b < bands; ++b)
        for (int s = 0; s < sectors; ++s) {
            lbm::Triangle upper, lower;
            at(b, s, upper.p[0]);
            at(b + 1, s, upper.p[1]);
            at(b + 1, s + 1, upper.p[2]);
            at(b, s, lower.p[0]);
            at(b + 1, s + 1, lower.p[1]);
            at(b, s + 1, lower.p[2]);
            triangles.push_back(upper);
            triangles.push_back(lower);
        }
    return triangles;
}

bool WaitFor(const std::function<bool()>& done, int milliseconds = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

bool IsObstacle(QRgb c)
{
    const QColor o(kObstacleColour);
    return std::abs(qRed(c) - o.red()) + std::abs(qGreen(c) - o.green()) + std::abs(qBlue(c) - o.blue()) < 12;
}

// Where the obstacle's colour shows in a picture: its pixels and their middle.
struct Spot {
    int pixels = 0;
    QPointF middle;
};
Spot ObstacleSpot(const QImage& frame)
{
    Spot spot;
    double sx = 0, sy = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (IsObstacle(frame.pixel(x, y))) {
                ++spot.pixels;
                sx += x;
                sy += y;
            }
    if (spot.pixels)
        spot.middle = QPointF(sx / spot.pixels, sy / spot.pixels);
    return spot;
}

// Pixels of the picture in a colour of the scale's upper half (yellow to red:
// no object, edge or background has them).
int WarmPixels(const QImage& frame)
{
    int count = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb c = frame.pixel(x, y);
            count += qRed(c) > 200 && qBlue(c) < 60;
        }
    return count;
}

class FlowView3DTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateApplicationWindows();
        MainForm->SetDataFolderParent(QDir::tempPath());
        MainForm->resize(1200, 900);
        MainForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
    }
    void TearDown() override { DestroyApplicationWindows(); }

    QImage Frame(TfrmPlot& view)
    {
        QTest::qWait(30);
        return view.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    }
    void Shoot(TfrmPlot& view, const char* name)
    {
        if (const char* folder = std::getenv("CORVANE_FLOW3D_SHOTS")) {
            QTest::qWait(50);
            MainForm->grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(QLatin1String(name)));
            view.grabFramebuffer().save(
                QDir(QString::fromLocal8Bit(folder)).filePath(QStringLiteral("view-") + QLatin1String(name)));
        }
    }

    MessageRecorder messages;
};

} // namespace

TEST_F(FlowView3DTest, TheFieldsOpenAViewWithASliceAndStreamlinesThatTheControlsMove)
{
    const lbm::Task task = ChannelTask();
    const std::shared_ptr<lbm::Fields> fields = PastSphere(task);
    const int before = MainForm->MdiArea()->subWindowList().size();
    MainForm->UpdateFlowView3D(fields, task, kSpeed);
    const QList<QMdiSubWindow*> opened =
        MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder).mid(before);
    ASSERT_EQ(opened.size(), 1);
    auto* view = qobject_cast<TfrmPlot*>(opened[0]->widget());
    ASSERT_NE(view, nullptr);
    auto* flow = view->findChild<TFlowView3D*>();
    ASSERT_NE(flow, nullptr);
    TFlowControls* controls = flow->Controls();
    ASSERT_TRUE(flow->SlicePlane() && flow->Streamlines());
    EXPECT_NE(flow->SlicePlane()->GetTexture(), 0u);
    EXPECT_NEAR(flow->Top(), LargestSpeed(*fields, kSpeed), 1e-12);
    EXPECT_GT(flow->Top(), 1.2) << "faster beside the sphere than the inflow";
    EXPECT_FALSE(view->Document()->IsModified());
    EXPECT_EQ(controls->Axis->currentIndex(), 2);
    EXPECT_EQ(controls->Position->value(), 4) << "the plane just behind the middle";
    Shoot(*view, "flow3d-first.png");

    // The slice across z in the sphere's node plane: the colour map's warm
    // end in the flow, the obstacle's grey where the sphere is.
    controls->Position->setValue(6);
    EXPECT_EQ(controls->Position->maximum(), 9);
    QImage frame = Frame(*view);
    EXPECT_GT(WarmPixels(frame), 500);
    const Spot sphere = ObstacleSpot(frame);
    EXPECT_GT(sphere.pixels, 30);
    // A plane clear of the sphere: no grey, another picture.
    controls->Position->setValue(0);
    const QImage clear = Frame(*view);
    EXPECT_EQ(ObstacleSpot(clear).pixels, 0);
    EXPECT_NE(clear, frame);

    // Streamlines from the seed line at the inflow, every point in the box.
    TGLLines* lines = flow->Streamlines();
    ASSERT_EQ(lines->GetLines().size(), std::size_t(controls->Count->value()));
    const FlowBox& box = flow->Box();
    for (const std::vector<TGLLines::Point>& line : lines->GetLines()) {
        ASSERT_GT(line.size(), 10u);
        for (const TGLLines::Point& p : line)
            for (std::size_t a = 0; a < 3; ++a) {
                EXPECT_GE(p[a], box.lo[a] - 1e-5);
                EXPECT_LE(p[a], box.hi[a] + 1e-5);
            }
    }
    controls->Count->setValue(40);
    EXPECT_EQ(lines->GetLines().size(), 40u);
    // A seed line that does not read leaves the lines as they were.
    controls->SeedTo->setText(QStringLiteral("1, two"));
    emit controls->SeedTo->editingFinished();
    EXPECT_EQ(lines->GetLines().size(), 40u);
    EXPECT_FALSE(controls->SeedTo->styleSheet().isEmpty());
    controls->DefaultSeeds->click();
    EXPECT_TRUE(controls->SeedTo->styleSheet().isEmpty());
    controls->Count->setValue(0);
    EXPECT_TRUE(lines->GetLines().empty());

    // Looked at face on, each slice through the sphere shows it where the
    // sphere lies: the pictures' turns match the planes'.
    struct Case {
        int axis, node;
        std::array<float, 3> camera;
    } const cases[] = {{2, 6, {0, 0, 0}}, {1, 3, {90, 0, 0}}, {0, 15, {0, 90, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axis);
        controls->Axis->setCurrentIndex(c.axis);
        controls->Position->setValue(c.node);
        EXPECT_EQ(controls->Position->maximum(), NodesAlong(*fields, c.axis) - 1);
        view->SetCameraRotation(c.camera[0], c.camera[1], c.camera[2]);
        view->FrameCurrentObject();
        const QImage faceOn = Frame(*view);
        const Spot spot = ObstacleSpot(faceOn);
        ASSERT_GT(spot.pixels, 30);
        // The sphere's place from the box's middle, as the camera turns it.
        TViewState camera;
        camera.CameraRotation = c.camera;
        const QVector3D off = CameraRotationMatrix(camera).map(
            QVector3D(float(kCentre[0] - 1.0), float(kCentre[1] - 0.2), float(kCentre[2] - 0.2)));
        const QPointF fromMiddle = spot.middle - QPointF(faceOn.width() / 2.0, faceOn.height() / 2.0);
        EXPECT_GT(fromMiddle.x() * off.x(), 0) << fromMiddle.x() << " " << off.x();
        EXPECT_GT(-fromMiddle.y() * off.y(), 0) << fromMiddle.y() << " " << off.y();
        const QImage& shown = flow->SlicePictureShown();
        EXPECT_EQ(shown.size(), QSize(NodesAlong(*fields, SliceAxes(c.axis)[0]),
                                      NodesAlong(*fields, SliceAxes(c.axis)[1])));
    }
    // The controls are reached from the keyboard: Tab from the view, and
    // the labels' letters.
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    view->setFocus();
    ASSERT_TRUE(WaitFor([&] { return view->hasFocus(); }, 2000));
    QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), controls->Axis);
    QTest::keyClick(controls->Axis, Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), controls->Count);
    QTest::keyClick(controls->Count, Qt::Key_Up);
    EXPECT_EQ(controls->Count->value(), 1);
    EXPECT_EQ(lines->GetLines().size(), 1u);

    controls->Count->setValue(16);
    view->SetCameraRotation(25, -35, 0);
    view->FrameCurrentObject();
    controls->Axis->setCurrentIndex(2);
    controls->Position->setValue(6);
    Shoot(*view, "flow3d-slice.png");

    // Live fields: the next within the second waits, then shows; the same
    // view takes it. A coarser live field (half the nodes along each axis)
    // keeps the slice where it was in the box.
    controls->Position->setValue(8);
    const QImage shownBefore = flow->SlicePictureShown();
    lbm::Task coarse = task;
    coarse.gx /= 2;
    coarse.gy /= 2;
    coarse.gz /= 2;
    MainForm->UpdateFlowView3D(PastSphere(coarse, 2 * kSpeed), task, kSpeed);
    EXPECT_EQ(MainForm->MdiArea()->subWindowList().size(), before + 1);
    EXPECT_EQ(flow->SlicePictureShown(), shownBefore);
    EXPECT_TRUE(WaitFor([&] { return flow->Top() > 2 * 1.2; }, 3000));
    EXPECT_EQ(flow->SlicePictureShown().size(), QSize(25, 5));
    EXPECT_EQ(controls->Position->maximum(), 4);
    EXPECT_EQ(controls->Position->value(), 4) << "node plane 8 of 0..9, near the top of 0..4";
    EXPECT_EQ(controls->PositionText->text(), QStringLiteral("node plane 5 of 5, z = 0.36"));
    // Fields that cannot be read change nothing.
    auto broken = std::make_shared<lbm::Fields>(*fields);
    broken->uy.resize(3);
    QTest::qWait(1100);
    MainForm->UpdateFlowView3D(broken, task, kSpeed);
    EXPECT_GT(flow->Top(), 2 * 1.2);
    EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
}

// A cavity: the unit cube, the seeds down its middle, no scene objects.
TEST_F(FlowView3DTest, ACavityShowsInTheUnitCube)
{
    lbm::Task task;
    task.model = lbm::kModel3Bgk;
    task.gx = task.gy = task.gz = 12;
    const FlowBox cube;
    // A roll about the z axis through the middle, like the lid's vortex.
    const auto roll = [](const Point3& p) { return Point3{-(p[1] - 0.5) * 0.1, (p[0] - 0.5) * 0.1, 0.01}; };
    MainForm->UpdateFlowView3D(std::make_shared<lbm::Fields>(MakeFlow(cube, 12, 12, 12, roll)), task, 0.1);
    TfrmPlot* view = MainForm->ActiveView();
    ASSERT_NE(view, nullptr);
    auto* flow = view->findChild<TFlowView3D*>();
    ASSERT_NE(flow, nullptr);
    EXPECT_EQ(flow->Box().lo, (Point3{0, 0, 0}));
    EXPECT_EQ(flow->Box().hi, (Point3{1, 1, 1}));
    EXPECT_EQ(view->Document()->Count(), 3) << "the box, the slice and the streamlines";
    Point3 from;
    ASSERT_TRUE(ReadPoint(flow->Controls()->SeedFrom->text(), from));
    EXPECT_EQ(from, (Point3{0.5, 1, 0.5}));
    ASSERT_FALSE(flow->Streamlines()->GetLines().empty());
    EXPECT_GT(WarmPixels(Frame(*view)), 200);
    Shoot(*view, "flow3d-cavity.png");
}

// A channel's scene in its view: copies of the objects of the view or file
// its obstacles come from (the lights left out), or else its obstacles'
// surfaces as one mesh.
TEST_F(FlowView3DTest, AChannelsSceneComesFromItsSourceOrItsSurfaces)
{
    const QString sample = QStringLiteral(CORVANE_SAMPLES_DIR "/cylinder-channel.cvs");
    ASSERT_TRUE(MainForm->OpenFile(sample));
    TfrmPlot* source = MainForm->ActiveView();
    ASSERT_NE(source, nullptr);
    ChannelRecord channel;
    struct Case {
        ObstacleSource kind;
        QString source;
        std::size_t objects;
    } const cases[] = {
        {ObstacleSource::File, sample, 3},
        {ObstacleSource::View, source->Title(), 3},
        {ObstacleSource::View, QStringLiteral("No such view"), 0},
        {ObstacleSource::File, QStringLiteral("/no/such/scene.cvs"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.toStdString());
        channel.kind = c.kind;
        channel.source = c.source;
        const std::vector<std::unique_ptr<TGLObject>> copies = MainForm->ChannelSceneCopies(channel);
        ASSERT_EQ(copies.size(), c.objects);
        for (std::size_t k = 0; k < copies.size(); ++k) {
            float x, y, z, wx, wy, wz;
            copies[k]->GetXY(x, y);
            copies[k]->GetZ(z);
            source->Objects()[k]->GetXY(wx, wy);
            source->Objects()[k]->GetZ(wz);
            EXPECT_EQ((std::array<float, 3>{x, y, z}), (std::array<float, 3>{wx, wy, wz})) << k;
        }
    }

    lbm::Task task = ChannelTask();
    task.channel.surface = SphereSurface();
    MainForm->UpdateFlowView3D(PastSphere(task), task, kSpeed);
    TfrmPlot* view = MainForm->ActiveView();
    ASSERT_NE(view, source);
    auto* flow = view->findChild<TFlowView3D*>();
    ASSERT_NE(flow, nullptr);
    ASSERT_EQ(view->Document()->Count(), 4) << "the sphere, the box, the slice and the streamlines";
    auto* sphere = dynamic_cast<TGLPolyObject*>(view->Document()->At(0));
    ASSERT_NE(sphere, nullptr);
    EXPECT_EQ(sphere->GetFaceCount(), int(task.channel.surface.size()));
    float lo[3], hi[3];
    sphere->GetMin(lo[0], lo[1], lo[2]);
    sphere->GetMax(hi[0], hi[1], hi[2]);
    for (int a = 0; a < 3; ++a) {
        EXPECT_NEAR(lo[a], kCentre[std::size_t(a)] - kRadius, 0.01);
        EXPECT_NEAR(hi[a], kCentre[std::size_t(a)] + kRadius, 0.01);
    }
    Shoot(*view, "flow3d-sphere.png");
}

// The solver's own fields of a cube cavity: the lid's rows fast, the flow
// below slower, and the streamlines turning with the lid's vortex.
TEST_F(FlowView3DTest, ASolversCavityShowsItsLidAndItsVortex)
{
    lbm::Task task;
    task.model = lbm::kModel3Bgk;
    task.reynolds = 50;
    task.gx = task.gy = task.gz = 16;
    lbm::Settings settings;
    settings.threads = 1;
    settings.maxSteps = 600;
    settings.tolerance = 1e-12;
    const lbm::RunResult run = lbm::Run(task, settings);
    ASSERT_EQ(run.status, lbm::RunStatus::NotConverged) << run.message;
    ASSERT_EQ(run.fields.gz, 16);
    MainForm->UpdateFlowView3D(std::make_shared<lbm::Fields>(run.fields), task, settings.lidSpeed);
    TfrmPlot* view = MainForm->ActiveView();
    auto* flow = view ? view->findChild<TFlowView3D*>() : nullptr;
    ASSERT_NE(flow, nullptr);
    // Across z through the middle: the row under the lid (the picture's top)
    // moves with it, the middle of the cavity far slower.
    const QImage& slice = flow->SlicePictureShown();
    ASSERT_EQ(slice.size(), QSize(16, 16));
    const QColor lidRow = slice.pixelColor(8, 0), middle = slice.pixelColor(8, 8);
    EXPECT_GT(lidRow.red(), middle.red()) << "the scale's warm end under the lid";
    EXPECT_LT(lidRow.blue(), middle.blue());
    // Lines from the lid down the middle: carried along the lid in +x near
    // the top, back in -x lower down.
    const std::vector<std::vector<TGLLines::Point>>& lines = flow->Streamlines()->GetLines();
    ASSERT_EQ(lines.size(), 16u);
    ASSERT_GT(lines.front().size(), 2u);
    ASSERT_GT(lines.back().size(), 2u);
    EXPECT_GT(lines.front()[2][0], lines.front()[0][0]) << "the top seed moves with the lid";
    EXPECT_LT(lines.back()[2][0], lines.back()[0][0]) << "the bottom seed moves against it";
    Shoot(*view, "flow3d-solver-cavity.png");
}
