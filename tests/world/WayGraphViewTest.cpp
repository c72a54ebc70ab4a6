// The way graph's overlay on the memory host: its links drawn where the nodes
// project, the room visible everywhere else, a redraw after the graph
// changes; and picking the node nearest to a screen point.
#include "WayGraphView.h"

#include "../engine/ui/UiFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>

namespace {

using uitest::UiTest;

// With the default camera a point at depth 4 moves 100 pixels per world unit
// from the screen centre (400, 300); y grows upwards in the world.
Point3D AtDepth4(float sx, float sy) {
    return {(sx - 400.0f) / 100.0f, (300.0f - sy) / 100.0f, 4.0f};
}

class WayGraphViewTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        view.Init(&root);
        view.SetGraph(&graph);
        view.SetCamera(&camera);
    }
    void TearDown() override {
        view.Hide();
        view.GetCanvas().ReleaseDevice();
        UiTest::TearDown();
    }

    // Screen pixels that are not the room's colour.
    std::set<std::pair<int32_t, int32_t>> Covered() {
        std::set<std::pair<int32_t, int32_t>> out;
        const uint16_t room = PixelOf(root.GetColor());
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x)
                if (At(x, y) != room) out.insert({x, y});
        return out;
    }
    // The pixels of a horizontal or vertical segment, ends included.
    static std::set<std::pair<int32_t, int32_t>> Segment(int32_t x1, int32_t y1, int32_t x2,
                                                         int32_t y2) {
        std::set<std::pair<int32_t, int32_t>> out;
        for (int32_t y = std::min(y1, y2); y <= std::max(y1, y2); ++y)
            for (int32_t x = std::min(x1, x2); x <= std::max(x1, x2); ++x)
                out.insert({x, y});
        return out;
    }
    static std::set<std::pair<int32_t, int32_t>>
    Join(std::set<std::pair<int32_t, int32_t>> a, const std::set<std::pair<int32_t, int32_t>>& b) {
        a.insert(b.begin(), b.end());
        return a;
    }

    WayGraph graph;
    Camera3D camera;
    WayGraphView view;
};

TEST_F(WayGraphViewTest, LinksCoverTheirProjectionAndTheRoomShowsAround) {
    graph.AddLine(AtDepth4(100, 300), AtDepth4(300, 300));
    graph.AddLine(AtDepth4(300, 300), AtDepth4(300, 150));
    // A link to a node behind the camera, and one just within the near plane,
    // is not drawn.
    graph.AddLine(AtDepth4(500, 400), {1.0f, 0.0f, -2.0f});
    graph.AddLine(AtDepth4(500, 400), {1.0f, 0.0f, 0.0009f});
    Scribble(0x1234);
    Frame();
    const auto lines = Join(Segment(100, 300, 300, 300), Segment(300, 150, 300, 300));
    EXPECT_EQ(Covered(), lines);
    const uint16_t white = uint16_t(TColor(255, 255, 255).GetPixel(GDL_liveDC(Main())));
    for (const auto& [x, y] : lines)
        ASSERT_EQ(At(x, y), white) << x << ", " << y;
    EXPECT_EQ(view.GetCanvas().GetKeep(), 1u);
}

TEST_F(WayGraphViewTest, RedrawsWhenTheGraphChanges) {
    graph.AddLine(AtDepth4(100, 100), AtDepth4(200, 100));
    Frame();
    EXPECT_EQ(Covered(), Segment(100, 100, 200, 100));

    graph.AddLine(AtDepth4(50, 400), AtDepth4(50, 450));
    view.SetGraph(&graph); // as the room's key handler does
    Frame();
    EXPECT_EQ(Covered(), Join(Segment(100, 100, 200, 100), Segment(50, 400, 50, 450)));

    graph.Reset();
    graph.AddLine(AtDepth4(600, 20), AtDepth4(620, 20));
    view.SetGraph(&graph);
    Frame();
    EXPECT_EQ(Covered(), Segment(600, 20, 620, 20));

    view.SetCamera(nullptr); // nothing to show: only the room
    Frame();
    EXPECT_TRUE(Covered().empty());
}

TEST_F(WayGraphViewTest, NodesJustBeforeTheCameraDoNotWrapAround) {
    // Projects about a million pixels to the right: the part of the link on
    // the screen runs from the visible node straight to the right edge.
    graph.AddLine(AtDepth4(200, 300), {2.5f, 0.0f, 0.0011f});
    Frame();
    EXPECT_EQ(Covered(), Segment(200, 300, kWidth - 1, 300));
}

TEST_F(WayGraphViewTest, PicksTheNearestNodeBeforeTheCamera) {
    EXPECT_EQ(view.PickNode(TPoint(400, 300)), nullptr); // empty graph
    graph.AddLine(AtDepth4(100, 100), AtDepth4(300, 100));
    graph.AddLine(AtDepth4(300, 100), {0.0f, 0.0f, -1.0f});  // behind the camera
    graph.AddLine({0.0f, 0.0f, 0.001f}, AtDepth4(100, 500)); // on the near plane
    WayNode* left = graph.GetNode(0);
    WayNode* right = graph.GetNode(1);
    WayNode* low = graph.GetNode(4);
    struct Case {
        int32_t x, y;
        WayNode* want;
    };
    const Case cases[] = {
        {110, 90, left},   {290, 130, right}, {200, 100, left}, // a tie: the first node wins
        {400, 300, right}, {120, 560, low},   {-5000, 9000, low},
    };
    for (const Case& c : cases)
        EXPECT_EQ(view.PickNode(TPoint(c.x, c.y)), c.want) << c.x << ", " << c.y;

    WayGraph behind;
    behind.AddLine({0.0f, 0.0f, -1.0f}, {1.0f, 0.0f, 0.0005f});
    view.SetGraph(&behind);
    EXPECT_EQ(view.PickNode(TPoint(400, 300)), nullptr);
    view.SetGraph(nullptr);
}

} // namespace
