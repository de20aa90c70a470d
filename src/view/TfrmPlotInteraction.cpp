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
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace {

bool IsLight(TGLObject* obj) { return obj && std::strcmp(obj->GetTypeName(), "TGLLight") == 0; }

const QString kTooManyLights = QStringLiteral("You can't have more than 8 lights!");

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

std::vector<TGLObject*> TfrmPlot::Objects() const
{
    std::vector<TGLObject*> objects;
    for (TGLObject* obj = FFirstObject; obj; obj = obj->GetNext())
        objects.push_back(obj);
    return objects;
}

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
    x -= FCameraX;
    y -= FCameraY;
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
    default:
        break;
    }
}

void TfrmPlot::FormMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)
{
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
    TGLObject* placed = AddObject(std::move(obj));
    placed->SetColor(ForegroundColor());
    placed->GrowScale(growth, growth, growth, false);
    RenderScene(GL_RENDER);
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
    {
        // The light sends its colours and position to its unit in this view's context.
        ContextScope scope(*this);
        AddObject(std::make_unique<TGLLight>(x, y));
    }
    EnableLightOptions();
    UpdateLightPanel();
    RenderScene(GL_RENDER);
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
    for (auto& poly : objects) {
        TGLObject* obj = AddObject(std::move(poly));
        obj->SetColor(ForegroundColor());
        if (f < 1)
            obj->GrowScale(f - 1, f - 1, f - 1, false);
    }
    RenderScene(GL_RENDER);
}

void TfrmPlot::PickObject(int x, int y)
{
    if (!MakeCurrent()) {
        DisableLightOptions();
        FCurrentObject = nullptr;
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
        const bool drawAxis = FDrawAxis;
        FDrawAxis = false;
        RenderScene(GL_SELECT);
        FDrawAxis = drawAxis;
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
        FCurrentObject = nullptr;
        return;
    }

    // The names of the hit records, in drawing (list) order.
    std::vector<GLuint> names;
    for (std::size_t at = 0, i = 0; i < static_cast<std::size_t>(hits) && at < buffer.size(); ++i) {
        const GLuint count = buffer[at];
        if (count > 0 && at + 3 < buffer.size())
            names.push_back(buffer[at + 3 + count - 1]);
        at += 3 + count;
    }
    if (names.empty()) {
        FCurrentObject = nullptr;
        return;
    }
    std::size_t k = 0;
    if (FCurrentObject && names.size() > 1) {
        const auto found =
            std::find(names.begin(), names.end(), static_cast<GLuint>(FCurrentObject->GetID()));
        if (found != names.end())
            k = (static_cast<std::size_t>(found - names.begin()) + 1) % names.size();
    }
    FCurrentObject = FFirstObject ? FFirstObject->FindByID(static_cast<int>(names[k])) : nullptr;
    if (IsLight(FCurrentObject)) {
        EnableLightOptions();
        UpdateLightPanel();
    }
}

void TfrmPlot::DeleteCurrent()
{
    DisableLightOptions();
    if (!FCurrentObject || !FFirstObject)
        return;
    if (FCurrentObject == FFirstObject) {
        FFirstObject = FCurrentObject->GetNext();
    } else {
        TGLObject* before = FFirstObject;
        while (before && before->GetNext() != FCurrentObject)
            before = before->GetNext();
        if (before)
            before->SetNext(FCurrentObject->GetNext());
    }
    {
        ContextScope scope(*this);
        delete FCurrentObject;
    }
    FCurrentObject = nullptr;
    RenderScene(GL_RENDER);
}

void TfrmPlot::CopyCurrent()
{
    if (!FCurrentObject || !FFirstObject)
        return;
    // A copied light needs a unit of its own.
    if (IsLight(FCurrentObject) && TGLLight::GetLightCount() >= TGLLight::kMaxLights) {
        corvane::ShowMessage(kTooManyLights);
        return;
    }
    {
        ContextScope scope(*this);
        FCurrentObject = FFirstObject->Append(FCurrentObject->Clone());
    }
    RenderScene(GL_RENDER);
}

void TfrmPlot::SetDetailAll(int level)
{
    for (TGLObject* obj = FFirstObject; obj; obj = obj->GetNext())
        obj->SetDetail(level);
    RenderScene(GL_RENDER);
}

void TfrmPlot::UpdateLightPanel()
{
    TLightOptions* options = viewlinks::LightOptions();
    if (!options || !IsLight(FCurrentObject))
        return;
    const int selected = options->SelectedLightComponent();
    const int which = selected == 0 ? 0 : selected == 1 ? 1 : 2;
    auto* light = static_cast<TGLLight*>(FCurrentObject);
    float r, g, b;
    light->GetLightColor(which, r, g, b);
    options->ShowLightValues(which, light->IsDirectional(), r, g, b);
}

void TfrmPlot::SetCurrentLightColor(unsigned char which, float r, float g, float b)
{
    if (!IsLight(FCurrentObject))
        return;
    {
        ContextScope scope(*this);
        static_cast<TGLLight*>(FCurrentObject)->SetLightColor(which, r, g, b);
    }
    RenderScene(GL_RENDER);
}

void TfrmPlot::SetCurrentLightW(float w)
{
    if (!IsLight(FCurrentObject))
        return;
    auto* light = static_cast<TGLLight*>(FCurrentObject);
    light->SetW(w);
    {
        ContextScope scope(*this);
        light->ApplyPosition();
    }
    RenderScene(GL_RENDER);
}

void TfrmPlot::SetLighting(bool on)
{
    FLighting = on;
    if (MakeCurrent()) {
        if (on)
            gl::Enable(GL_LIGHTING);
        else
            gl::Disable(GL_LIGHTING);
    }
    RenderScene(GL_RENDER);
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
    setWindowTitle(QString::asprintf("Tools - mouse at X: %f, Y: %1f", static_cast<double>(vx),
                                     static_cast<double>(vy)));
    if (!FCurrentObject && FTool != mtCameraRotate && FTool != mtCameraTranslate)
        return;
    const bool left = buttons & Qt::LeftButton;
    const bool right = buttons & Qt::RightButton;
    const bool held = left || right;
    const float dx = vx - FMouseX;
    const float dy = vy - FMouseY;

    switch (FTool) {
    case mtScale: {
        if (!FCurrentObject || !held)
            return;
        const float sx = dx * 0.05f;
        const float sy = dy * 0.05f;
        FMouseX = vx;
        FMouseY = vy;
        if (shift & Qt::ShiftModifier)
            FCurrentObject->GrowScale(sx, sx, sx, true);
        else if (right)
            FCurrentObject->GrowScale(0, 0, sx, false);
        else
            FCurrentObject->GrowScale(sx, sy, 0, false);
        RenderScene(GL_RENDER);
        break;
    }
    case mtTranslate: {
        if (left) {
            float ox, oy;
            FCurrentObject->GetXY(ox, oy);
            FCurrentObject->SetXY(ox + dx, oy + dy);
        } else if (right) {
            float oz;
            FCurrentObject->GetZ(oz);
            FCurrentObject->SetZ(oz + dy);
        }
        if (!held)
            return;
        FMouseX = vx;
        FMouseY = vy;
        if (IsLight(FCurrentObject)) {
            UpdateLightPanel();
            if (MakeCurrent())
                static_cast<TGLLight*>(FCurrentObject)->ApplyPosition();
        }
        RenderScene(GL_RENDER);
        break;
    }
    case mtRotate: {
        if (!FCurrentObject || !held)
            return;
        const float ay = dx * -360 / (FViewRight - FViewLeft);
        const float ax = dy * -360 / (FViewTop - FViewBottom);
        if (FRotateXY)
            FCurrentObject->RotateXY(ax, ay);
        else
            FCurrentObject->RotateZY(ax, ay);
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
        TurnCamera(FCameraRotY, ay);
        TurnCamera(FRotateXY ? FCameraRotX : FCameraRotZ, ax);
        FMouseX = vx;
        FMouseY = vy;
        UpdateProjection();
        RenderScene(GL_RENDER);
        break;
    }
    case mtCameraTranslate: {
        if (left) {
            FCameraX += dx;
            FCameraY += dy;
        } else if (right) {
            FCameraZ += dy;
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
    if (key == Qt::Key_Delete && FCurrentObject)
        DeleteCurrent();
}

void TfrmPlot::FormKeyPress(int) {}

void TfrmPlot::ResetAxis()
{
    FCameraRotX = 20;
    FCameraRotY = 20;
    FCameraRotZ = 0;
    FCameraX = FCameraY = FCameraZ = 0;
    UpdateProjection();
    RenderScene(GL_RENDER);
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

void TfrmPlot::SetAnimationInterval(int ms) { tmrAnimation->setInterval(std::max(ms, 0)); }

int TfrmPlot::GetAnimationInterval() const { return tmrAnimation->interval(); }

void TfrmPlot::tmrAnimationTimer()
{
    // A spinning camera angle becomes a whole number of degrees, -359 to 359.
    auto spin = [this](float& angle) {
        angle = static_cast<float>(std::fmod(std::trunc(static_cast<double>(FAnimateStep) + angle), 360.0));
    };
    if (FAnimateFlags & afCameraY)
        spin(FCameraRotY);
    if (FAnimateFlags & afCameraX)
        spin(FCameraRotX);
    if (FAnimateFlags & afCameraZ)
        spin(FCameraRotZ);
    const float step = static_cast<float>(FAnimateStep);
    if (FAnimateFlags & afObjectX)
        for (TGLObject* obj = FFirstObject; obj; obj = obj->GetNext())
            obj->RotateXY(step, 0);
    if (FAnimateFlags & afObjectY)
        for (TGLObject* obj = FFirstObject; obj; obj = obj->GetNext())
            obj->RotateXY(0, step);
    if (FAnimateFlags & afObjectZ)
        for (TGLObject* obj = FFirstObject; obj; obj = obj->GetNext())
            obj->RotateZY(step, 0);
    UpdateProjection();
    RenderScene(GL_RENDER);
}
