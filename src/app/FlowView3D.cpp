// SPDX-License-Identifier: GPL-3.0-or-later
#include "FlowView3D.h"

#include "FieldPicture.h"
#include "FlowSlice.h"
#include "LbmRun.h"
#include "Messages.h"
#include "SceneBounds.h"
#include "Streamlines.h"
#include "TGLLines.h"
#include "TGLPlane.h"
#include "TSceneDocument.h"
#include "TfrmPlot.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// The slice's texture keeps one power-of-two size, so that every picture
// fits the texture made first.
constexpr int kSliceTexture = 256;
const QSize kBarPicture(90, 150);
constexpr int kLeastInterval = 1000; // milliseconds between two live pictures
const char* const kAxisNames[3] = {"x", "y", "z"};

// The plane's turn for a slice across each axis. The plane is the unit
// square in its own x-z plane, its texture's rows along its -x and its
// columns along its -z; turned so, its z lies along the picture's first
// axis (SliceAxes) and its x along the second.
const float kSliceTurn[3][3] = {{0, 0, 90}, {0, 90, 0}, {90, 90, 0}};

// The slice's picture as the plane's texture: the turns above lay the
// plane's z along the first axis, against the texture's columns, and its x up
// the second axis across x and z, against the rows, but down it across y.
QImage SliceTexture(const QImage& upright, int normal)
{
    return upright.scaled(kSliceTexture, kSliceTexture, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .mirrored(true, normal == 1)
        .convertToFormat(QImage::Format_RGB32);
}

std::vector<TGLLines::Point> Edge(const FlowBox& box, int from, int to)
{
    const auto corner = [&](int c) {
        return TGLLines::Point{float(c & 1 ? box.hi[0] : box.lo[0]), float(c & 2 ? box.hi[1] : box.lo[1]),
                               float(c & 4 ? box.hi[2] : box.lo[2])};
    };
    return {corner(from), corner(to)};
}

} // namespace

QString PointText(const Point3& p)
{
    return QStringLiteral("%1, %2, %3").arg(p[0], 0, 'g', 6).arg(p[1], 0, 'g', 6).arg(p[2], 0, 'g', 6);
}

bool ReadPoint(const QString& text, Point3& p)
{
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return false;
    Point3 read;
    for (int a = 0; a < 3; ++a) {
        bool ok = false;
        read[std::size_t(a)] = parts[a].toDouble(&ok);
        if (!ok || !std::isfinite(read[std::size_t(a)]))
            return false;
    }
    p = read;
    return true;
}

TFlowControls::TFlowControls(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FlowControls"));
    setAutoFillBackground(true);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setVerticalSpacing(3);

    Axis = new QComboBox(this);
    Axis->setObjectName(QStringLiteral("SliceAxis"));
    for (const char* name : kAxisNames)
        Axis->addItem(QStringLiteral("across %1").arg(QLatin1String(name)));
    Axis->setToolTip(QStringLiteral("The axis the slice plane lies across"));
    Position = new QSlider(Qt::Horizontal, this);
    Position->setObjectName(QStringLiteral("SlicePosition"));
    Position->setToolTip(QStringLiteral("The node plane the slice shows"));
    PositionText = new QLabel(this);
    SeedFrom = new QLineEdit(this);
    SeedFrom->setObjectName(QStringLiteral("SeedFrom"));
    SeedTo = new QLineEdit(this);
    SeedTo->setObjectName(QStringLiteral("SeedTo"));
    for (QLineEdit* edit : {SeedFrom, SeedTo})
        edit->setToolTip(QStringLiteral("An end of the line the streamlines start on: x, y, z in the scene"));
    Count = new QSpinBox(this);
    Count->setObjectName(QStringLiteral("StreamlineCount"));
    Count->setRange(0, kMostSeeds);
    Count->setValue(16);
    Count->setToolTip(QStringLiteral("How many streamlines start on the seed line (0: none)"));
    DefaultSeeds = new QPushButton(QStringLiteral("&Default seeds"), this);
    DefaultSeeds->setToolTip(
        QStringLiteral("The seed line across the channel at its inflow, or down the cavity's middle"));
    Bar = new QLabel(this);
    Bar->setObjectName(QStringLiteral("ColourBar"));

    const auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("Sli&ce"), Axis), 0, 0);
    grid->addWidget(Axis, 0, 1);
    grid->addWidget(Position, 1, 0, 1, 2);
    grid->addWidget(PositionText, 2, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("&Seeds"), SeedFrom), 3, 0);
    grid->addWidget(SeedFrom, 3, 1);
    grid->addWidget(label(QStringLiteral("&to"), SeedTo), 4, 0);
    grid->addWidget(SeedTo, 4, 1);
    grid->addWidget(label(QStringLiteral("&Lines"), Count), 5, 0);
    grid->addWidget(Count, 5, 1);
    grid->addWidget(DefaultSeeds, 6, 0, 1, 2);
    grid->addWidget(Bar, 7, 0, 1, 2, Qt::AlignHCenter);
    setTabOrder(Axis, Position);
    setTabOrder(Position, SeedFrom);
    setTabOrder(SeedFrom, SeedTo);
    setTabOrder(SeedTo, Count);
    setTabOrder(Count, DefaultSeeds);
}

TFlowView3D::TFlowView3D(TfrmPlot& view, const lbm::Task& task, std::vector<std::unique_ptr<TGLObject>> scene)
    : QObject(&view), FView(view), FTask(task), FBox(BoxOf(task)), FControls(new TFlowControls(&view)),
      FLater(new QTimer(this))
{
    setObjectName(QStringLiteral("FlowView3D"));
    TSceneDocument* doc = view.Document();
    for (std::unique_ptr<TGLObject>& object : scene)
        if (object)
            doc->AddObject(std::move(object), QStringLiteral("Add"));

    auto edges = std::make_unique<TGLLines>();
    std::vector<std::vector<TGLLines::Point>> lines;
    for (int c = 0; c < 8; ++c)
        for (int bit : {1, 2, 4})
            if (!(c & bit))
                lines.push_back(Edge(FBox, c, c | bit));
    edges->SetLines(std::move(lines));
    edges->SetColorF(0.35f, 0.35f, 0.35f);
    edges->SetLineWidth(1);
    doc->AddObject(std::move(edges), QStringLiteral("Box"));

    auto plane = std::make_unique<TGLPlane>(0.0f, 0.0f);
    plane->SetColorF(0.8f, 0.8f, 0.8f);
    try {
        QImage rest(kSliceTexture, kSliceTexture, QImage::Format_RGB32);
        rest.fill(ScaleColour(0));
        plane->SetTexture(view.CreateTexture(rest));
    } catch (const std::exception&) {
        // Without a texture the plane shows where the slice lies, in grey.
    }
    FPlane = plane.get();
    doc->AddObject(std::move(plane), QStringLiteral("Slice"));

    auto streamlines = std::make_unique<TGLLines>();
    streamlines->SetColorF(0.08f, 0.08f, 0.08f);
    FLines = streamlines.get();
    doc->AddObject(std::move(streamlines), QStringLiteral("Streamlines"));

    // A look from in front, above and to the side, at the box and what is in it.
    doc->LiveView().DrawAxis = false;
    view.SetCameraRotation(25, -35, 0);
    view.SetLinearFilter(true);
    doc->SetCurrent(nullptr);

    Point3 a, b;
    DefaultSeedLine(FBox, task.flow == lbm::Flow::Channel, task.gx, a, b);
    FControls->SeedFrom->setText(PointText(a));
    FControls->SeedTo->setText(PointText(b));
    FControls->Axis->setCurrentIndex(2);
    FControls->move(4, 4);
    FControls->adjustSize();
    FControls->show();

    // The scene fitted into the part of the view right of the controls:
    // moved over, and made smaller when it is wider than that part.
    view.FrameCurrentObject();
    const int width = view.width(), covered = FControls->width() + 8;
    QVector3D lo, hi;
    if (width > 2 * covered && BoundsIn(CameraRotationMatrix(doc->View()), view.Objects(), lo, hi)) {
        float left, right, bottom, top;
        view.GetViewExtents(left, right, bottom, top);
        const float perPixel = (right - left) / float(width);
        const float room = 0.95f * float(width - covered), wide = (hi.x() - lo.x()) / perPixel;
        const float smaller = wide > room ? room / wide : 1.0f;
        doc->EditView(QStringLiteral("Make Room"), [&](TViewState& v) {
            v.Zoom = std::clamp(v.Zoom * smaller, 1e-3f, 1e3f);
            v.CameraTranslation[0] += 0.5f * float(covered) * perPixel / smaller;
        });
    }
    doc->UndoStack()->clear();
    doc->Notify({TSceneChange::ObjectsAdded});

    FLater->setSingleShot(true);
    connect(FLater, &QTimer::timeout, this, [this] {
        corvane::RunHandler([this] {
            if (FPending)
                SetFields(std::move(FPending), FPendingLidSpeed, true);
        });
    });
    connect(FControls->Axis, &QComboBox::currentIndexChanged, this, [this] {
        corvane::RunHandler([this] {
            FitSlider();
            ShowSlice();
        });
    });
    connect(FControls->Position, &QSlider::valueChanged, this,
            [this] { corvane::RunHandler([this] { ShowSlice(); }); });
    connect(FControls->Count, &QSpinBox::valueChanged, this,
            [this] { corvane::RunHandler([this] { ShowStreamlines(); }); });
    for (QLineEdit* edit : {FControls->SeedFrom, FControls->SeedTo})
        connect(edit, &QLineEdit::editingFinished, this,
                [this] { corvane::RunHandler([this] { ShowStreamlines(); }); });
    connect(FControls->DefaultSeeds, &QPushButton::clicked, this, [this] {
        corvane::RunHandler([this] {
            Point3 from, to;
            DefaultSeedLine(FBox, FTask.flow == lbm::Flow::Channel, FTask.gx, from, to);
            FControls->SeedFrom->setText(PointText(from));
            FControls->SeedTo->setText(PointText(to));
            ShowStreamlines();
        });
    });
}

TFlowView3D::~TFlowView3D() = default;

bool TFlowView3D::Holds(const TGLObject* object) const
{
    return object && FView.Document()->IndexOf(object) >= 0;
}

TGLPlane* TFlowView3D::SlicePlane() const { return Holds(FPlane) ? FPlane : nullptr; }
TGLLines* TFlowView3D::Streamlines() const { return Holds(FLines) ? FLines : nullptr; }

void TFlowView3D::SetFields(std::shared_ptr<const lbm::Fields> fields, double lidSpeed, bool now)
{
    if (!fields || !IsReadableVolume(*fields) || !(lidSpeed > 0))
        return;
    if (!now && FFields && FLastShown.isValid() && FLastShown.elapsed() < kLeastInterval) {
        // Live fields come faster than they are worth drawing: the latest waits.
        FPending = std::move(fields);
        FPendingLidSpeed = lidSpeed;
        if (!FLater->isActive())
            FLater->start(int(std::max<qint64>(kLeastInterval - FLastShown.elapsed(), 1)));
        return;
    }
    FPending.reset();
    FLater->stop();
    FFields = std::move(fields);
    FLidSpeed = lidSpeed;
    FLastShown.start();
    Show();
}

void TFlowView3D::Show()
{
    FitSlider();
    ShowSlice();
    ShowStreamlines();
}

void TFlowView3D::FitSlider()
{
    if (!FFields)
        return;
    QSlider* slider = FControls->Position;
    const int normal = std::clamp(FControls->Axis->currentIndex(), 0, 2);
    const int count = NodesAlong(*FFields, normal);
    if (!FSliceChosen) {
        // At first the node plane just behind the middle (from where the view
        // looks), so that the streamlines through the middle show in front of it.
        FSliceChosen = true;
        const QSignalBlocker quiet(slider);
        slider->setRange(0, count - 1);
        slider->setValue(std::max(0, (count - 1) / 2 - count % 2));
    } else if (slider->maximum() != count - 1) {
        // The same place in the box on another axis or a finer field.
        const double at = slider->maximum() > 0 ? double(slider->value()) / slider->maximum() : 0.5;
        const QSignalBlocker quiet(slider);
        slider->setRange(0, count - 1);
        slider->setValue(int(std::lround(at * (count - 1))));
    }
    const int n = slider->value();
    FControls->PositionText->setText(QStringLiteral("node plane %1 of %2, %3 = %4")
                                         .arg(n + 1)
                                         .arg(count)
                                         .arg(QLatin1String(kAxisNames[normal]))
                                         .arg(NodeCoordinate(FBox, normal, count, n), 0, 'g', 4));
}

void TFlowView3D::ShowSlice()
{
    if (!FFields)
        return;
    FitSlider();
    const int normal = std::clamp(FControls->Axis->currentIndex(), 0, 2);
    const int n = FControls->Position->value();
    double top = 1;
    const QImage picture = ::SlicePicture(*FFields, normal, n, FLidSpeed, 0, &top);
    if (picture.isNull())
        return;
    FSlice = picture;
    FTop = top;
    FControls->Bar->setPixmap(
        QPixmap::fromImage(ColourBarPicture(top, QStringLiteral("|u| / U"), kBarPicture)));
    FControls->adjustSize();
    TGLPlane* plane = SlicePlane();
    if (!plane)
        return;
    const std::array<int, 2> axes = SliceAxes(normal);
    float place[3];
    for (int a = 0; a < 3; ++a)
        place[a] = float((FBox.lo[std::size_t(a)] + FBox.hi[std::size_t(a)]) / 2);
    place[normal] = float(NodeCoordinate(FBox, normal, NodesAlong(*FFields, normal), n));
    plane->SetXY(place[0], place[1]);
    plane->SetZ(place[2]);
    plane->SetRotation(kSliceTurn[normal][0], kSliceTurn[normal][1], kSliceTurn[normal][2]);
    plane->SetScale(float(FBox.Extent(axes[1])), 1, float(FBox.Extent(axes[0])));
    if (plane->GetTexture() != 0)
        FView.ReplaceTexturePicture(plane->GetTexture(), SliceTexture(picture, normal));
    FView.Document()->Notify({TSceneChange::ObjectChanged, plane});
}

void TFlowView3D::ShowStreamlines()
{
    TGLLines* lines = Streamlines();
    if (!FFields || !lines)
        return;
    Point3 a, b;
    bool readable = true;
    for (QLineEdit* edit : {FControls->SeedFrom, FControls->SeedTo}) {
        const bool ok = ReadPoint(edit->text(), edit == FControls->SeedFrom ? a : b);
        edit->setStyleSheet(ok ? QString() : QStringLiteral("QLineEdit { background: #ffd6d6; }"));
        readable = readable && ok;
    }
    if (!readable)
        return; // the lines stay as they were until the seed line reads
    std::vector<std::vector<TGLLines::Point>> shown;
    const int count = FControls->Count->value();
    if (count > 0)
        for (const Streamline& line : TraceStreamlines(*FFields, FBox, SeedsAlong(a, b, count))) {
            std::vector<TGLLines::Point> points;
            points.reserve(line.points.size());
            for (const Point3& p : line.points)
                points.push_back({float(p[0]), float(p[1]), float(p[2])});
            shown.push_back(std::move(points));
        }
    lines->SetLines(std::move(shown));
    FView.Document()->Notify({TSceneChange::ObjectChanged, lines});
}
