// The camera's projection, depth scale and angles, and the world's float to
// integer conversion.
#include "Camera3D.h"
#include "FloatToInt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

TEST(Camera3D, DefaultCameraProjectsThroughTheScreenCentre) {
    const Camera3D camera;
    struct Case {
        Point3D in;
        float x, y;
    } cases[] = {{{0, 0, 3}, 400, 300}, {{1, 1, 4}, 500, 200}, {{-2, -1, 2}, 0, 500}};
    for (const Case& c : cases) {
        Point3D p = c.in;
        camera.Transform(p);
        camera.Project(p);
        EXPECT_FLOAT_EQ(p.x, c.x);
        EXPECT_FLOAT_EQ(p.y, c.y);
        EXPECT_FLOAT_EQ(p.z, c.in.z);
    }
}

TEST(Camera3D, DepthScaleIsExactlyBaseAtTheOriginalDistance) {
    Camera3D camera;
    EXPECT_EQ(camera.DepthScale(3.0f), 1.0f);
    EXPECT_FLOAT_EQ(camera.DepthScale(6.0f), 0.5f);
    camera.SetScaleAdjust(0.1f);
    EXPECT_FLOAT_EQ(camera.DepthScale(2.0f), 1.6f);
    camera.SetBaseScale(2.0f);
    camera.SetDistance(123.0f);
    for (float orig : {0.7f, 3.0f, 11.3f}) {
        camera.originalDistance = orig;
        EXPECT_EQ(camera.DepthScale(orig), 2.0f) << orig;
    }
}

TEST(Camera3D, MatrixIsTranslationTimesRotationsAboutTheWorldOrigin) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> angle(-7.0f, 7.0f), pos(-20.0f, 20.0f);
    for (int trial = 0; trial < 200; ++trial) {
        Camera3D camera;
        const Point3D position{pos(rng), pos(rng), pos(rng)};
        const float ax = angle(rng), ay = angle(rng), az = angle(rng);
        camera.SetPosition(position);
        camera.SetRotation(ax, ay, az);
        // The same product in double precision.
        double t[4][4] = {
            {1, 0, 0, -position.x}, {0, 1, 0, -position.y}, {0, 0, 1, -position.z}, {0, 0, 0, 1}};
        const double cx = std::cos(double{ax}), sx = std::sin(double{ax});
        const double cy = std::cos(double{ay}), sy = std::sin(double{ay});
        const double cz = std::cos(double{az}), sz = std::sin(double{az});
        const double rx[4][4] = {{1, 0, 0, 0}, {0, cx, -sx, 0}, {0, sx, cx, 0}, {0, 0, 0, 1}};
        const double ry[4][4] = {{cy, 0, sy, 0}, {0, 1, 0, 0}, {-sy, 0, cy, 0}, {0, 0, 0, 1}};
        const double rz[4][4] = {{cz, -sz, 0, 0}, {sz, cz, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
        for (const auto* r : {&rx, &ry, &rz}) {
            double out[4][4] = {};
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    for (int k = 0; k < 4; ++k)
                        out[i][j] += t[i][k] * (*r)[k][j];
            std::memcpy(t, out, sizeof t);
        }
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(camera.Matrix()[i], t[i / 4][i % 4],
                        2e-5 * (1 + std::fabs(t[i / 4][i % 4])))
                << "element " << i;
    }
}

TEST(Camera3D, VectorAngleCases) {
    struct Case {
        Point3D a, b;
        float degrees;
    } cases[] = {
        {{0, 0, 1}, {1, 0, 0}, 90},
        {{1, 0, 0}, {0, 0, 1}, 270},
        {{0, 0, 1}, {0, 0, 1}, 0},
        {{0, 0, -1}, {0, 0, 1}, 180},
        {{0, 5, 0}, {1, 0, 0}, 0},
        {{1, 0, 0}, {0, -3, 0}, 0}, // no x/z length
        {{0, 0, 1}, {0, 7, 2}, 0},  // y does not count
        {{0.1f, 0, 0.3f}, {0.1f, 0, 0.3f}, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(VectorAngleDeg(c.a, c.b), c.degrees, 1e-3) << c.degrees;
    // Parallel directions whose normalised dot product rounds past 1.
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> v(-100.0f, 100.0f);
    for (int i = 0; i < 2000; ++i) {
        const Point3D a{v(rng), 0, v(rng)};
        const float r = VectorAngleDeg(a, a);
        EXPECT_FALSE(std::isnan(r));
        EXPECT_TRUE(r < 0.1f || r > 359.9f) << r;
    }
}

TEST(Camera3D, FacingAngleSubtractsTenOnTheCentreColumnAndLeft) {
    const Camera3D camera;
    // Straight ahead (0, 0, -1) is angle 0.
    EXPECT_FLOAT_EQ(camera.FacingAngle({0, 0, 3}, {0, 0, -1}), -10.0f);
    EXPECT_FLOAT_EQ(camera.FacingAngle({-1, 0, 3}, {1, 0, 0}), 80.0f);
    EXPECT_FLOAT_EQ(camera.FacingAngle({1, 0, 3}, {-1, 0, 0}), 280.0f);
    EXPECT_FLOAT_EQ(camera.FacingAngle({1, 0, 3}, {0, 0, 1}), 190.0f);
}

TEST(Camera3D, FacingSectorsWrapForNegativeAngles) {
    const int32_t cases[][2] = {{0, 5},    {59, 5},        {60, 0},       {119, 0}, {120, 1},
                                {300, 4},  {359, 4},       {360, 5},      {-1, 4},  {-60, 4},
                                {-361, 4}, {INT32_MAX, 1}, {INT32_MIN, 2}};
    for (const auto& c : cases)
        EXPECT_EQ(FacingSector(c[0]), c[1]) << c[0];
}

TEST(FloatToInt32, TruncatesSaturatesAndMapsNanToZero) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float in;
        int32_t out;
    } cases[] = {{0.0f, 0},
                 {1.9f, 1},
                 {-1.9f, -1},
                 {2147483520.0f, 2147483520},
                 {2147483648.0f, INT32_MAX},
                 {3e10f, INT32_MAX},
                 {-2147483648.0f, INT32_MIN},
                 {-3e10f, INT32_MIN},
                 {inf, INT32_MAX},
                 {-inf, INT32_MIN},
                 {std::nanf(""), 0},
                 {-0.5f, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(FloatToInt32(c.in), c.out) << c.in;
}

} // namespace
