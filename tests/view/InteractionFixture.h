// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A view in a frame of its own with stand-ins for the panels, ten pixels per
// view unit, and the drag and click steps the interaction tests take.
#include "RecordingDevice.h"
#include "TGLCube.h"
#include "TGLIcosahedron.h"
#include "TGLLight.h"
#include "TGLPolyObject.h"
#include "TestShape.h"
#include "TestSupport.h"
#include "TfrmPlot.h"
#include "ViewFrame.h"
#include "ViewPanels.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>

// Stands in for the WorkSpace panel's light options.
class FakeLightOptions : public TLightOptions {
public:
    void EnableLightOptions() override { Enabled = true; }
    void DisableLightOptions() override { Enabled = false; }
    void ShowLightValues(int which, bool directional, float r, float g, float b) override
    {
        Shown = {static_cast<float>(which), directional ? 1.f : 0.f, r, g, b};
        ++ShowCount;
    }
    int SelectedLightComponent() const override { return Component; }

    bool Enabled = false;
    std::vector<float> Shown;
    int ShowCount = 0;
    int Component = 0;
};

// Stands in for the Output panel's foreground swatch.
class FakeColors : public TColorSource {
public:
    int ForegroundColor() const override { return Foreground; }
    int BackgroundColor() const override { return 0xFFFFFF; }
    int Foreground = 0x00FF00;
};

class InteractionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = host.AddView();
        view->SetPanels({&lights, &colors});
        ASSERT_TRUE(view->HasContext());
        // Ten pixels per view unit, so that whole view coordinates are whole pixels.
        ResizeClient(view, 400, 400);
        ASSERT_EQ(view->size(), QSize(400, 400));
    }
    void TearDown() override
    {
        EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    }

    // The client pixel of a point in view coordinates (the view spans -20..20).
    static QPoint Pixel(float vx, float vy) { return QPoint(qRound((vx + 20) * 10), qRound((20 - vy) * 10)); }

    // One drag step in view coordinates, as the window's handlers see it.
    void Drag(float fromX, float fromY, float toX, float toY, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers shift = Qt::NoModifier)
    {
        const QPoint a = Pixel(fromX, fromY), b = Pixel(toX, toY);
        view->FormMouseDown(Qt::LeftButton, shift, a.x(), a.y());
        view->FormMouseMove(buttons, shift, b.x(), b.y());
        view->FormMouseUp(Qt::LeftButton, shift, b.x(), b.y());
    }

    // A drag along a path in view coordinates: pressed at the first point,
    // moved through the others, released at the last.
    void DragAlong(std::initializer_list<QPointF> path, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers shift = Qt::NoModifier)
    {
        const QPointF* p = path.begin();
        QPoint at = Pixel(static_cast<float>(p->x()), static_cast<float>(p->y()));
        view->FormMouseDown(Qt::LeftButton, shift, at.x(), at.y());
        for (++p; p != path.end(); ++p) {
            at = Pixel(static_cast<float>(p->x()), static_cast<float>(p->y()));
            view->FormMouseMove(buttons, shift, at.x(), at.y());
        }
        view->FormMouseUp(Qt::LeftButton, shift, at.x(), at.y());
    }

    // Where the current object and the camera stand: the object's position,
    // rotation and scale, the camera's rotation (from kCameraRotation on) and
    // translation (from kCameraTranslation on).
    static constexpr std::size_t kCameraRotation = 9, kCameraTranslation = 12;
    std::array<float, 15> Pose() const
    {
        TGLObject* current = view->GetCurrentObject();
        const TObjectState o = current ? TObjectState::Capture(*current) : TObjectState{};
        const TViewState& v = view->Document()->View();
        const std::array<const std::array<float, 3>*, 5> parts{&o.Position, &o.Rotation, &o.Scale,
                                                               &v.CameraRotation, &v.CameraTranslation};
        std::array<float, 15> pose{};
        for (std::size_t i = 0; i < pose.size(); ++i)
            pose[i] = (*parts[i / 3])[i % 3];
        return pose;
    }

    void Click(float vx, float vy, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(view, button, Qt::NoModifier, Pixel(vx, vy));
    }

    static std::vector<int> Ids(TfrmPlot* v)
    {
        std::vector<int> ids;
        for (TGLObject* o : v->Objects())
            ids.push_back(o->GetID());
        return ids;
    }

    static std::array<float, 3> Scale(TGLObject* o)
    {
        std::array<float, 3> s;
        o->GetScale(s[0], s[1], s[2]);
        return s;
    }

    static std::array<float, 3> Rotation(TGLObject* o)
    {
        std::array<float, 3> r;
        o->GetRotation(r[0], r[1], r[2]);
        return r;
    }

    MessageRecorder messages;
    FakeLightOptions lights;
    FakeColors colors;
    ViewHost host;
    TfrmPlot* view = nullptr;
};
