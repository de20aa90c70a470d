// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A three-dimensional flow shown in a view of its scene: the scene's objects
// as they are, the box of the flow's nodes as its edges, a node plane of the
// box as a coloured slice, and streamlines from a line of seeds, with the
// controls that choose the slice and the seeds over the view's corner.

#include "FlowField.h"
#include "LbmTask.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;
class TGLLines;
class TGLObject;
class TGLPlane;
class TfrmPlot;
namespace lbm {
struct Fields;
}

// The controls: the slice's axis and node plane, the seed line's two ends and
// how many streamlines start on it, and the colour bar the slice reads on.
class TFlowControls : public QWidget {
    Q_OBJECT

public:
    explicit TFlowControls(QWidget* parent = nullptr);

    QComboBox* Axis;
    QSlider* Position;
    QLabel* PositionText;
    QLineEdit* SeedFrom;
    QLineEdit* SeedTo;
    QSpinBox* Count;
    QPushButton* DefaultSeeds;
    QLabel* Bar;
};

// A point as the seed fields show it ("x, y, z") and reads one back: false
// unless the text holds three finite numbers.
QString PointText(const Point3& p);
bool ReadPoint(const QString& text, Point3& p);

class TFlowView3D : public QObject {
    Q_OBJECT

public:
    // Fills the view (new and empty) with `scene`, the box's edges, the
    // slice plane, the streamlines and the controls, and looks at the box.
    TFlowView3D(TfrmPlot& view, const lbm::Task& task, std::vector<std::unique_ptr<TGLObject>> scene);
    ~TFlowView3D() override;

    // Shows the fields (lattice velocities, shown in units of lidSpeed): at
    // once the first time and with `now`, otherwise at most once a second,
    // the latest fields that came in between shown when the second is over.
    // Fields that cannot be read change nothing.
    void SetFields(std::shared_ptr<const lbm::Fields> fields, double lidSpeed, bool now = false);

    TFlowControls* Controls() const { return FControls; }
    const FlowBox& Box() const { return FBox; }
    // The slice and the streamlines in the view (null once the user has
    // removed them), and the picture the slice shows now (upright: its
    // columns along SliceAxes' first axis, its top row the second's end).
    TGLPlane* SlicePlane() const;
    TGLLines* Streamlines() const;
    const QImage& SlicePictureShown() const { return FSlice; }
    // The colour bar's top: the speed the colour map's end stands for.
    double Top() const { return FTop; }

private:
    void Show();
    void ShowSlice();
    void ShowStreamlines();
    // The slider's range and text for the fields' and the axis's node planes.
    void FitSlider();
    bool Holds(const TGLObject* object) const;

    TfrmPlot& FView;
    lbm::Task FTask;
    FlowBox FBox;
    TFlowControls* FControls;
    TGLPlane* FPlane = nullptr;
    TGLLines* FLines = nullptr;
    std::shared_ptr<const lbm::Fields> FFields, FPending;
    double FLidSpeed = 1, FPendingLidSpeed = 1;
    double FTop = 1;
    bool FSliceChosen = false; // the slider's first node plane is set
    QImage FSlice;
    QElapsedTimer FLastShown;
    QTimer* FLater;
};
