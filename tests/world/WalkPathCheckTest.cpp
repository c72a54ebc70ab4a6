// The walk path checked step by step: distances carried across segments,
// zero-length segments, the end on the last point, the segment accessors.
#include "WalkPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

void Fill(WalkPath& path, const std::vector<Point3D>& points, float speed) {
    for (const Point3D& p : points)
        EXPECT_TRUE(path.AddPoint(p));
    path.SetSpeed(speed);
}

struct Expected {
    int32_t result, segment;
    float distance;
    Point3D position;
};

TEST(WalkPathCheck, StepCases) {
    const struct {
        const char* name;
        std::vector<Point3D> points;
        float speed;
        std::vector<Expected> steps;
    } cases[] = {
        {"one point", {{1, 2, 3}}, 0.5f, {{1, 0, 0.5f, {1, 2, 3}}, {1, 0, 1.0f, {1, 2, 3}}}},
        {"0.17 on 0.5 then on",
         {{0, 0, 0}, {0.5f, 0, 0}, {0.5f, 0, 1}},
         0.17f,
         {{0, 0, 0.17f, {0.17f, 0, 0}},
          {0, 0, 0.34f, {0.34f, 0, 0}},
          {0, 1, 0.01f, {0.5f, 0, 0.01f}}}},
        {"0.17 on 0.5 alone",
         {{0, 0, 0}, {0.5f, 0, 0}},
         0.17f,
         {{0, 0, 0.17f, {0.17f, 0, 0}}, {0, 0, 0.34f, {0.34f, 0, 0}}, {1, 1, 0.01f, {0.5f, 0, 0}}}},
        {"exactly the length",
         {{0, 0, 0}, {0, 0.5f, 0}, {0, 1, 0}},
         0.25f,
         {{0, 0, 0.25f, {0, 0.25f, 0}},
          {0, 1, 0.0f, {0, 0.5f, 0}},
          {0, 1, 0.25f, {0, 0.75f, 0}},
          {1, 2, 0.0f, {0, 1, 0}}}},
        {"zero-length segments passed over",
         {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 0, 2}},
         0.5f,
         {{0, 1, 0.5f, {0.5f, 0, 0}}, {0, 4, 0.0f, {1, 0, 0}}, {0, 4, 0.5f, {1, 0, 0.5f}}}},
        {"several segments in one step",
         {{0, 0, 0}, {0.1f, 0, 0}, {0.2f, 0, 0}, {0.3f, 0, 0}, {2, 0, 0}},
         0.45f,
         {{0, 3, 0.15f, {0.45f, 0, 0}}, {0, 3, 0.6f, {0.9f, 0, 0}}}},
        {"speed 0 stays", {{0, 0, 0}, {1, 0, 0}}, 0.0f, {{0, 0, 0, {0, 0, 0}}}},
        {"past the end in one step",
         {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}},
         100.0f,
         {{1, 2, 100 - 2 * std::sqrt(3.0f), {2, 2, 2}}}},
    };
    for (const auto& c : cases) {
        WalkPath path;
        Fill(path, c.points, c.speed);
        EXPECT_EQ(path.GetSpeed(), c.speed);
        int step = 0;
        for (const Expected& e : c.steps) {
            ++step;
            EXPECT_EQ(path.Step(), e.result) << c.name << " step " << step;
            EXPECT_EQ(path.Segment(), e.segment) << c.name << " step " << step;
            EXPECT_NEAR(path.Distance(), e.distance, 2e-5f) << c.name << " step " << step;
            Point3D p;
            path.GetPosition(p);
            EXPECT_NEAR(p.x, e.position.x, 2e-5f) << c.name << " step " << step;
            EXPECT_NEAR(p.y, e.position.y, 2e-5f) << c.name << " step " << step;
            EXPECT_NEAR(p.z, e.position.z, 2e-5f) << c.name << " step " << step;
            if (e.result == 1) { // the end lands exactly on the last point
                EXPECT_EQ(p.x, path.LastPoint()->x) << c.name;
                EXPECT_EQ(p.z, path.LastPoint()->z) << c.name;
            }
        }
    }
}

TEST(WalkPathCheck, DirectionAndSegmentFollowTheCurrentSegment) {
    WalkPath path;
    Fill(path, {{0, 0, 0}, {2, 0, 0}, {2, 0, 3}}, 1.5f);
    EXPECT_EQ(path.FirstPoint()->x, 0.0f);
    EXPECT_EQ(path.LastPoint()->z, 3.0f);
    Point3D d, a, b;
    path.GetDirection(d);
    EXPECT_EQ(d.x + d.y + d.z, 0.0f); // nothing before the first step
    EXPECT_EQ(path.Step(), 0);
    path.GetDirection(d);
    EXPECT_EQ(d.x, 2.0f); // not normalised
    path.GetSegment(a, b);
    EXPECT_EQ(a.x, 0.0f);
    EXPECT_EQ(b.x, 2.0f);
    EXPECT_EQ(path.Step(), 0);
    path.GetDirection(d);
    EXPECT_EQ(d.z, 3.0f);
    EXPECT_EQ(d.x, 0.0f);
    path.GetSegment(a, b);
    EXPECT_EQ(a.x, 2.0f);
    EXPECT_EQ(b.z, 3.0f);
    EXPECT_EQ(path.Step(), 0);
    EXPECT_EQ(path.Step(), 1);
    EXPECT_EQ(path.Step(), 1); // stays at the end
    Point3D p;
    path.GetPosition(p);
    EXPECT_EQ(p.z, 3.0f);
    // Odd speeds never hang or leave the path.
    for (float speed : {-1.0f, std::nanf(""), INFINITY}) {
        WalkPath odd;
        Fill(odd, {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}}, speed);
        for (int i = 0; i < 3; ++i)
            odd.Step();
        odd.GetPosition(p);
        EXPECT_FALSE(std::isnan(p.x)) << speed;
    }
    // An empty path is at its end.
    WalkPath empty;
    EXPECT_EQ(empty.Step(), 1);
    EXPECT_EQ(empty.FirstPoint(), nullptr);
}

} // namespace
