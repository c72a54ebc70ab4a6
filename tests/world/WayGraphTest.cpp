// The way graph, the A* search with its tie and crowding rules, and the walk path.

#include "WalkPath.h"
#include "WayFinder.h"
#include "WayGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <queue>
#include <random>
#include <vector>

namespace {

TEST(WayGraph, AddLineMergesEndsWithinOneThousandth) {
    const struct {
        Point3D second;
        int32_t nodes;
    } cases[] = {{{0.001f, 0, 0}, 3}, {{0, 0, 0.001f}, 3}, {{0.0011f, 0, 0}, 4}, {{0, 0, 0}, 3}};
    for (const auto& c : cases) {
        WayGraph graph;
        graph.AddLine({0, 0, 0}, {1, 0, 0});
        graph.AddLine(c.second, {0, 0, 5});
        EXPECT_EQ(graph.NodeCount(), c.nodes) << c.second.x << " " << c.second.z;
    }
}

TEST(WayGraph, LinesLinkBothWaysOnceAndNodesPass500) {
    WayGraph graph;
    graph.AddLine({0, 0, 0}, {1, 0, 0});
    graph.AddLine({0, 0, 0}, {1, 0, 0});
    graph.AddLine({1, 0, 0}, {0, 0, 0});
    ASSERT_EQ(graph.NodeCount(), 2);
    EXPECT_EQ(graph.GetNode(0)->neighbours.Count(), 1);
    EXPECT_EQ(graph.GetNode(1)->neighbours.Count(), 1);
    EXPECT_EQ(graph.GetNode(-1), nullptr);
    EXPECT_EQ(graph.GetNode(2), nullptr);
    for (int i = 0; i < 600; ++i)
        graph.AddLine({float(i), 1, 0}, {float(i + 1), 1, 0});
    EXPECT_EQ(graph.NodeCount(), 603);
    // First of equally near nodes wins.
    EXPECT_EQ(graph.NearestNode({0.5f, 0, 0}), graph.GetNode(0));
    graph.Reset();
    EXPECT_EQ(graph.NodeCount(), 0);
    EXPECT_EQ(graph.NearestNode({0, 0, 0}), nullptr);
}

struct Actors {
    std::vector<Point3D> at;
    static int32_t Positions(void* owner, const Point3D** out) {
        auto* self = static_cast<Actors*>(owner);
        *out = self->at.data();
        return static_cast<int32_t>(self->at.size());
    }
};

std::vector<Point3D> Points(const WalkPath& p) {
    std::vector<Point3D> out;
    for (int32_t i = 0; i < p.PointCount(); ++i)
        out.push_back(p.PointAt(i));
    return out;
}

TEST(WayFinder, EdgeCases) {
    WayGraph graph;
    WayFinder finder(&graph);
    EXPECT_EQ(finder.FindPath({0, 0, 0}, {1, 0, 0}), nullptr); // empty graph
    graph.AddLine({0, 0, 0}, {1, 0, 0});
    graph.AddLine({5, 0, 0}, {6, 0, 0});                              // an island
    EXPECT_EQ(finder.FindPath({0.1f, 0, 0}, {-0.2f, 0, 0}), nullptr); // one node
    EXPECT_EQ(finder.FindPath({0, 0, 0}, {6, 0, 0}), nullptr);        // no route
    for (int32_t i = 0; i < graph.NodeCount(); ++i)
        EXPECT_EQ(graph.GetNode(i)->flags, 0u);

    // A direct neighbour: two points, cost the distance plus crowding there.
    Actors actors{{{1.3f, 0, 0}}};
    finder.SetActorPositions(&actors, &Actors::Positions);
    std::unique_ptr<WalkPath> path(finder.FindPath({0, 0, 0}, {1, 0, 0}));
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(path->PointCount(), 2);
    EXPECT_NEAR(path->cost, 1.0f + std::sqrt(0.25f - 0.09f), 1e-6);
    actors.at = {{1.5f, 0, 0}, {0.5f, 0, 0.5f}};
    path.reset(finder.FindPath({0, 0, 0}, {1, 0, 0}));
    EXPECT_FLOAT_EQ(path->cost, 1.0f);
    for (int32_t i = 0; i < graph.NodeCount(); ++i)
        EXPECT_EQ(graph.GetNode(i)->flags, 0u);
}

TEST(WayFinder, NewestOfEqualCostIsExpandedFirst) {
    // A square: two routes of equal length from (0,0) to (1,1).
    WayGraph graph;
    graph.AddLine({0, 0, 0}, {1, 0, 0}); // via x first: linked first
    graph.AddLine({0, 0, 0}, {0, 0, 1}); // via z: linked last, expanded first
    graph.AddLine({1, 0, 0}, {1, 0, 1});
    graph.AddLine({0, 0, 1}, {1, 0, 1});
    WayFinder finder(&graph);
    std::unique_ptr<WalkPath> path(finder.FindPath({0, 0, 0}, {1, 0, 1}));
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(path->PointCount(), 3);
    EXPECT_EQ(path->PointAt(1).z, 1.0f);
    EXPECT_EQ(path->PointAt(1).x, 0.0f);
}

// Dijkstra over the same costs: length of the link plus crowding at its end.
float Dijkstra(const WayGraph& graph, const WayFinder& finder, int32_t start, int32_t goal) {
    std::vector<float> cost(graph.NodeCount(), INFINITY);
    using Item = std::pair<float, int32_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    cost[start] = 0;
    queue.push({0, start});
    while (!queue.empty()) {
        const auto [c, n] = queue.top();
        queue.pop();
        if (c > cost[n]) continue;
        const WayNode* node = graph.GetNode(n);
        for (int32_t i = 0; i < node->neighbours.Count(); ++i) {
            const int32_t m = node->neighbours[i];
            const WayNode* next = graph.GetNode(m);
            const float step =
                Distance3(node->Position(), next->Position()) + finder.Crowding(*next);
            if (c + step < cost[m]) {
                cost[m] = c + step;
                queue.push({cost[m], m});
            }
        }
    }
    return cost[goal];
}

TEST(WayFinder, RandomGraphsGiveChainsOfLinksAtDijkstraCost) {
    std::mt19937 rng(21);
    std::uniform_real_distribution<float> coord(0.0f, 6.0f);
    for (int trial = 0; trial < 60; ++trial) {
        WayGraph graph;
        std::vector<Point3D> points(25);
        for (Point3D& p : points)
            p = {coord(rng), coord(rng) / 6, coord(rng)};
        std::uniform_int_distribution<size_t> pick(0, points.size() - 1);
        for (int i = 0; i < 50; ++i)
            graph.AddLine(points[pick(rng)], points[pick(rng)]);
        Actors actors;
        for (int i = 0; i < 6; ++i)
            actors.at.push_back(
                graph.GetNode(static_cast<int32_t>(pick(rng)) % graph.NodeCount())->Position());
        actors.at.push_back({coord(rng), 0, coord(rng)});
        WayFinder finder(&graph);
        finder.SetActorPositions(&actors, &Actors::Positions);
        for (int q = 0; q < 10; ++q) {
            const int32_t s = static_cast<int32_t>(pick(rng)) % graph.NodeCount();
            const int32_t g = static_cast<int32_t>(pick(rng)) % graph.NodeCount();
            if (s == g) continue;
            std::unique_ptr<WalkPath> path(
                finder.FindPathBetweenNodes(graph.GetNode(s), graph.GetNode(g)));
            const float best = Dijkstra(graph, finder, s, g);
            if (std::isinf(best)) {
                EXPECT_EQ(path, nullptr);
                continue;
            }
            ASSERT_NE(path, nullptr);
            // Walk the chain, adding the costs of its links.
            const std::vector<Point3D> pts = Points(*path);
            float sum = 0;
            WayNode* at = graph.GetNode(s);
            EXPECT_EQ(pts.front().x, at->x);
            for (size_t i = 1; i < pts.size(); ++i) {
                WayNode* next = nullptr;
                for (int32_t k = 0; k < at->neighbours.Count(); ++k) {
                    WayNode* n = graph.GetNode(at->neighbours[k]);
                    if (n->x == pts[i].x && n->y == pts[i].y && n->z == pts[i].z) next = n;
                }
                ASSERT_NE(next, nullptr) << "point " << i << " is not linked";
                sum += Distance3(at->Position(), next->Position()) + finder.Crowding(*next);
                at = next;
            }
            EXPECT_EQ(at, graph.GetNode(g));
            EXPECT_NEAR(path->cost, sum, 1e-4f * (1 + sum));
            EXPECT_NEAR(path->cost, best, 1e-4f * (1 + best));
        }
        for (int32_t i = 0; i < graph.NodeCount(); ++i)
            ASSERT_EQ(graph.GetNode(i)->flags, 0u);
    }
}

TEST(WalkPath, StepCases) {
    struct Case {
        const char* name;
        std::vector<Point3D> points;
        float speed;
        std::vector<int32_t> ends; // Step results in order
        std::vector<float> xs;     // x after each step
    } cases[] = {
        {"one point", {{2, 0, 0}}, 0.17f, {1}, {2}},
        {"one segment", {{0, 0, 0}, {0.5f, 0, 0}}, 0.17f, {0, 0, 1}, {0.17f, 0.34f, 0.5f}},
        {"into the next",
         {{0, 0, 0}, {0.5f, 0, 0}, {1.5f, 0, 0}},
         0.17f,
         {0, 0, 0},
         {0.17f, 0.34f, 0.51f}},
        {"exact length",
         {{0, 0, 0}, {0.5f, 0, 0}, {1, 0, 0}},
         0.25f,
         {0, 0, 0, 1},
         {0.25f, 0.5f, 0.75f, 1}},
        {"zero-length segments",
         {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}},
         0.5f,
         {0, 1},
         {0.5f, 1}},
        {"several at once", {{0, 0, 0}, {0.1f, 0, 0}, {0.2f, 0, 0}, {2, 0, 0}}, 0.5f, {0}, {0.5f}},
        {"negative speed", {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}}, -0.5f, {0}, {-0.5f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WalkPath path;
        for (const Point3D& p : c.points)
            path.AddPoint(p);
        path.SetSpeed(c.speed);
        for (size_t i = 0; i < c.ends.size(); ++i) {
            EXPECT_EQ(path.Step(), c.ends[i]) << i;
            Point3D at;
            path.GetPosition(at);
            EXPECT_NEAR(at.x, c.xs[i], 1e-6) << i;
        }
    }
    WalkPath exact;
    exact.AddPoint({0, 0, 0});
    exact.AddPoint({0.5f, 0, 0});
    exact.AddPoint({1, 0, 0});
    exact.SetSpeed(0.5f);
    EXPECT_EQ(exact.Step(), 0);
    EXPECT_EQ(exact.Segment(), 1);
    EXPECT_EQ(exact.Distance(), 0.0f);
    WalkPath empty;
    EXPECT_EQ(empty.Step(), 1);
    EXPECT_EQ(empty.FirstPoint(), nullptr);
}

} // namespace

// The walk path checked step by step: distances carried across segments,
// zero-length segments, the end on the last point, the segment accessors.
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

// The way graph and its A* search checked against their rules and against a
// Dijkstra reference in double precision on random graphs, crowding included.
namespace {

// The room's actors for the finder.
double Dist(const Point3D& a, const Point3D& b) {
    const double dx = double{a.x} - b.x, dy = double{a.y} - b.y, dz = double{a.z} - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

double Crowd(const Point3D& n, const std::vector<Point3D>& actors) {
    double sum = 0;
    for (const Point3D& a : actors) {
        const double d = Dist(n, a);
        if (d * d < 0.25) sum += 0.25 - d * d;
    }
    return std::sqrt(sum);
}

bool Linked(const WayNode* a, int32_t b) {
    for (int32_t i = 0; i < a->neighbours.Count(); ++i)
        if (a->neighbours[i] == b) return true;
    return false;
}

int32_t IndexAt(const WayGraph& g, const Point3D& p) {
    for (int32_t i = 0; i < g.NodeCount(); ++i) {
        const WayNode* n = g.GetNode(i);
        if (n->x == p.x && n->y == p.y && n->z == p.z) return i;
    }
    return -1;
}

void ExpectNoMarks(const WayGraph& g) {
    for (int32_t i = 0; i < g.NodeCount(); ++i)
        ASSERT_EQ(g.GetNode(i)->flags, 0u) << i;
}

TEST(WayGraphCheck, EndsJoinANodeWithinOneThousandthComparedInFloat) {
    const struct {
        Point3D base, end;
        int32_t nodes; // after AddLine(base, far) and AddLine(end, far)
    } cases[] = {
        {{0, 0, 0}, {0.001f, 0, 0}, 2},
        {{0, 0, 0}, {0.0011f, 0, 0}, 3},
        {{0, 0, 0}, {0, 0, -0.001f}, 2},
        {{0, 0, 0}, {0, 0.0009f, 0}, 2},
        {{1, 2, 3}, {1.0005f, 2, 3}, 2},
        {{1, 2, 3}, {1, 2.002f, 3}, 3},
        {{0, 0, 0}, {0.0006f, 0.0006f, 0.0006f}, 3},
        {{5, 5, 5}, {5, 5, 5}, 2},
    };
    const Point3D far{50, 50, 50};
    for (const auto& c : cases) {
        WayGraph g;
        g.AddLine(c.base, far);
        g.AddLine(c.end, far);
        EXPECT_EQ(g.NodeCount(), c.nodes) << c.end.x << "," << c.end.y << "," << c.end.z;
        // The rule restated in float: the same answer for every case.
        const float dx = c.end.x - c.base.x, dy = c.end.y - c.base.y, dz = c.end.z - c.base.z;
        EXPECT_EQ(std::sqrt(dx * dx + dy * dy + dz * dz) <= 0.001f, c.nodes == 2);
        // The far end was reused, and links are each kept once.
        EXPECT_EQ(g.GetNode(1)->neighbours.Count(), c.nodes - 1);
    }
}

TEST(WayGraphCheck, LinksAreMutualOnceAndInLinkingOrder) {
    WayGraph g;
    g.AddLine({0, 0, 0}, {1, 0, 0});
    g.AddLine({1, 0, 0}, {0, 0, 0});
    g.AddLine({0, 0, 0}, {1, 0, 0});
    g.AddLine({0, 0, 0}, {0, 0, 1});
    g.AddLine({2, 0, 0}, {0, 0, 0});
    g.AddLine({3, 0, 0}, {3.0005f, 0, 0}); // both ends one node: it links itself once
    ASSERT_EQ(g.NodeCount(), 5);
    const std::vector<std::vector<int32_t>> want = {{1, 2, 3}, {0}, {0}, {0}, {4}};
    for (int32_t i = 0; i < 5; ++i) {
        const WayNode* n = g.GetNode(i);
        ASSERT_EQ(n->neighbours.Count(), static_cast<int32_t>(want[i].size())) << i;
        for (size_t k = 0; k < want[i].size(); ++k)
            EXPECT_EQ(n->neighbours[static_cast<int32_t>(k)], want[i][k]) << i;
        EXPECT_EQ(n->flags, 0u);
    }
    g.LinkNode(g.GetNode(1), 0);
    g.LinkNode(g.GetNode(1), 4);
    g.LinkNode(nullptr, 4);
    EXPECT_EQ(g.GetNode(1)->neighbours.Count(), 2);
    for (int32_t bad : {-1, 5, INT32_MIN, INT32_MAX})
        EXPECT_EQ(g.GetNode(bad), nullptr) << bad;
    // First of equally near nodes wins.
    EXPECT_EQ(g.NearestNode({0.5f, 0, 0}), g.GetNode(0));
    EXPECT_EQ(g.NearestNode({1.5f, 0, 0}), g.GetNode(1));
    EXPECT_EQ(g.NearestNode({2.5f, 0, 0}), g.GetNode(3));
    g.Reset();
    EXPECT_EQ(g.NodeCount(), 0);
    EXPECT_EQ(g.NearestNode({0, 0, 0}), nullptr);
    EXPECT_EQ(g.GetNode(0), nullptr);
    // Past the 500 reserved.
    for (int32_t i = 0; i < 700; ++i)
        g.AddLine({static_cast<float>(i), 0, 0}, {static_cast<float>(i + 1), 0, 0});
    ASSERT_EQ(g.NodeCount(), 701);
    EXPECT_EQ(g.GetNode(700)->x, 700.0f);
    EXPECT_TRUE(Linked(g.GetNode(699), 700) && Linked(g.GetNode(700), 699));
    WayFinder finder(&g);
    WalkPath* path = finder.FindPath({-1, 0, 0}, {800, 0, 0});
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->PointCount(), 701);
    EXPECT_NEAR(path->cost, 700.0f, 1e-3f);
    delete path;
}

// Dijkstra over the same graph in double precision: edge u -> v costs
// |v - u| plus the crowding at v. Returns the cost to `goal` (-1: unreachable).
double Dijkstra(const WayGraph& g, int32_t start, int32_t goal,
                const std::vector<Point3D>& actors) {
    std::vector<double> best(static_cast<size_t>(g.NodeCount()), -1);
    using Item = std::pair<double, int32_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    queue.push({0, start});
    while (!queue.empty()) {
        auto [d, u] = queue.top();
        queue.pop();
        if (best[static_cast<size_t>(u)] >= 0) continue;
        best[static_cast<size_t>(u)] = d;
        const WayNode* n = g.GetNode(u);
        for (int32_t i = 0; i < n->neighbours.Count(); ++i) {
            const WayNode* v = g.GetNode(n->neighbours[i]);
            if (!v || best[static_cast<size_t>(n->neighbours[i])] >= 0) continue;
            queue.push({d + Dist(n->Position(), v->Position()) + Crowd(v->Position(), actors),
                        n->neighbours[i]});
        }
    }
    return best[static_cast<size_t>(goal)];
}

TEST(WayGraphCheck, RandomSearchesAreChainsOfLinksAtTheDijkstraCost) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<float> coord(0.0f, 6.0f), near(-0.45f, 0.45f);
    int found = 0, unreachable = 0;
    for (int round = 0; round < 150; ++round) {
        WayGraph g;
        const int32_t points = 6 + round % 30;
        std::vector<Point3D> at;
        for (int32_t i = 0; i < points; ++i)
            at.push_back({coord(rng), coord(rng) / 6, coord(rng)});
        std::uniform_int_distribution<int32_t> pick(0, points - 1);
        for (int32_t l = 0; l < points + round % 7; ++l)
            g.AddLine(at[static_cast<size_t>(pick(rng))], at[static_cast<size_t>(pick(rng))]);
        // Actors beside some nodes, one on the start (the walker).
        Actors actors;
        std::uniform_int_distribution<int32_t> nodeOf(0, g.NodeCount() - 1);
        for (int a = 0; a < 1 + round % 5; ++a) {
            const WayNode* n = g.GetNode(nodeOf(rng));
            actors.at.push_back({n->x + near(rng), n->y, n->z + near(rng)});
        }
        WayFinder finder(&g);
        finder.SetActorPositions(&actors, &Actors::Positions);
        for (int q = 0; q < 6; ++q) {
            const int32_t s = nodeOf(rng), t = nodeOf(rng);
            if (s == t) continue;
            WayNode* start = g.GetNode(s);
            actors.at[0] = start->Position();
            WalkPath* path = finder.FindPathBetweenNodes(start, g.GetNode(t));
            ExpectNoMarks(g);
            const double want = Dijkstra(g, s, t, actors.at);
            if (want < 0) {
                EXPECT_EQ(path, nullptr) << round;
                ++unreachable;
                continue;
            }
            ASSERT_NE(path, nullptr) << round;
            ++found;
            ASSERT_GE(path->PointCount(), 2);
            EXPECT_EQ(IndexAt(g, *path->FirstPoint()), s);
            EXPECT_EQ(IndexAt(g, *path->LastPoint()), t);
            double cost = 0;
            for (int32_t i = 1; i < path->PointCount(); ++i) {
                const int32_t a = IndexAt(g, path->PointAt(i - 1)),
                              b = IndexAt(g, path->PointAt(i));
                ASSERT_TRUE(a >= 0 && b >= 0 && Linked(g.GetNode(a), b)) << round << " " << i;
                cost += Dist(path->PointAt(i - 1), path->PointAt(i)) +
                        Crowd(path->PointAt(i), actors.at);
            }
            EXPECT_NEAR(cost, want, 1e-3 * (1 + want)) << round;
            EXPECT_NEAR(path->cost, want, 1e-3 * (1 + want)) << round;
            delete path;
        }
    }
    EXPECT_GT(found, 300);
    EXPECT_GT(unreachable, 10);
}

TEST(WayGraphCheck, TiesGoToTheNewestRecordAndEqualCostReplaces) {
    WayGraph g;
    const Point3D s{0, 0, 0}, a{1, 1, 0}, b{1, -1, 0}, goal{2, 0, 0};
    g.AddLine(s, a);
    g.AddLine(s, b);
    g.AddLine(a, goal);
    g.AddLine(b, goal);
    WayFinder finder(&g);
    // Equal totals: the record inserted last (through b) is expanded first and
    // reaches the goal at the same total, ahead of a.
    WalkPath* path = finder.FindPath(s, goal);
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(path->PointCount(), 3);
    EXPECT_EQ(path->PointAt(1).y, -1.0f);
    delete path;
    // Crowding at the goal puts it behind a: reached through b first, then
    // through a at an equal total, which replaces the record.
    Actors actors{{goal}};
    finder.SetActorPositions(&actors, &Actors::Positions);
    path = finder.FindPath(s, goal);
    ASSERT_NE(path, nullptr);
    ASSERT_EQ(path->PointCount(), 3);
    EXPECT_EQ(path->PointAt(1).y, 1.0f);
    EXPECT_NEAR(path->cost, 2 * std::sqrt(2.0f) + 0.5f, 1e-5f);
    delete path;
    ExpectNoMarks(g);
}

TEST(WayGraphCheck, CrowdingAndDirectNeighbours) {
    const struct {
        std::vector<Point3D> actors;
        float extra;
    } cases[] = {
        {{}, 0},
        {{{2, 0.3f, 0}}, 0.4f},
        {{{2, 0, 0.5f}}, 0},
        {{{2.3f, 0, 0}, {2, 0.4f, 0}}, 0.5f},      // sqrt(0.16 + 0.09)
        {{{0, 0, 0}}, 0},                          // the walker on the start adds nothing
        {{{2, 0, 0}, {2, 0, 0}}, std::sqrt(0.5f)}, // two on the goal
        {{{2, 0, 0.49f}}, std::sqrt(0.25f - 0.49f * 0.49f)},
    };
    for (const auto& c : cases) {
        WayGraph g;
        g.AddLine({0, 0, 0}, {2, 0, 0});
        WayFinder finder(&g);
        Actors actors{c.actors};
        finder.SetActorPositions(&actors, &Actors::Positions);
        WalkPath* path = finder.FindPath({-1, 0, 0}, {3, 0, 0});
        ASSERT_NE(path, nullptr);
        EXPECT_EQ(path->PointCount(), 2);
        EXPECT_NEAR(path->cost, 2.0f + c.extra, 1e-5f) << c.actors.size();
        delete path;
    }
}

TEST(WayGraphCheck, SearchesWithoutARoute) {
    WayGraph g;
    WayFinder finder(&g);
    EXPECT_EQ(finder.FindPath({0, 0, 0}, {1, 0, 0}), nullptr); // empty graph
    g.AddLine({0, 0, 0}, {1, 0, 0});
    g.AddLine({5, 0, 0}, {6, 0, 0});
    EXPECT_EQ(finder.FindPath({0.1f, 0, 0}, {-3, 0, 0}), nullptr); // one node for both
    EXPECT_EQ(finder.FindPath({0, 0, 0}, {6, 0, 0}), nullptr);     // not connected
    ExpectNoMarks(g);
    // Neighbour indexes naming no node are skipped.
    for (int32_t bad : {-1, 4, 99, INT32_MIN})
        g.GetNode(0)->neighbours.Push(bad);
    EXPECT_EQ(finder.FindPath({0, 0, 0}, {6, 0, 0}), nullptr);
    WalkPath* path = finder.FindPath({0, 0, 0}, {1, 0, 0});
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->PointCount(), 2);
    delete path;
    ExpectNoMarks(g);
    WayFinder none(nullptr);
    EXPECT_EQ(none.FindPath({0, 0, 0}, {1, 0, 0}), nullptr);
}

} // namespace
