// SPDX-License-Identifier: GPL-3.0-or-later
// Placing, picking and removing objects; the light options and undo.
#include "ContextScope.h"
#include "MergeIds.h"
#include "Messages.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLPlane.h"
#include "TGLPolyObject.h"
#include "TGLPyramid.h"
#include "TfrmPlot.h"
#include "ViewPanels.h"

#include <QFile>
#include <QUndoStack>

#include <algorithm>
#include <cfloat>

namespace {

bool IsLight(TGLObject* obj) { return IsLightObject(obj); }

const QString kTooManyLights = QStringLiteral("You can't have more than 8 lights!");

// Words of the selection buffer a pick starts with; 128 hit records.
constexpr int kSelectBufferWords = 512;

} // namespace

std::vector<TGLObject*> TfrmPlot::Objects() const { return FDocument->Objects(); }

int TfrmPlot::ForegroundColor() const
{
    return FPanels.colors ? FPanels.colors->ForegroundColor() : kDefaultForeground;
}

void TfrmPlot::EnableLightOptions()
{
    if (TLightOptions* options = FPanels.lights)
        options->EnableLightOptions();
}

void TfrmPlot::DisableLightOptions()
{
    if (TLightOptions* options = FPanels.lights)
        options->DisableLightOptions();
}

void TfrmPlot::RemoveCameraOffset(float& x, float& y) const
{
    x -= View().CameraTranslation[0];
    y -= View().CameraTranslation[1];
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
        // A 5 x 5 pixel pick box on any screen: in device pixels it grows
        // with the screen's density.
        gl::PickMatrix(x * dpr, viewport[3] - y * dpr, 5 * dpr, 5 * dpr, viewport);
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
    TLightOptions* options = FPanels.lights;
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

int TfrmPlot::GetDetailLevel() const
{
    TGLObject* current = FDocument->Current();
    if (current && current->GetDetail() >= 0)
        return current->GetDetail();
    int level = TGLIcosahedron::kDefaultDepth;
    for (TGLObject* obj = FDocument->First(); obj; obj = obj->GetNext())
        if (obj->GetDetail() >= 0)
            level = obj->GetDetail();
    return level;
}
