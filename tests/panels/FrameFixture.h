// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Globals.h"
#include "Startup.h"
#include "TGLLight.h"
#include "TMainForm.h"
#include "TestSupport.h"
#include "TfrmPlot.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <gtest/gtest.h>

// The real frame with its panels and two views, the first one active.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateApplicationWindows();
        MainForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
        first = frmPlot;
        second = MainForm->CreateView(QStringLiteral("Fig.2"));
        ASSERT_TRUE(WaitForContext(first));
        ASSERT_TRUE(WaitForContext(second));
        Activate(first);
    }
    void TearDown() override
    {
        DestroyApplicationWindows();
        EXPECT_EQ(TGLLight::GetLightCount(), 0);
    }

    static void Activate(TfrmPlot* view)
    {
        MainForm->MdiArea()->setActiveSubWindow(view->SubWindow());
        ASSERT_EQ(MainForm->ActiveView(), view);
    }

    // The client pixel of a point in view coordinates (a 300 x 300 view spans -20..20).
    static QPoint Pixel(float vx, float vy)
    {
        return QPoint(qRound((vx + 20) / 40 * 300), qRound((20 - vy) / 40 * 300));
    }

    static void ClickView(TfrmPlot* view, float vx, float vy)
    {
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, Pixel(vx, vy));
    }

    MessageRecorder messages;
    TfrmPlot* first = nullptr;
    TfrmPlot* second = nullptr;
};
