// The way graph and its A* search checked against their rules and against a
// Dijkstra reference in double precision on random graphs, crowding included.
#include "WayFinder.h"
#include "WayGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <queue>
#include <random>
#include <vector>

namespace {

// The room's actors for the finder.
struct Actors {
    std::vector<Point3D> at;
    static int32_t Get(void* owner, const Point3D** positions) {
        auto* self = static_cast<Actors*>(owner);
        *positions = self->at.data();
        return static_cast<int32_t>(self->at.size());
    }
};

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
        finder.SetActorPositions(&actors, &Actors::Get);
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
    finder.SetActorPositions(&actors, &Actors::Get);
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
        finder.SetActorPositions(&actors, &Actors::Get);
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
