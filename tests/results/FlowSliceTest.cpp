// SPDX-License-Identifier: GPL-3.0-or-later
// Slices of a three-dimensional field: which nodes a picture shows, where,
// in which colours, and what it refuses.
#include "FlowSlice.h"
#include "FieldPicture.h"
#include "FlowFixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A field of 4 x 3 x 5 nodes in the unit cube whose speed tells its node:
// ux = (i + 1) + 10 (j + 1) + 100 (k + 1), the other components 0.
lbm::Fields Numbered()
{
    const FlowBox box;
    return MakeFlow(box, 4, 3, 5, [](const Point3& p) {
        const double i = std::floor(p[0] * 4), j = std::floor(p[1] * 3), k = std::floor(p[2] * 5);
        return Point3{(i + 1) + 10 * (j + 1) + 100 * (k + 1), 0, 0};
    });
}

QRgb ColourOf(double speed, double top) { return ScaleColour(speed / top).rgb(); }

} // namespace

// Each picture has the plane's nodes, the first axis to the right and the
// second one up, coloured by their speed over the top given.
TEST(FlowSlice, APictureShowsItsPlanesNodesInTheirPlaces)
{
    const lbm::Fields f = Numbered();
    const double top = 600;
    struct Case {
        int normal, n;
        int width, height;
        // the node (i, j, k) at the picture's top left and bottom right
        int topLeft[3], bottomRight[3];
    } const cases[] = {
        {0, 2, 5, 3, {2, 2, 0}, {2, 0, 4}}, // across x: z to the right, y up
        {1, 1, 4, 5, {0, 1, 4}, {3, 1, 0}}, // across y: x to the right, z up
        {2, 3, 4, 3, {0, 2, 3}, {3, 0, 3}}, // across z: x to the right, y up
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.normal);
        double used = 0;
        const QImage picture = SlicePicture(f, c.normal, c.n, 1.0, top, &used);
        ASSERT_EQ(picture.size(), QSize(c.width, c.height));
        EXPECT_EQ(used, top);
        const auto speed = [](const int* node) {
            return (node[0] + 1) + 10 * (node[1] + 1) + 100 * (node[2] + 1);
        };
        EXPECT_EQ(picture.pixel(0, 0), ColourOf(speed(c.topLeft), top));
        EXPECT_EQ(picture.pixel(c.width - 1, c.height - 1), ColourOf(speed(c.bottomRight), top));
    }
}

// Without a top the whole field's largest speed is the top, so that slices
// of one field share it; obstacles are grey and speeds count all three
// components, scaled by the lid speed.
TEST(FlowSlice, TheTopIsTheFieldsAndObstaclesAreGrey)
{
    const FlowBox box;
    // |u| = 5 * lid speed 0.1 everywhere but at x > 0.75, where it is 10.
    const auto u = [](const Point3& p) { return p[0] > 0.75 ? Point3{0, 0.6, 0.8} : Point3{0.3, 0, 0.4}; };
    const lbm::Fields f =
        MakeFlow(box, 4, 4, 4, u, [](const Point3& p) { return p[0] < 0.25 && p[1] < 0.25; });
    EXPECT_NEAR(LargestSpeed(f, 0.1), 10, 1e-12);
    double used = 0;
    const QImage picture = SlicePicture(f, 2, 0, 0.1, 0, &used);
    ASSERT_FALSE(picture.isNull());
    EXPECT_NEAR(used, 10, 1e-12);
    EXPECT_EQ(picture.pixel(0, 3), kObstacleColour) << "the node (0, 0, 0), bottom left";
    EXPECT_EQ(picture.pixel(1, 3), ColourOf(5, 10));
    EXPECT_EQ(picture.pixel(3, 0), ColourOf(10, 10));
    // The obstacle's nodes, at rest, do not set the top.
    const lbm::Fields fast = MakeFlow(box, 4, 4, 4, u, [](const Point3& p) { return p[0] > 0.75; });
    EXPECT_NEAR(LargestSpeed(fast, 0.1), 5, 1e-12);

    // A field without uz: the speed of the other two.
    lbm::Fields flat = f;
    flat.uz.clear();
    EXPECT_NEAR(LargestSpeed(flat, 0.1), 6, 1e-12);
    // At rest: the top is 1.
    const lbm::Fields rest = MakeFlow(box, 2, 2, 2, [](const Point3&) { return Point3{0, 0, 0}; });
    SlicePicture(rest, 0, 1, 0.1, 0, &used);
    EXPECT_EQ(used, 1);
}

// What cannot be pictured gives no picture and no fault.
TEST(FlowSlice, FieldsThatCannotBeReadGiveNoPicture)
{
    const lbm::Fields good = Numbered();
    ASSERT_FALSE(SlicePicture(good, 2, 0, 1).isNull());
    struct Case {
        const char* what;
        lbm::Fields fields;
        int normal, n;
        double lidSpeed;
    };
    lbm::Fields shortUz = good, shortSolid = good, huge = good, zero = good, shortUx = good;
    shortUz.uz.pop_back();
    shortSolid.solid.assign(3, 1);
    huge.gx = huge.gy = huge.gz = 1 << 30;
    zero.gz = 0;
    shortUx.ux.resize(10);
    const Case cases[] = {
        {"normal", good, 3, 0, 1},      {"below", good, 2, -1, 1},      {"beyond", good, 2, 5, 1},
        {"lid speed", good, 2, 0, 0},   {"nan speed", good, 2, 0, NAN}, {"uz", shortUz, 2, 0, 1},
        {"solid", shortSolid, 2, 0, 1}, {"overflow", huge, 2, 0, 1},    {"empty", zero, 2, 0, 1},
        {"ux", shortUx, 2, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(SlicePicture(c.fields, c.normal, c.n, c.lidSpeed).isNull());
    }
}
