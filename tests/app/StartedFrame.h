// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Globals.h"
#include "Startup.h"
#include "TMainForm.h"
#include "TestSupport.h"
#include "TfrmPlot.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

// The program's windows as start-up makes them, the frame shown and its first
// view ready to draw; destroyed again at the end, with no error box shown.
class StartedFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateApplicationWindows();
        MainForm->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
        ASSERT_TRUE(WaitForContext(frmPlot));
    }
    void TearDown() override
    {
        DestroyApplicationWindows();
        EXPECT_TRUE(messages.Errors.isEmpty()) << messages.Errors.join('\n').toStdString();
    }

    // The views' captions, oldest first.
    static QStringList Captions()
    {
        QStringList captions;
        for (QMdiSubWindow* sub : MainForm->MdiArea()->subWindowList(QMdiArea::CreationOrder))
            captions << sub->widget()->windowTitle();
        return captions;
    }

    MessageRecorder messages;
};
