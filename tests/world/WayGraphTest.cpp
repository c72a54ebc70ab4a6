// The way graph, the A* search with its tie and crowding rules, and the walk path.
#include "WayFinder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <queue>
#include <random>

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
