// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingDevice.h"

#include <gtest/gtest.h>

TEST(RecordingDevice, WritesCallsInOpenGLSpelling)
{
    gl::RecordingDevice rec;
    gl::ScopedDevice scope(rec);
    gl::Begin(GL_LINE_LOOP);
    gl::Vertex3f(0.1f, -0.5f, -0.0f);
    gl::End();
    gl::Clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const float ambient[4] = {0, 0, 0, 1};
    gl::Lightfv(GL_LIGHT3, GL_AMBIENT, ambient);
    const float shininess = 12.5f;
    gl::Materialfv(GL_FRONT, GL_SHININESS, &shininess);
    gl::CallLists(1, GL_BYTE, "X");
    EXPECT_EQ(rec.Text(), "glBegin(GL_LINE_LOOP)\n"
                          "glVertex3f(0.1, -0.5, 0)\n"
                          "glEnd()\n"
                          "glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)\n"
                          "glLightfv(GL_LIGHT3, GL_AMBIENT, {0, 0, 0, 1})\n"
                          "glMaterialfv(GL_FRONT, GL_SHININESS, {12.5})\n"
                          "glCallLists(1, GL_BYTE, \"X\")\n");
}

TEST(RecordingDevice, AnswersQueriesFromItsState)
{
    gl::RecordingDevice rec;
    gl::ScopedDevice scope(rec);
    EXPECT_FALSE(gl::IsEnabled(GL_LIGHTING));
    gl::Enable(GL_LIGHTING);
    EXPECT_TRUE(gl::IsEnabled(GL_LIGHTING));
    gl::Disable(GL_LIGHTING);
    EXPECT_FALSE(gl::IsEnabled(GL_LIGHTING));

    GLuint names[2] = {};
    gl::GenTextures(2, names);
    EXPECT_EQ(names[0], 1u);
    EXPECT_EQ(names[1], 2u);

    rec.SetSelectHits(3);
    gl::RenderMode(GL_SELECT);
    EXPECT_EQ(gl::RenderMode(GL_RENDER), 3);
}

TEST(RecordingDevice, ScopedDeviceRestoresThePreviousDevice)
{
    gl::Device* before = &gl::current();
    {
        gl::RecordingDevice rec;
        gl::ScopedDevice scope(rec);
        EXPECT_EQ(&gl::current(), &rec);
    }
    EXPECT_EQ(&gl::current(), before);
}
