// The camera's projection, depth scale and angles, and the world's float to
// integer conversion.

#include "Camera3D.h"
#include "FloatToInt.h"

#include <gtest/gtest.h>

#include <array>
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

// The camera checked against double-precision references and its rules:
// matrix order, projection, depth scale, angles, facing sectors, float to int.
namespace {

using Mat = std::array<double, 16>;

Mat Mul(const Mat& a, const Mat& b) {
    Mat out{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                out[i * 4 + j] += a[i * 4 + k] * b[k * 4 + j];
    return out;
}

Mat Ident() {
    Mat m{};
    m[0] = m[5] = m[10] = m[15] = 1;
    return m;
}

// T(-position) x Rx x Ry x Rz in double precision.
Mat Reference(const Point3D& pos, double ax, double ay, double az) {
    Mat t = Ident(), rx = Ident(), ry = Ident(), rz = Ident();
    t[3] = -pos.x;
    t[7] = -pos.y;
    t[11] = -pos.z;
    rx[5] = std::cos(ax), rx[6] = -std::sin(ax), rx[9] = std::sin(ax), rx[10] = std::cos(ax);
    ry[0] = std::cos(ay), ry[2] = std::sin(ay), ry[8] = -std::sin(ay), ry[10] = std::cos(ay);
    rz[0] = std::cos(az), rz[1] = -std::sin(az), rz[4] = std::sin(az), rz[5] = std::cos(az);
    return Mul(Mul(Mul(t, rx), ry), rz);
}

TEST(CameraCheck, MatrixAndTransformMatchTheDoubleProductForRandomCameras) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> angle(-7.0f, 7.0f), coord(-20.0f, 20.0f);
    for (int n = 0; n < 300; ++n) {
        Camera3D cam;
        const Point3D pos{coord(rng), coord(rng), coord(rng)};
        const float ax = angle(rng), ay = angle(rng), az = angle(rng);
        cam.SetPosition(pos);
        cam.SetRotation(ax, ay, az);
        const Mat ref = Reference(pos, ax, ay, az);
        for (int i = 0; i < 16; ++i)
            ASSERT_NEAR(cam.Matrix()[i], ref[i], 2e-5 * (1 + std::fabs(ref[i]))) << n << " " << i;
        const Point3D p{coord(rng), coord(rng), coord(rng)};
        Point3D q = p;
        cam.Transform(q);
        const double in[4] = {p.x, p.y, p.z, 1};
        const float out[3] = {q.x, q.y, q.z};
        for (int r = 0; r < 3; ++r) {
            double want = 0;
            for (int k = 0; k < 4; ++k)
                want += ref[r * 4 + k] * in[k];
            ASSERT_NEAR(out[r], want, 1e-4 * (1 + std::fabs(want))) << n << " row " << r;
        }
    }
}

TEST(CameraCheck, SettersRebuildOnlyForPositionAndRotation) {
    Camera3D cam;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(cam.Matrix()[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
    EXPECT_EQ(cam.Focal(), 400.0f);
    EXPECT_EQ(cam.BaseScale(), 1.0f);
    EXPECT_EQ(cam.ScaleAdjust(), 0.0f);
    EXPECT_EQ(cam.originalDistance, 3.0f);
    EXPECT_EQ(cam.centreX, 400.0f);
    EXPECT_EQ(cam.centreY, 300.0f);
    cam.SetDistance(200.0f);
    cam.SetBaseScale(2.0f);
    cam.SetScaleAdjust(0.5f);
    EXPECT_EQ(cam.Matrix()[3], 0.0f);
    cam.SetPosition({5.0f, 1.7f, 0.0f});
    EXPECT_EQ(cam.Matrix()[3], -5.0f);
    EXPECT_EQ(cam.Matrix()[7], -1.7f);
    // Rotations multiply from the right, so the translation column stays.
    cam.SetRotation(0.0f, 1.0f, 0.0f);
    EXPECT_EQ(cam.Matrix()[3], -5.0f);
    Point3D p{5.0f, 1.7f, 0.0f};
    cam.Transform(p); // a rotated camera at p does not map p to 0
    EXPECT_GT(std::fabs(p.x) + std::fabs(p.z), 1.0f);
}

TEST(CameraCheck, ProjectCases) {
    struct Case {
        Point3D in;
        float focal, x, y;
    } cases[] = {
        {{0, 0, 3}, 400, 400, 300},
        {{1, 1, 4}, 400, 500, 200},
        {{-2, 3, 2}, 400, 0, -300},
        {{1, -1, 8}, 200, 425, 325},
    };
    for (const Case& c : cases) {
        Camera3D cam;
        cam.SetDistance(c.focal);
        Point3D p = c.in;
        cam.Transform(p);
        cam.Project(p);
        EXPECT_FLOAT_EQ(p.x, c.x);
        EXPECT_FLOAT_EQ(p.y, c.y);
        EXPECT_EQ(p.z, c.in.z);
    }
}

TEST(CameraCheck, DepthScaleCases) {
    struct Case {
        float base, adjust, orig, focal, z, want;
    } cases[] = {
        {1, 0, 3, 400, 3, 1},    {1, 0, 3, 400, 6, 0.5f},    {1, 0.1f, 3, 400, 2, 1.6f},
        {2, 0, 3, 400, 1.5f, 4}, {1, 0, 5, 123, 2.5f, 2.0f}, {1.5f, 0.2f, 4, 400, 5, 1.5f * 0.6f},
    };
    for (const Case& c : cases) {
        Camera3D cam;
        cam.SetBaseScale(c.base);
        cam.SetScaleAdjust(c.adjust);
        cam.SetDistance(c.focal);
        cam.originalDistance = c.orig;
        EXPECT_NEAR(cam.DepthScale(c.z), c.want, 1e-5f) << c.z;
    }
    // At the original distance the first term is exactly 1, whatever the numbers.
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> focal(1.0f, 1000.0f), orig(0.1f, 100.0f);
    for (int n = 0; n < 500; ++n) {
        Camera3D cam;
        cam.SetDistance(focal(rng));
        cam.centreY = focal(rng) - 1.0f;
        cam.originalDistance = orig(rng);
        cam.SetBaseScale(orig(rng));
        ASSERT_EQ(cam.DepthScale(cam.originalDistance), cam.BaseScale()) << n;
    }
}

TEST(CameraCheck, VectorAngleCases) {
    struct Case {
        Point3D a, b;
        float want;
    } cases[] = {
        {{0, 0, 1}, {1, 0, 0}, 90},  {{1, 0, 0}, {0, 0, 1}, 270},
        {{0, 0, 1}, {0, 0, 1}, 0},   {{0, 0, 1}, {0, 0, -1}, 180},
        {{0, 9, 1}, {3, -4, 0}, 90}, {{0, 0, -1}, {-1, 0, 0}, 270},
        {{0, 0, -1}, {1, 0, 0}, 90}, {{0, 0, 0}, {1, 0, 0}, 0},
        {{1, 0, 0}, {0, 7, 0}, 0},   {{0.6f, 0, 0.8f}, {0.6f, 0, 0.8f}, 0},
        {{0, 0, 2}, {1, 0, 1}, 45},  {{1, 0, 1}, {0, 0, 2}, 315},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(VectorAngleDeg(c.a, c.b), c.want, 1e-3f)
            << c.a.x << "," << c.a.z << " " << c.b.x << "," << c.b.z;
    // Parallel directions whose normalised dot rounds past 1 still give a number.
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> any(-100.0f, 100.0f);
    for (int n = 0; n < 2000; ++n) {
        const Point3D a{any(rng), 0, any(rng)};
        const float k = std::fabs(any(rng)) + 0.01f;
        const float r = VectorAngleDeg(a, {a.x * k, 0, a.z * k});
        ASSERT_FALSE(std::isnan(r)) << n;
        ASSERT_TRUE(r < 0.1f || r > 359.9f) << r;
    }
}

TEST(CameraCheck, FacingAngleAddsOrSubtractsTenBySideOfTheCentre) {
    Camera3D cam;
    // Direction (1, 0, 0) seen against (0, 0, -1) is 90 degrees (ax - bx < 0).
    struct Case {
        Point3D p;
        float want;
    } cases[] = {
        {{0, 0, 5}, 80},     // on the centre column
        {{-1, 2, 5}, 80},    // left
        {{0.01f, 0, 5}, 100} // right
    };
    for (const Case& c : cases)
        EXPECT_NEAR(cam.FacingAngle(c.p, {1, 0, 0}), c.want, 1e-4f) << c.p.x;
    // The direction turns with the camera's rotation only: a half turn about y
    // maps (1, 0, 0) onto (-1, 0, 0), which is 270 against (0, 0, -1).
    cam.SetPosition({100, 0, 0});
    cam.SetRotation(0, 3.14159265f, 0);
    Point3D p{-100, 0, -5}; // in front of this camera, on its centre column
    EXPECT_NEAR(cam.FacingAngle(p, {1, 0, 0}), 260.0f, 1e-3f);
}

TEST(CameraCheck, FacingSectorCases) {
    const int32_t cases[][2] = {{60, 0},  {119, 0},  {120, 1},       {0, 5},        {59, 5},
                                {359, 4}, {300, 4},  {-1, 4},        {-60, 4},      {-300, 0},
                                {720, 5}, {-361, 4}, {INT32_MIN, 2}, {INT32_MAX, 1}};
    for (const auto& c : cases) {
        const int64_t reference = ((static_cast<int64_t>(c[0]) + 300) % 360 + 360) % 360 / 60;
        EXPECT_EQ(reference, c[1]) << c[0];
        EXPECT_EQ(FacingSector(c[0]), c[1]) << c[0];
    }
}

TEST(CameraCheck, FloatToIntCases) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float in;
        int32_t want;
    } cases[] = {
        {0.0f, 0},
        {-0.0f, 0},
        {2.9f, 2},
        {-2.9f, -2},
        {0.5f, 0},
        {2147483520.0f, 2147483520},
        {2147483648.0f, INT32_MAX},
        {-2147483648.0f, INT32_MIN},
        {-2147483904.0f, INT32_MIN},
        {1e30f, INT32_MAX},
        {inf, INT32_MAX},
        {-inf, INT32_MIN},
        {std::numeric_limits<float>::quiet_NaN(), 0},
        {-std::numeric_limits<float>::quiet_NaN(), 0},
        {std::numeric_limits<float>::denorm_min(), 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FloatToInt32(c.in), c.want) << c.in;
}

} // namespace
