// SPDX-License-Identifier: GPL-3.0-or-later
#include "TGLObject.h"
#include "RecordingDevice.h"
#include "TestShape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int> Ids(TGLObject* head)
{
    std::vector<int> ids;
    for (TGLObject* o = head; o; o = o->GetNext())
        ids.push_back(o->GetID());
    return ids;
}

// Destroys a whole list the way a view does: the followers, then the head.
void DeleteList(TGLObject* head)
{
    if (!head)
        return;
    head->DeleteFollowing();
    delete head;
}

} // namespace

TEST(TGLObjectList, AppendNumbersAfterTheTailAndReusesAFreedTailNumber)
{
    TGLObject* head = new TTestShape;
    EXPECT_EQ(head->GetID(), 1);
    head->Append(std::make_unique<TTestShape>());
    TGLObject* third = head->Append(std::make_unique<TTestShape>());
    EXPECT_EQ(Ids(head), (std::vector<int>{1, 2, 3}));

    // Unlink and destroy the tail: the next object takes its number again.
    head->GetNext()->SetNext(nullptr);
    delete third;
    head->Append(std::make_unique<TTestShape>());
    EXPECT_EQ(Ids(head), (std::vector<int>{1, 2, 3}));

    // Remove the head: the others keep their numbers.
    TGLObject* second = head->GetNext();
    delete head;
    EXPECT_EQ(Ids(second), (std::vector<int>{2, 3}));
    DeleteList(second);
}

TEST(TGLObjectList, FindByIdSearchesFromThisObjectOn)
{
    TGLObject* head = new TTestShape;
    TGLObject* two = head->Append(std::make_unique<TTestShape>());
    TGLObject* three = head->Append(std::make_unique<TTestShape>());
    EXPECT_EQ(head->FindByID(3), three);
    EXPECT_EQ(head->FindByID(2), two);
    EXPECT_EQ(head->FindByID(4), nullptr);
    EXPECT_EQ(two->FindByID(1), nullptr);
    DeleteList(head);
}

TEST(TGLObjectList, DeleteFollowingDestroysEveryFollowerButNotItself)
{
    TGLObject* head = new TTestShape;
    for (int i = 0; i < 4; ++i)
        head->Append(std::make_unique<TTestShape>());
    TTestShape::Destroyed = 0;
    head->DeleteFollowing();
    EXPECT_EQ(TTestShape::Destroyed, 4);
    delete head;
    EXPECT_EQ(TTestShape::Destroyed, 5);
}

TEST(TGLObjectTransform, RotationsFoldOnceAbove360)
{
    struct Case {
        float start, delta, expected;
    };
    const Case cases[] = {{355, 10, 5}, {350, 10, 360}, {0, -400, -400}, {0, 725, 365}, {-10, 5, -5}};
    for (const Case& c : cases) {
        TTestShape obj;
        obj.RotateXY(c.start, c.start);
        obj.RotateXY(c.delta, c.delta);
        float x, y, z;
        obj.GetRotation(x, y, z);
        EXPECT_FLOAT_EQ(x, c.expected) << "start " << c.start << " delta " << c.delta;
        EXPECT_FLOAT_EQ(y, c.expected);
        EXPECT_EQ(z, 0);

        TTestShape zy;
        zy.RotateZY(c.start, c.start);
        zy.RotateZY(c.delta, c.delta);
        zy.GetRotation(x, y, z);
        EXPECT_EQ(x, 0);
        EXPECT_FLOAT_EQ(y, c.expected);
        EXPECT_FLOAT_EQ(z, c.expected);
    }
}

TEST(TGLObjectTransform, ScalingIsAdditiveAndUniformCopiesX)
{
    TTestShape obj;
    obj.GrowScale(1, 2, 3, false);
    float x, y, z;
    obj.GetScale(x, y, z);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 3);
    EXPECT_EQ(z, 4);
    obj.GrowScale(0.5f, 0, 0, true);
    obj.GetScale(x, y, z);
    EXPECT_FLOAT_EQ(x, 2.5f);
    EXPECT_FLOAT_EQ(y, 2);
    EXPECT_FLOAT_EQ(z, 2);
}

TEST(TGLObjectColour, SetColorSplitsTheRgbValueIntoBytes)
{
    struct Case {
        unsigned rgb;
        float r, g, b;
    };
    const Case cases[] = {
        {0xFF0000, 0, 0, 1}, // pure blue
        {0x0000FF, 1, 0, 0}, // pure red
        {0x00FF00, 0, 1, 0}, // pure green
        {0x804020, 0x20 / 255.f, 0x40 / 255.f, 0x80 / 255.f},
        {0xFFFFFFFF, 1, 1, 1}, // the top byte is ignored
    };
    for (const Case& c : cases) {
        TTestShape obj;
        obj.SetColor(static_cast<int>(c.rgb));
        float r, g, b;
        obj.GetColor(r, g, b);
        EXPECT_FLOAT_EQ(r, c.r) << std::hex << c.rgb;
        EXPECT_FLOAT_EQ(g, c.g) << std::hex << c.rgb;
        EXPECT_FLOAT_EQ(b, c.b) << std::hex << c.rgb;
    }
}

TEST(TGLObjectClone, CopiesPlacementAndColourButNotTextureOrMaterial)
{
    TGLObject* head = new TTestShape;
    TGLObject* original = head->Append(std::make_unique<TTestShape>(3, 4));
    original->SetZ(5);
    original->SetColor(0x336699);
    original->RotateXY(10, 20);
    original->RotateZY(30, 0);
    original->GrowScale(1, 2, 3, false);
    original->SetTexture(9);
    original->SetSpecular(1, 1, 1);
    original->SetShininess(50);
    original->SetSelected(true);

    std::unique_ptr<TGLObject> copy = original->Clone();
    gl::RecordingDevice a, b;
    {
        gl::ScopedDevice scope(a);
        original->SetTexture(0);
        original->SetSpecular(0, 0, 0);
        original->SetShininess(0);
        original->Draw(GL_RENDER);
    }
    {
        gl::ScopedDevice scope(b);
        copy->Draw(GL_RENDER);
    }
    // Drawn identically once the original loses what the copy does not take.
    EXPECT_EQ(a.Text(), b.Text());
    EXPECT_EQ(copy->GetNext(), nullptr);
    EXPECT_EQ(copy->GetID(), 1);
    EXPECT_FALSE(copy->IsSelected());
    EXPECT_EQ(copy->GetTexture(), 0u);
    EXPECT_EQ(copy->GetShininess(), 0);
    DeleteList(head);
}

TEST(TGLObject, OnlyLightsAnswerALightTypeName)
{
    TTestShape obj;
    EXPECT_STREQ(obj.GetTypeName(), "TGLObject");
}

struct DrawCase {
    const char* name;
    GLuint texture;
    GLenum mode;
    float rotX, rotY, rotZ;
    const char* expected;
};

class BeginEndDraw : public ::testing::TestWithParam<DrawCase> {};

TEST_P(BeginEndDraw, EmitsThePrologueAndEpilogue)
{
    const DrawCase& c = GetParam();
    TGLObject* head = new TTestShape;
    TGLObject* obj = head->Append(std::make_unique<TTestShape>(1, 2));
    obj->SetZ(3);
    obj->SetColor(0x0080FF);
    obj->GrowScale(4, 4, 4, false);
    obj->RotateXY(c.rotX, c.rotY);
    obj->RotateZY(c.rotZ, 0);
    obj->SetTexture(c.texture);
    obj->SetSpecular(0.5f, 0.25f, 1);
    obj->SetShininess(20);

    gl::RecordingDevice rec;
    {
        gl::ScopedDevice scope(rec);
        obj->BeginDraw(c.mode);
        gl::Vertex3f(0, 0, 0);
        obj->EndDraw(c.mode);
    }
    EXPECT_EQ(rec.Text(), c.expected);
    DeleteList(head);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BeginEndDraw,
    ::testing::Values(DrawCase{"PlainRender", 0, GL_RENDER, 0, 0, 0,
                               "glColor3f(1, 0.5019608, 0)\n"
                               "glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, {1, 0.5019608, 0, 1})\n"
                               "glMaterialfv(GL_FRONT, GL_SPECULAR, {0.5, 0.25, 1, 0})\n"
                               "glMaterialfv(GL_FRONT, GL_SHININESS, {20})\n"
                               "glPushMatrix()\n"
                               "glTranslatef(1, 2, 3)\n"
                               "glScalef(5, 5, 5)\n"
                               "glVertex3f(0, 0, 0)\n"
                               "glPopMatrix()\n"},
                      DrawCase{"TexturedSelectRotated", 7, GL_SELECT, 30, 45, 60,
                               "glColor3f(1, 0.5019608, 0)\n"
                               "glEnable(GL_TEXTURE_2D)\n"
                               "glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)\n"
                               "glBindTexture(GL_TEXTURE_2D, 7)\n"
                               "glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, {1, 1, 1, 1})\n"
                               "glMaterialfv(GL_FRONT, GL_SPECULAR, {0.5, 0.25, 1, 0})\n"
                               "glMaterialfv(GL_FRONT, GL_SHININESS, {20})\n"
                               "glPushName(2)\n"
                               "glPushMatrix()\n"
                               "glTranslatef(1, 2, 3)\n"
                               "glRotatef(30, 1, 0, 0)\n"
                               "glRotatef(45, 0, 1, 0)\n"
                               "glRotatef(60, 0, 0, 1)\n"
                               "glScalef(5, 5, 5)\n"
                               "glVertex3f(0, 0, 0)\n"
                               "glPopMatrix()\n"
                               "glPopName()\n"
                               "glDisable(GL_TEXTURE_2D)\n"},
                      DrawCase{"OnlyNonZeroRotations", 0, GL_RENDER, 0, -90, 0,
                               "glColor3f(1, 0.5019608, 0)\n"
                               "glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, {1, 0.5019608, 0, 1})\n"
                               "glMaterialfv(GL_FRONT, GL_SPECULAR, {0.5, 0.25, 1, 0})\n"
                               "glMaterialfv(GL_FRONT, GL_SHININESS, {20})\n"
                               "glPushMatrix()\n"
                               "glTranslatef(1, 2, 3)\n"
                               "glRotatef(-90, 0, 1, 0)\n"
                               "glScalef(5, 5, 5)\n"
                               "glVertex3f(0, 0, 0)\n"
                               "glPopMatrix()\n"},
                      DrawCase{"TexturedRender", 3, GL_RENDER, 0, 0, 0,
                               "glColor3f(1, 0.5019608, 0)\n"
                               "glEnable(GL_TEXTURE_2D)\n"
                               "glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)\n"
                               "glBindTexture(GL_TEXTURE_2D, 3)\n"
                               "glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, {1, 1, 1, 1})\n"
                               "glMaterialfv(GL_FRONT, GL_SPECULAR, {0.5, 0.25, 1, 0})\n"
                               "glMaterialfv(GL_FRONT, GL_SHININESS, {20})\n"
                               "glPushMatrix()\n"
                               "glTranslatef(1, 2, 3)\n"
                               "glScalef(5, 5, 5)\n"
                               "glVertex3f(0, 0, 0)\n"
                               "glPopMatrix()\n"
                               "glDisable(GL_TEXTURE_2D)\n"}),
    [](const ::testing::TestParamInfo<DrawCase>& info) { return std::string(info.param.name); });

TEST(TGLObjectDraw, LocalAxesAreThreeArrowsInTheirColours)
{
    TTestShape obj;
    gl::RecordingDevice rec;
    {
        gl::ScopedDevice scope(rec);
        obj.DrawLocalAxes(1, 2, 3, 0.1, 2);
    }
    EXPECT_EQ(rec.Text(), "glLineWidth(2)\n"
                          "glBegin(GL_LINES)\n"
                          "glColor3f(1, 0, 0)\n"
                          "glVertex3f(-1, 0, 0)\nglVertex3f(1, 0, 0)\n"
                          "glVertex3f(0.9, 0.1, 0)\nglVertex3f(1, 0, 0)\n"
                          "glVertex3f(0.9, -0.1, 0)\nglVertex3f(1, 0, 0)\n"
                          "glColor3f(0, 1, 0)\n"
                          "glVertex3f(0, -2, 0)\nglVertex3f(0, 2, 0)\n"
                          "glVertex3f(0.1, 1.9, 0)\nglVertex3f(0, 2, 0)\n"
                          "glVertex3f(-0.1, 1.9, 0)\nglVertex3f(0, 2, 0)\n"
                          "glColor3f(0, 0, 1)\n"
                          "glVertex3f(0, 0, -3)\nglVertex3f(0, 0, 3)\n"
                          "glVertex3f(0, 0.1, 2.9)\nglVertex3f(0, 0, 3)\n"
                          "glVertex3f(0, -0.1, 2.9)\nglVertex3f(0, 0, 3)\n"
                          "glEnd()\n"
                          "glLineWidth(1)\n");
}

TEST(TGLObjectDraw, TextOutCallsOneListPerCharacterAtTheRasterPosition)
{
    gl::RecordingDevice rec;
    {
        gl::ScopedDevice scope(rec);
        GLTextOut("XYZ", 1, 0, -1);
    }
    EXPECT_EQ(rec.Text(), "glRasterPos3f(1, 0, -1)\nglCallLists(3, GL_BYTE, \"XYZ\")\n");
}
