// SPDX-License-Identifier: GPL-3.0-or-later
// The mouse and the keyboard: Qt's events, the handlers they call, the tool
// keys, and the hand-over of the mouse to the current tool or the navigation.
#include "Messages.h"
#include "TfrmPlot.h"
#include "tools/TToolTable.h"
#include "tools/TViewNavigation.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

// --- Qt events ------------------------------------------------------------

void TfrmPlot::mousePressEvent(QMouseEvent* event)
{
    // Qt keeps sending moves and the release to this widget while a button is
    // held (its implicit grab), which is the capture the drag tools need.
    const QPoint p = event->position().toPoint();
    // What Qt says is held counts, should a release have gone elsewhere.
    FHeld = event->buttons() & ~event->button();
    corvane::RunHandler([&] { FormMouseDown(event->button(), event->modifiers(), p.x(), p.y()); });
}

void TfrmPlot::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    FHeld = event->buttons() | event->button();
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
    corvane::RunHandler([&] { FormKeyPress(event->key(), event->modifiers()); });
}

void TfrmPlot::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    const QPoint p = event->position().toPoint();
    corvane::RunHandler(
        [&] { ZoomBy(static_cast<float>(std::pow(TViewNavigation::kZoomStep, steps)), p.x(), p.y()); });
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

TToolEvent TfrmPlot::ToolEvent(Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers shift,
                               int x, int y) const
{
    TToolEvent e;
    e.button = button;
    e.buttons = buttons;
    e.modifiers = shift;
    e.x = x;
    e.y = y;
    MouseToView(x, y, e.vx, e.vy);
    return e;
}

TViewTool& TfrmPlot::ActiveTool()
{
    TViewTool& tool = FTools->For(FTool);
    if (FPressedTool && FPressedTool != &tool) {
        // The tool changed under a held button (a tool key): the old tool's
        // drag is a step of its own, the new tool's begins with its first move.
        FPressedTool->Finish();
        FPressedTool = &tool;
    }
    return tool;
}

void TfrmPlot::FormMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    const Qt::MouseButtons before = FHeld;
    FHeld |= button;
    if (FNavigation->IsActive()) {
        // Moving about the scene has the mouse until the middle button is up.
        FSwallowed |= button;
        return;
    }
    if (button == Qt::MiddleButton && !(before & ~Qt::MouseButtons(Qt::MiddleButton))) {
        FNavigation->Press(ToolEvent(button, FHeld, shift, x, y));
        return;
    }
    ToolPress(button, shift, x, y);
}

void TfrmPlot::ToolPress(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    // Every press sets the anchor, whatever the tool; any button acts.
    MouseToView(x, y, FMouseX, FMouseY);
    TViewTool& tool = ActiveTool();
    FPressedTool = &tool;
    tool.Press(ToolEvent(button, FHeld, shift, x, y));
}

void TfrmPlot::FormMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    FHeld &= ~button;
    if (FSwallowed & button) {
        FSwallowed &= ~button;
        return;
    }
    if (button == Qt::MiddleButton && FNavigation->IsActive()) {
        const QPoint pressed = FNavigation->PressPoint();
        // A middle click that did not drag is a click for the tool, as with any button.
        if (!FNavigation->Release()) {
            ToolPress(button, shift, pressed.x(), pressed.y());
            ToolRelease(button, shift, x, y);
        }
        return;
    }
    ToolRelease(button, shift, x, y);
}

void TfrmPlot::ToolRelease(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    TViewTool& tool = ActiveTool();
    FPressedTool = nullptr;
    tool.Release(ToolEvent(button, FHeld, shift, x, y));
}

void TfrmPlot::FormMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y)
{
    if (FIgnoreMouseMove) {
        FIgnoreMouseMove = false;
        return;
    }
    const TToolEvent e = ToolEvent(Qt::NoButton, buttons, shift, x, y);
    FMouseText = QString::asprintf("Tools - mouse at X: %f, Y: %1f", static_cast<double>(e.vx),
                                   static_cast<double>(e.vy));
    emit MouseTextChanged(FMouseText);
    if (FNavigation->IsActive()) {
        if (buttons & Qt::MiddleButton) {
            FNavigation->Move(e);
            return;
        }
        // The middle button came up where the view did not see it.
        FNavigation->Finish();
    }
    ActiveTool().Move(e);
}

void TfrmPlot::FormKeyUp(int key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Delete && FDocument->Current())
        DeleteCurrent();
}

namespace {

struct ToolKeyOf {
    TMouseTool tool;
    int key;
};

// The keys of the tools: Q W E R for select, move, rotate and scale as in
// most modellers, and the initial of each solid.
constexpr ToolKeyOf kToolKeys[] = {
    {mtSelect, Qt::Key_Q},  {mtTranslate, Qt::Key_W},    {mtRotate, Qt::Key_E},
    {mtScale, Qt::Key_R},   {mtCube, Qt::Key_C},         {mtPlane, Qt::Key_P},
    {mtPyramid, Qt::Key_Y}, {mtIcosahedron, Qt::Key_I},  {mtAddLight, Qt::Key_L},
    {mtDelete, Qt::Key_X},  {mtCameraRotate, Qt::Key_O}, {mtCameraTranslate, Qt::Key_M},
};

} // namespace

int TfrmPlot::ToolKey(TMouseTool tool)
{
    for (const ToolKeyOf& k : kToolKeys)
        if (k.tool == tool)
            return k.key;
    return 0;
}

bool TfrmPlot::ToolForKey(int key, TMouseTool& tool)
{
    if (key == Qt::Key_Escape) {
        tool = mtSelect;
        return true;
    }
    for (const ToolKeyOf& k : kToolKeys)
        if (k.key == key) {
            tool = k.tool;
            return true;
        }
    return false;
}

void TfrmPlot::SetTool(unsigned char tool)
{
    const auto chosen = static_cast<TMouseTool>(tool);
    if (chosen == FTool)
        return;
    FTool = chosen;
    emit ToolChanged();
}

void TfrmPlot::FormKeyPress(int key, Qt::KeyboardModifiers shift)
{
    // Keys with Ctrl, Alt or Meta belong to the menus.
    if (shift & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return;
    if (key == Qt::Key_Home) {
        ResetAxis();
        return;
    }
    if (key == Qt::Key_F) {
        FrameCurrentObject();
        return;
    }
    TMouseTool tool;
    if (ToolForKey(key, tool))
        SetTool(tool);
}
