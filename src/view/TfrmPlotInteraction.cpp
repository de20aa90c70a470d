// Placing, picking and removing objects; dragging and the camera; animation.
#include "ContextScope.h"
#include "Messages.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"
#include "TGLPyramid.h"
#include "TfrmPlot.h"
#include "ViewLinks.h"

#include <QFile>
#include <QKeyEvent>
#include <QMatrix4x4>
#include <QMouseEvent>
#include <QTimer>
#include <QUndoStack>
#include <QWheelEvent>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

bool IsLight(TGLObject* obj) { return IsLightObject(obj); }

const QString kTooManyLights = QStringLiteral("You can't have more than 8 lights!");

// Edits that come in runs (a slider moved, the wheel turned) make one undo
// step per run: consecutive edits with the same id merge.
enum MergeId { kMergeAnimateStep = 1, kMergeInterval, kMergeLightColor, kMergeLightW, kMergeZoom };

// How much one step of Zoom In or of the mouse wheel enlarges the picture.
constexpr float kZoomStep = 1.25f;

// Words of the selection buffer a pick starts with; 128 hit records.
constexpr int kSelectBufferWords = 512;

// Adds delta to a camera angle, folding it back once if it passes 360.
void TurnCamera(float& angle, float delta)
{
    angle += delta;
    if (angle > 360)
        angle -= 360;
}

} // namespace

std::vector<TGLObject*> TfrmPlot::Objects() const { return FDocument->Objects(); }

int TfrmPlot::ForegroundColor()
{
    const TColorSource* source = viewlinks::ColorSource();
    return source ? source->ForegroundColor() : viewlinks::kDefaultForeground;
}

void TfrmPlot::EnableLightOptions()
{
    if (TLightOptions* options = viewlinks::LightOptions())
        options->EnableLightOptions();
}

void TfrmPlot::DisableLightOptions()
{
    if (TLightOptions* options = viewlinks::LightOptions())
        options->DisableLightOptions();
}

// --- Qt events ------------------------------------------------------------

void TfrmPlot::mousePressEvent(QMouseEvent* event)
{
    // Qt keeps sending moves and the release to this widget while a button is
    // held (its implicit grab), which is the capture the drag tools need.
    const QPoint p = event->position().toPoint();
    corvane::RunHandler([&] { FormMouseDown(event->button(), event->modifiers(), p.x(), p.y()); });
}

void TfrmPlot::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    corvane::RunHandler([&] { FormMouseUp(event->button(), event->modifiers(), p.x(), p.y()); });
}

void TfrmPlot::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    corvane::RunHandler([&] { FormMouseMove(event->buttons(), event->modifiers(), p.x(), p.y()); });
}

void TfrmPlot::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat())
        return;
    corvane::RunHandler([&] { FormKeyUp(event->key(), event->modifiers()); });
}

void TfrmPlot::keyPressEvent(QKeyEvent* event)
{
    corvane::RunHandler([&] { FormKeyPress(event->key()); });
}

void TfrmPlot::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    const QPoint p = event->position().toPoint();
    corvane::RunHandler([&] { ZoomBy(static_cast<float>(std::pow(kZoomStep, steps)), p.x(), p.y()); });
    event->accept();
}

// --- Mouse tools ----------------------------------------------------------

void TfrmPlot::MouseToView(int x, int y, float& vx, float& vy) const
{
    const double w = width() > 0 ? width() : 1;
    const double h = height() > 0 ? height() : 1;
    vx = static_cast<float>(FViewLeft + x / w * (static_cast<double>(FViewRight) - FViewLeft));
    vy = static_cast<float>(FViewBottom + (h - y) / h * (static_cast<double>(FViewTop) - FViewBottom));
}

void TfrmPlot::RemoveCameraOffset(float& x, float& y) const
{
    x -= View().CameraTranslation[0];
    y -= View().CameraTranslation[1];
}

void TfrmPlot::BeginDrag()
{
    FDragging = true;
    FDragObject = FDocument->Current();
    if (FDragObject)
        FDragObjectBefore = TObjectState::Capture(*FDragObject);
    FDragViewBefore = View();
}

void TfrmPlot::EndDrag()
{
    if (!FDragging)
        return;
    FDragging = false;
    switch (FTool) {
    case mtCameraRotate:
        FDocument->CommitViewEdit(FDragViewBefore, QStringLiteral("Rotate Camera"));
        break;
    case mtCameraTranslate:
        FDocument->CommitViewEdit(FDragViewBefore, QStringLiteral("Move Camera"));
        break;
    case mtScale:
    case mtTranslate:
    case mtRotate:
        if (FDragObject && FDocument->IndexOf(FDragObject) >= 0)
            FDocument->CommitObjectEdit(FDragObject, FDragObjectBefore,
                                        FTool == mtScale       ? QStringLiteral("Scale")
                                        : FTool == mtTranslate ? QStringLiteral("Move")
                                                               : QStringLiteral("Rotate"));
        break;
    default:
        break;
    }
    FDragObject = nullptr;
}

void TfrmPlot::FormMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    MouseToView(x, y, FMouseX, FMouseY);
    switch (FTool) {
    case mtCube:
        AddCube(FMouseX, FMouseY);
        break;
    case mtIcosahedron:
        AddIcosahedron(FMouseX, FMouseY);
        break;
    case mtPyramid:
        AddPyramid(FMouseX, FMouseY);
        break;
    case mtPlane:
        AddPlane(FMouseX, FMouseY);
        break;
    case mtAddLight:
        AddLight();
        break;
    case mtScale:
    case mtTranslate:
    case mtRotate:
    case mtCameraRotate:
    case mtCameraTranslate:
        BeginDrag();
        break;
    default:
        break;
    }
}

void TfrmPlot::FormMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
    EndDrag();
    if (FTool == mtSelect) {
        PickObject(x, y);
        RenderScene(GL_RENDER);
    } else if (FTool == mtDelete) {
        PickObject(x, y);
        DeleteCurrent();
    }
}

void TfrmPlot::PlaceObject(std::unique_ptr<TGLObject> obj, float growth)
{
    obj->SetColor(ForegroundColor());
    obj->GrowScale(growth, growth, growth, false);
    AddObject(std::move(obj), QStringLiteral("Place"));
}

void TfrmPlot::AddCube(float x, float y)
{
    RemoveCameraOffset(x, y);
    PlaceObject(std::make_unique<TGLCube>(x, y), 4);
}

void TfrmPlot::AddIcosahedron(float x, float y)
{
    RemoveCameraOffset(x, y);
    PlaceObject(std::make_unique<TGLIcosahedron>(x, y), 4);
}

void TfrmPlot::AddPyramid(float x, float y)
{
    RemoveCameraOffset(x, y);
    PlaceObject(std::make_unique<TGLPyramid>(x, y), 4);
}

void TfrmPlot::AddPlane(float x, float y)
{
    RemoveCameraOffset(x, y);
    PlaceObject(std::make_unique<TGLPlane>(x, y), 20);
}

void TfrmPlot::AddLight()
{
    if (TGLLight::GetLightCount() >= TGLLight::kMaxLights) {
        corvane::ShowMessage(kTooManyLights);
        return;
    }
    float x = FMouseX, y = FMouseY;
    RemoveCameraOffset(x, y);
    std::unique_ptr<TGLLight> light;
    {
        // The light sends its colours and position to its unit in this view's context.
        ContextScope scope(*this);
        light = std::make_unique<TGLLight>(x, y);
    }
    AddObject(std::move(light), QStringLiteral("Add Light"));
    EnableLightOptions();
    UpdateLightPanel();
}

bool TfrmPlot::LoadPolyObject(const QString& fileName)
{
    // The file dialog closing over the view sends a move that must not drag.
    FIgnoreMouseMove = true;
    auto poly = std::make_unique<TGLPolyObject>();
    const bool loaded =
        poly->LoadFromFile(QFile::encodeName(fileName).toStdString(), [](const std::string& text) {
            corvane::ShowMessage(QFile::decodeName(QByteArray::fromStdString(text)));
        });
    if (!loaded)
        return false;
    std::vector<std::unique_ptr<TGLPolyObject>> objects;
    objects.push_back(std::move(poly));
    AddPolyObjects(std::move(objects));
    return true;
}

void TfrmPlot::AddPolyObjects(std::vector<std::unique_ptr<TGLPolyObject>> objects)
{
    if (objects.empty())
        return;
    FIgnoreMouseMove = true;
    float minX = FLT_MAX, minY = FLT_MAX, maxX = -FLT_MAX, maxY = -FLT_MAX;
    for (const auto& obj : objects) {
        float lo[3], hi[3];
        obj->GetMin(lo[0], lo[1], lo[2]);
        obj->GetMax(hi[0], hi[1], hi[2]);
        minX = std::min(minX, lo[0]);
        minY = std::min(minY, lo[1]);
        maxX = std::max(maxX, hi[0]);
        maxY = std::max(maxY, hi[1]);
    }
    const float larger = std::max(maxX - minX, maxY - minY);
    // Shrink what is larger than the view; never enlarge. A flat point-sized
    // model (no extent) stays as it is. One factor for all keeps the meshes
    // of a file where they are against each other.
    const float f = larger > 0 ? (FBaseRight - FBaseLeft) / larger : 1;
    // The meshes of one file come in as one undo step.
    QUndoStack* stack = FDocument->UndoStack();
    stack->beginMacro(QStringLiteral("Load Object"));
    for (auto& poly : objects) {
        poly->SetColor(ForegroundColor());
        if (f < 1)
            poly->GrowScale(f - 1, f - 1, f - 1, false);
        AddObject(std::move(poly), QStringLiteral("Load Object"));
    }
    stack->endMacro();
}

void TfrmPlot::PickObject(int x, int y)
{
    if (!MakeCurrent()) {
        DisableLightOptions();
        FDocument->SetCurrent(nullptr);
        return;
    }
    GLint viewport[4];
    gl::GetIntegerv(GL_VIEWPORT, viewport);
    const qreal dpr = devicePixelRatioF();
    // Every object leaves at most one hit record of four words. A buffer that
    // overflows is replaced by one large enough for all of them and the pass
    // runs again, so stepping through works however many objects overlap.
    std::vector<GLuint> buffer(kSelectBufferWords);
    GLint hits = 0;
    for (;;) {
        gl::SelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());
        gl::RenderMode(GL_SELECT);
        gl::InitNames();
        gl::MatrixMode(GL_PROJECTION);
        gl::PushMatrix();
        gl::LoadIdentity();
        gl::PickMatrix(x * dpr, viewport[3] - y * dpr, 5, 5, viewport);
        ApplyProjection();
        FPicking = true;
        RenderScene(GL_SELECT);
        FPicking = false;
        gl::PopMatrix();
        gl::MatrixMode(GL_MODELVIEW);
        hits = gl::RenderMode(GL_RENDER);
        const std::size_t needed = 4 * Objects().size() + 4;
        if (hits >= 0 || buffer.size() >= needed)
            break;
        buffer.assign(needed, 0);
    }
    DisableLightOptions();
    if (hits <= 0) {
        FDocument->SetCurrent(nullptr);
        return;
    }

    // The names of the hit records, in drawing (list) order. A record is its
    // name count, two depths and the names; only whole records are read.
    std::vector<GLuint> names = ParseHitNames(buffer, static_cast<std::size_t>(hits));
    if (names.empty()) {
        FDocument->SetCurrent(nullptr);
        return;
    }
    TGLObject* current = FDocument->Current();
    std::size_t k = 0;
    if (current && names.size() > 1) {
        const auto found = std::find(names.begin(), names.end(), static_cast<GLuint>(current->GetID()));
        if (found != names.end())
            k = (static_cast<std::size_t>(found - names.begin()) + 1) % names.size();
    }
    TGLObject* first = FDocument->First();
    FDocument->SetCurrent(first ? first->FindByID(static_cast<int>(names[k])) : nullptr);
    if (IsLight(FDocument->Current())) {
        EnableLightOptions();
        UpdateLightPanel();
    }
}

std::vector<GLuint> TfrmPlot::ParseHitNames(const std::vector<GLuint>& buffer, std::size_t hits)
{
    std::vector<GLuint> names;
    std::size_t at = 0;
    for (std::size_t i = 0; i < hits && at + 3 <= buffer.size(); ++i) {
        const std::size_t count = buffer[at];
        if (count > buffer.size() - at - 3)
            break;
        if (count > 0)
            names.push_back(buffer[at + 3 + count - 1]);
        at += 3 + count;
    }
    return names;
}

void TfrmPlot::DeleteCurrent()
{
    DisableLightOptions();
    if (!FDocument->Current())
        return;
    FDocument->DeleteCurrent();
}

void TfrmPlot::CopyCurrent()
{
    // A copied light needs a unit of its own: the document refuses with the message.
    FDocument->CopyCurrent();
}

void TfrmPlot::SetDetailAll(int level) { FDocument->SetDetailAll(level); }

void TfrmPlot::Undo()
{
    DisableLightOptions();
    FDocument->Undo();
}

void TfrmPlot::Redo()
{
    DisableLightOptions();
    FDocument->Redo();
}

void TfrmPlot::UpdateLightPanel()
{
    TLightOptions* options = viewlinks::LightOptions();
    if (!options || !IsLight(FDocument->Current()))
        return;
    const int selected = options->SelectedLightComponent();
    const int which = selected == 0 ? 0 : selected == 1 ? 1 : 2;
    auto* light = static_cast<TGLLight*>(FDocument->Current());
    float r, g, b;
    light->GetLightColor(which, r, g, b);
    options->ShowLightValues(which, light->IsDirectional(), r, g, b);
}

void TfrmPlot::SetCurrentLightColor(unsigned char which, float r, float g, float b)
{
    TGLObject* current = FDocument->Current();
    if (!IsLight(current))
        return;
    FDocument->EditObject(
        current, QStringLiteral("Light Colour"),
        [&](TGLObject& obj) { static_cast<TGLLight&>(obj).SetLightColor(which, r, g, b); }, kMergeLightColor);
}

void TfrmPlot::SetCurrentLightW(float w)
{
    TGLObject* current = FDocument->Current();
    if (!IsLight(current))
        return;
    FDocument->EditObject(
        current, QStringLiteral("Directional Light"),
        [&](TGLObject& obj) {
            auto& light = static_cast<TGLLight&>(obj);
            light.SetW(w);
            light.ApplyPosition();
        },
        kMergeLightW);
}

void TfrmPlot::SetLighting(bool on)
{
    FDocument->EditView(QStringLiteral("Lighting"), [on](TViewState& v) { v.Lighting = on; });
}

void TfrmPlot::SetRotateXY(bool on)
{
    FDocument->EditView(QStringLiteral("Rotation Mode"), [on](TViewState& v) { v.RotateXY = on; });
}

// --- Dragging and keys ----------------------------------------------------

void TfrmPlot::FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y)
{
    if (FIgnoreMouseMove) {
        FIgnoreMouseMove = false;
        return;
    }
    float vx, vy;
    MouseToView(x, y, vx, vy);
    FMouseText =
        QString::asprintf("Tools - mouse at X: %f, Y: %1f", static_cast<double>(vx), static_cast<double>(vy));
    emit MouseTextChanged(FMouseText);
    TGLObject* current = FDocument->Current();
    if (!current && FTool != mtCameraRotate && FTool != mtCameraTranslate)
        return;
    const bool left = buttons & Qt::LeftButton;
    const bool right = buttons & Qt::RightButton;
    const bool held = left || right;
    const float dx = vx - FMouseX;
    const float dy = vy - FMouseY;
    TViewState& view = FDocument->LiveView();

    switch (FTool) {
    case mtScale: {
        if (!current || !held)
            return;
        const float sx = dx * 0.05f;
        const float sy = dy * 0.05f;
        FMouseX = vx;
        FMouseY = vy;
        if (shift & Qt::ShiftModifier)
            current->GrowScale(sx, sx, sx, true);
        else if (right)
            current->GrowScale(0, 0, sx, false);
        else
            current->GrowScale(sx, sy, 0, false);
        RenderScene(GL_RENDER);
        break;
    }
    case mtTranslate: {
        if (left) {
            float ox, oy;
            current->GetXY(ox, oy);
            current->SetXY(ox + dx, oy + dy);
        } else if (right) {
            float oz;
            current->GetZ(oz);
            current->SetZ(oz + dy);
        }
        if (!held)
            return;
        FMouseX = vx;
        FMouseY = vy;
        if (IsLight(current)) {
            UpdateLightPanel();
            if (MakeCurrent())
                static_cast<TGLLight*>(current)->ApplyPosition();
        }
        RenderScene(GL_RENDER);
        break;
    }
    case mtRotate: {
        if (!current || !held)
            return;
        const float ay = dx * -360 / (FViewRight - FViewLeft);
        const float ax = dy * -360 / (FViewTop - FViewBottom);
        if (view.RotateXY)
            current->RotateXY(ax, ay);
        else
            current->RotateZY(ax, ay);
        RenderScene(GL_RENDER);
        FMouseX = vx;
        FMouseY = vy;
        break;
    }
    case mtCameraRotate: {
        if (!held)
            return;
        const float ay = dx * 360 / (FViewRight - FViewLeft);
        const float ax = dy * 360 / (FViewTop - FViewBottom);
        TurnCamera(view.CameraRotation[1], ay);
        TurnCamera(view.RotateXY ? view.CameraRotation[0] : view.CameraRotation[2], ax);
        FMouseX = vx;
        FMouseY = vy;
        UpdateProjection();
        RenderScene(GL_RENDER);
        break;
    }
    case mtCameraTranslate: {
        if (left) {
            view.CameraTranslation[0] += dx;
            view.CameraTranslation[1] += dy;
        } else if (right) {
            view.CameraTranslation[2] += dy;
        }
        if (!held)
            return;
        FMouseX = vx;
        FMouseY = vy;
        UpdateProjection();
        RenderScene(GL_RENDER);
        break;
    }
    default:
        break;
    }
}

void TfrmPlot::FormKeyUp(int key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Delete && FDocument->Current())
        DeleteCurrent();
}

void TfrmPlot::FormKeyPress(int) {}

void TfrmPlot::ResetAxis()
{
    FDocument->EditView(QStringLiteral("Reset Axis"), [](TViewState& v) {
        v.CameraRotation = {20, 20, 0};
        v.CameraTranslation = {0, 0, 0};
    });
}

// --- Zoom and standard views ----------------------------------------------

void TfrmPlot::ZoomBy(float factor, int x, int y)
{
    if (!(factor > 0) || !std::isfinite(factor))
        return;
    float vx, vy;
    MouseToView(x, y, vx, vy);
    FZoomFitSaved = false;
    FDocument->EditView(
        QStringLiteral("Zoom"),
        [&](TViewState& v) {
            const float zoom = std::clamp(v.Zoom * factor, 1e-3f, 1e3f);
            const float f = zoom / v.Zoom;
            // The view point under the pointer stays under it: view
            // coordinates shrink by f about the centre, the camera follows.
            v.CameraTranslation[0] += vx * (1 / f - 1);
            v.CameraTranslation[1] += vy * (1 / f - 1);
            v.Zoom = zoom;
        },
        kMergeZoom);
}

void TfrmPlot::ZoomIn() { ZoomBy(kZoomStep, width() / 2, height() / 2); }

void TfrmPlot::ToggleZoomToFit()
{
    if (FZoomFitSaved) {
        FZoomFitSaved = false;
        const TViewState before = FBeforeZoomFit;
        FDocument->EditView(QStringLiteral("Zoom Back"), [&](TViewState& v) {
            v.CameraTranslation = before.CameraTranslation;
            v.Zoom = before.Zoom;
        });
        return;
    }
    const TViewState& view = View();
    QMatrix4x4 camera;
    camera.rotate(view.CameraRotation[0], 1, 0, 0);
    camera.rotate(view.CameraRotation[1], 0, 1, 0);
    camera.rotate(view.CameraRotation[2], 0, 0, 1);
    // Bounds in the camera's frame of every object's box corners.
    bool any = false;
    float minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (TGLObject* obj : Objects()) {
        float lo[3] = {-0.5f, -0.5f, -0.5f}, hi[3] = {0.5f, 0.5f, 0.5f};
        if (auto* poly = dynamic_cast<TGLPolyObject*>(obj)) {
            poly->GetMin(lo[0], lo[1], lo[2]);
            poly->GetMax(hi[0], hi[1], hi[2]);
        } else if (obj->GetDetail() >= 0) {
            lo[0] = lo[1] = lo[2] = -1;
            hi[0] = hi[1] = hi[2] = 1;
        }
        const TObjectState s = TObjectState::Capture(*obj);
        QMatrix4x4 m = camera;
        m.translate(s.Position[0], s.Position[1], s.Position[2]);
        m.rotate(s.Rotation[0], 1, 0, 0);
        m.rotate(s.Rotation[1], 0, 1, 0);
        m.rotate(s.Rotation[2], 0, 0, 1);
        m.scale(s.Scale[0], s.Scale[1], s.Scale[2]);
        for (int corner = 0; corner < 8; ++corner) {
            const QVector3D p = m.map(QVector3D(corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1],
                                                corner & 4 ? hi[2] : lo[2]));
            if (!any) {
                minX = maxX = p.x();
                minY = maxY = p.y();
                any = true;
            }
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
    }
    if (!any)
        return;
    FBeforeZoomFit = view;
    FZoomFitSaved = true;
    const float half = std::max({(maxX - minX) / 2, (maxY - minY) / 2, 1e-3f});
    FDocument->EditView(QStringLiteral("Zoom to Fit"), [&](TViewState& v) {
        // A margin of a tenth around the scene; the shorter side spans the base extents.
        v.Zoom = std::clamp(FBaseRight / (half * 1.1f), 1e-3f, 1e3f);
        v.CameraTranslation[0] = -(minX + maxX) / 2;
        v.CameraTranslation[1] = -(minY + maxY) / 2;
    });
}

void TfrmPlot::ShowStandardView(StandardView which)
{
    std::array<float, 3> rotation{0, 0, 0};
    QString text;
    switch (which) {
    case StandardView::Left: // the model's -x side faces the viewer
        rotation = {0, 90, 0};
        text = QStringLiteral("Left View");
        break;
    case StandardView::Right:
        rotation = {0, -90, 0};
        text = QStringLiteral("Right View");
        break;
    case StandardView::Top: // looking down the -y axis
        rotation = {90, 0, 0};
        text = QStringLiteral("Top View");
        break;
    case StandardView::Bottom:
        rotation = {-90, 0, 0};
        text = QStringLiteral("Bottom View");
        break;
    }
    FDocument->EditView(text, [&](TViewState& v) { v.CameraRotation = rotation; });
}

// --- Animation ------------------------------------------------------------

void TfrmPlot::EnableAnimation(bool on)
{
    if (on)
        tmrAnimation->start();
    else
        tmrAnimation->stop();
}

bool TfrmPlot::IsAnimating() const { return tmrAnimation->isActive(); }

void TfrmPlot::SetAnimateFlag(int flag)
{
    FDocument->EditView(QStringLiteral("Spin"), [flag](TViewState& v) { v.AnimateFlags |= flag; });
}

void TfrmPlot::ClearAnimateFlag(int flag)
{
    FDocument->EditView(QStringLiteral("Spin"), [flag](TViewState& v) { v.AnimateFlags &= ~flag; });
}

void TfrmPlot::SetAnimateStep(int step)
{
    FDocument->EditView(
        QStringLiteral("Animation Step"), [step](TViewState& v) { v.AnimateStep = step; }, kMergeAnimateStep);
}

void TfrmPlot::SetAnimationInterval(int ms)
{
    FDocument->EditView(
        QStringLiteral("Animation Interval"), [ms](TViewState& v) { v.AnimationInterval = std::max(ms, 0); },
        kMergeInterval);
    tmrAnimation->setInterval(std::max(ms, 0));
}

int TfrmPlot::GetAnimationInterval() const { return tmrAnimation->interval(); }

void TfrmPlot::tmrAnimationTimer()
{
    // Animation turns the camera and the objects as it goes, without undo steps.
    TViewState& view = FDocument->LiveView();
    const std::int32_t stepValue = view.AnimateStep;
    // A spinning camera angle becomes a whole number of degrees, -359 to 359.
    auto spin = [stepValue](float& angle) {
        angle = static_cast<float>(std::fmod(std::trunc(static_cast<double>(stepValue) + angle), 360.0));
    };
    const std::int32_t flags = view.AnimateFlags;
    if (flags & afCameraY)
        spin(view.CameraRotation[1]);
    if (flags & afCameraX)
        spin(view.CameraRotation[0]);
    if (flags & afCameraZ)
        spin(view.CameraRotation[2]);
    const float step = static_cast<float>(stepValue);
    if (flags & afObjectX)
        for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
            obj->RotateXY(step, 0);
    if (flags & afObjectY)
        for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
            obj->RotateXY(0, step);
    if (flags & afObjectZ)
        for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
            obj->RotateZY(step, 0);
    UpdateProjection();
    RenderScene(GL_RENDER);
}
