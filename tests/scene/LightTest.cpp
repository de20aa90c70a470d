// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recording.h"
#include "TGLLight.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

namespace {

// Lights are counted process-wide; every test starts and ends with none.
class LightTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(TGLLight::GetLightCount(), 0); }
    void TearDown() override
    {
        lights.clear();
        EXPECT_EQ(TGLLight::GetLightCount(), 0);
    }

    TGLLight* Add(float x = 0, float y = 0)
    {
        lights.push_back(std::make_unique<TGLLight>(x, y));
        return lights.back().get();
    }

    std::vector<int> Units() const
    {
        std::vector<int> units;
        for (const auto& l : lights)
            units.push_back(l->HasUnit() ? static_cast<int>(l->Unit() - GL_LIGHT0) : -1);
        return units;
    }

    gl::RecordingDevice rec;
    gl::ScopedDevice scope{rec};
    std::vector<std::unique_ptr<TGLLight>> lights;
};

} // namespace

TEST_F(LightTest, ANewLightSendsItsDefaultsToItsUnitAndEnablesIt)
{
    TGLLight* light = Add(2, -3);
    EXPECT_EQ(rec.Text(), "glLightfv(GL_LIGHT0, GL_AMBIENT, {0, 0, 0, 1})\n"
                          "glLightfv(GL_LIGHT0, GL_SPECULAR, {1, 1, 1, 1})\n"
                          "glLightfv(GL_LIGHT0, GL_DIFFUSE, {1, 1, 1, 1})\n"
                          "glLightfv(GL_LIGHT0, GL_POSITION, {2, -3, 15, 1})\n"
                          "glEnable(GL_LIGHT0)\n");
    float x, y, z, r, g, b;
    light->GetZ(z);
    EXPECT_EQ(z, 15);
    light->GetScale(x, y, z);
    EXPECT_FLOAT_EQ(x, 3.3f);
    EXPECT_FLOAT_EQ(y, 3.3f);
    EXPECT_FLOAT_EQ(z, 3.3f);
    light->GetColor(r, g, b);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 1);
    EXPECT_EQ(b, 1);
    EXPECT_STREQ(light->GetTypeName(), "TGLLight");
    EXPECT_FALSE(light->IsDirectional());
}

TEST_F(LightTest, EightLightsTakeTheEightUnitsAndANinthGetsNone)
{
    for (int i = 0; i < 8; ++i)
        Add();
    EXPECT_EQ(Units(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(TGLLight::GetLightCount(), 8);

    rec.ClearCalls();
    TGLLight* ninth = Add();
    EXPECT_FALSE(ninth->HasUnit());
    EXPECT_EQ(TGLLight::GetLightCount(), 8);
    lights.pop_back();
    EXPECT_TRUE(rec.Calls().empty()) << "a light without a unit touches no OpenGL state";
    EXPECT_EQ(TGLLight::GetLightCount(), 8);
}

TEST_F(LightTest, DestroyingALightDisablesItsUnitForTheNextLight)
{
    for (int i = 0; i < 3; ++i)
        Add();
    rec.ClearCalls();
    lights.erase(lights.begin() + 1);
    EXPECT_EQ(rec.Text(), "glDisable(GL_LIGHT1)\n");
    EXPECT_EQ(TGLLight::GetLightCount(), 2);
    Add();
    EXPECT_EQ(Units(), (std::vector<int>{0, 2, 1}));
}

TEST_F(LightTest, NoTwoLightsShareAUnitWhateverOrderTheyAreDestroyedIn)
{
    const std::vector<std::vector<int>> orders = {{7},       {0},          {3, 5},
                                                  {6, 1, 4}, {0, 1, 2, 3}, {7, 6, 5, 4, 3, 2, 1}};
    for (const auto& order : orders) {
        for (int i = 0; i < 8; ++i)
            Add();
        // Destroy the lights at the given original positions, then refill.
        std::vector<TGLLight*> doomed;
        for (int at : order)
            doomed.push_back(lights[static_cast<std::size_t>(at)].get());
        for (TGLLight* d : doomed)
            lights.erase(
                std::find_if(lights.begin(), lights.end(), [d](const auto& l) { return l.get() == d; }));
        for (std::size_t i = 0; i < order.size(); ++i)
            Add();
        const std::vector<int> units = Units();
        EXPECT_EQ(std::set<int>(units.begin(), units.end()).size(), 8u)
            << "after destroying " << order.size();
        EXPECT_EQ(std::count(units.begin(), units.end(), -1), 0);
        lights.clear();
    }
}

TEST_F(LightTest, ColoursAndPositionGoToTheUnit)
{
    Add();
    TGLLight* light = Add();
    rec.ClearCalls();
    light->SetLightColor(0, 0.5f, 0.25f, 1);
    EXPECT_EQ(rec.Text(), "glLightfv(GL_LIGHT1, GL_AMBIENT, {0.5, 0.25, 1, 1})\n"
                          "glLightfv(GL_LIGHT1, GL_SPECULAR, {1, 1, 1, 1})\n"
                          "glLightfv(GL_LIGHT1, GL_DIFFUSE, {1, 1, 1, 1})\n");
    light->SetLightColor(5, 0.1f, 0.2f, 0.3f); // any code above 1 is specular
    light->SetLightColor(1, 0.4f, 0.5f, 0.6f);
    struct Case {
        int which;
        float r, g, b;
    };
    for (const Case& c : {Case{0, 0.5f, 0.25f, 1}, Case{1, 0.4f, 0.5f, 0.6f}, Case{2, 0.1f, 0.2f, 0.3f}}) {
        float r, g, b;
        light->GetLightColor(c.which, r, g, b);
        EXPECT_EQ(r, c.r);
        EXPECT_EQ(g, c.g);
        EXPECT_EQ(b, c.b);
    }

    rec.ClearCalls();
    light->SetW(0);
    EXPECT_TRUE(rec.Calls().empty());
    light->SetXY(4, 5);
    light->ApplyPosition();
    EXPECT_TRUE(light->IsDirectional());
    EXPECT_EQ(rec.Text(), "glLightfv(GL_LIGHT1, GL_POSITION, {4, 5, 15, 0})\n");
}

TEST_F(LightTest, DrawsAWireCubeThickWhenSelected)
{
    TGLLight* light = Add();
    const std::string cube = "glBegin(GL_LINE_LOOP)\n"
                             "glVertex3f(-0.5, -0.5, -0.5)\nglVertex3f(0.5, -0.5, -0.5)\n"
                             "glVertex3f(0.5, -0.5, 0.5)\nglVertex3f(-0.5, -0.5, 0.5)\nglEnd()\n"
                             "glBegin(GL_LINE_LOOP)\n"
                             "glVertex3f(-0.5, 0.5, -0.5)\nglVertex3f(0.5, 0.5, -0.5)\n"
                             "glVertex3f(0.5, 0.5, 0.5)\nglVertex3f(-0.5, 0.5, 0.5)\nglEnd()\n"
                             "glBegin(GL_LINES)\n"
                             "glVertex3f(-0.5, -0.5, -0.5)\nglVertex3f(-0.5, 0.5, -0.5)\n"
                             "glVertex3f(0.5, -0.5, -0.5)\nglVertex3f(0.5, 0.5, -0.5)\n"
                             "glVertex3f(0.5, -0.5, 0.5)\nglVertex3f(0.5, 0.5, 0.5)\n"
                             "glVertex3f(-0.5, -0.5, 0.5)\nglVertex3f(-0.5, 0.5, 0.5)\nglEnd()\n";
    EXPECT_EQ(Body(RecordDraw(*light)), "glIsEnabled(GL_LIGHTING)\n" + cube);
    light->SetSelected(true);
    light->SetTexture(3);
    EXPECT_EQ(Body(RecordDraw(*light, GL_RENDER, true)),
              "glDisable(GL_TEXTURE_2D)\nglIsEnabled(GL_LIGHTING)\nglDisable(GL_LIGHTING)\nglLineWidth(3)\n" +
                  cube + "glEnable(GL_LIGHTING)\nglLineWidth(1)\n");
    const auto calls = RecordDraw(*light);
    EXPECT_EQ(CountPrefix(calls, "glNormal"), 0);
    EXPECT_EQ(CountPrefix(calls, "glTexCoord"), 0);
}

TEST_F(LightTest, ACopyTakesANewUnitWithDefaultColours)
{
    TGLLight* light = Add(1, 2);
    light->SetZ(-4);
    light->SetLightColor(0, 0.5f, 0.5f, 0.5f);
    std::unique_ptr<TGLObject> copy = light->Clone();
    auto* copied = static_cast<TGLLight*>(copy.get());
    EXPECT_EQ(copied->Unit(), static_cast<GLenum>(GL_LIGHT1));
    EXPECT_EQ(TGLLight::GetLightCount(), 2);
    float z, r, g, b;
    copied->GetZ(z);
    EXPECT_EQ(z, -4);
    copied->GetLightColor(0, r, g, b);
    EXPECT_EQ(r, 0);
    copy.reset();
    EXPECT_EQ(TGLLight::GetLightCount(), 1);
}
