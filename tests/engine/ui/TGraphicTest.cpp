// Graphics in frames on the memory host at 16 bits: the requests that
// geometry changes queue, repainting only what is dirty, region walks past
// opaque and see-through graphics, docked layout and fitting.
#include "UiFixture.h"

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace {

using uitest::Box;
using uitest::UiTest;

bool Before(const TRectArea& a, const TRectArea& b) {
    return std::tie(a.left, a.top, a.right, a.bottom) < std::tie(b.left, b.top, b.right, b.bottom);
}

std::vector<TRectArea> Sorted(std::vector<TRectArea> v) {
    std::sort(v.begin(), v.end(), Before);
    return v;
}

class Graphic : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        a.SetRect(10, 10, 100, 50);
        b.SetRect(200, 100, 60, 60);
        a.Show(&root);
        b.Show(&root); // b is nearer the front
        Frame();
        root.marks.clear();
    }
    void TearDown() override {
        a.Detach();
        b.Detach();
        UiTest::TearDown();
    }
    Box a{TColor(200, 0, 0)};
    Box b{TColor(0, 200, 0)};
};

TEST_F(Graphic, FirstFramePlacesAndPaintsEveryGraphicOnce) {
    EXPECT_TRUE(a.IsPlaced());
    EXPECT_EQ(a.draws, 1);
    EXPECT_EQ(b.draws, 1);
    EXPECT_EQ(root.draws, 1);
    EXPECT_EQ(At(10, 10), PixelOf(a.GetColor()));
    EXPECT_EQ(At(109, 59), PixelOf(a.GetColor()));
    EXPECT_EQ(At(110, 60), PixelOf(root.GetColor()));
    EXPECT_EQ(At(259, 159), PixelOf(b.GetColor()));
    // A frame with nothing changed queues and paints nothing.
    Scribble(0x1234);
    Frame();
    EXPECT_EQ(Repainted(0x1234).count, 0);
    EXPECT_TRUE(root.marks.empty());
    EXPECT_EQ(a.draws, 1);
}

TEST_F(Graphic, GeometryChangesMarkOldAndNewRectangles) {
    struct Case {
        const char* name;
        void (*change)(Box& a, Box& b);
        std::vector<TRectArea> marks;
    };
    const TRectArea oldA{10, 10, 110, 60};
    const Case cases[] = {
        {"move", [](Box& a, Box&) { a.SetPos(20, 30); }, {oldA, {20, 30, 120, 80}}},
        {"resize", [](Box& a, Box&) { a.SetWidth(50); }, {oldA, {10, 10, 60, 60}}},
        {"hide", [](Box& a, Box&) { a.SetVisible(false); }, {oldA}},
        {"to front", [](Box& a, Box&) { EXPECT_TRUE(a.ToFront()); }, {oldA}},
        {"to back", [](Box&, Box& b) { EXPECT_TRUE(b.ToBack()); }, {{200, 100, 260, 160}}},
        {"already at the back", [](Box& a, Box&) { EXPECT_FALSE(a.ToBack()); }, {}},
        {"detach", [](Box& a, Box&) { a.Detach(); }, {oldA}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change(a, b);
        Frame();
        EXPECT_EQ(Sorted(root.marks), Sorted(c.marks));
        // Reset: a back in place, in front of nothing.
        a.Detach();
        b.Detach();
        a.SetRect(10, 10, 100, 50);
        a.SetVisible(true);
        a.Show(&root);
        b.Show(&root);
        Frame();
        root.marks.clear();
    }
}

TEST_F(Graphic, OnlyTheDirtyGraphicIsRenderedAndPresented) {
    Scribble(0x1234);
    a.SetColor(TColor(0, 0, 200));
    Frame();
    EXPECT_EQ(a.draws, 2);
    EXPECT_EQ(b.draws, 1);
    EXPECT_EQ(root.draws, 1);
    const auto changed = Repainted(0x1234);
    EXPECT_EQ(changed.count, 100 * 50);
    EXPECT_EQ(changed.bounds, (TRectArea{10, 10, 110, 60}));
    EXPECT_EQ(At(10, 10), PixelOf(TColor(0, 0, 200)));
}

TEST_F(Graphic, AMoveRepaintsTheParentWhereTheGraphicWas) {
    Scribble(0x1234);
    a.SetPos(60, 10);
    Frame();
    // Moving does not render the graphic again: it presents from its buffer.
    EXPECT_EQ(a.draws, 1);
    const auto changed = Repainted(0x1234);
    EXPECT_EQ(changed.bounds, (TRectArea{10, 10, 160, 60}));
    EXPECT_EQ(At(10, 10), PixelOf(root.GetColor()));
    EXPECT_EQ(At(159, 59), PixelOf(a.GetColor()));
}

// Under an opaque parent as under a see-through one, a sibling in front of
// the redrawn graphic is not painted over: an opaque one is cut out of the
// region, a see-through one is rendered again on top.
TEST_F(Graphic, SiblingsInFrontOfARedrawnGraphicStayOnTop) {
    struct Case {
        int32_t rootTransparent, frontAlpha;
        int64_t repainted;
        bool frontDrawn;
    };
    const Case cases[] = {
        {0, 255, 100 * 50 - 60 * 40, false},
        {1, 255, 100 * 50 - 60 * 40, false},
        {0, 200, 100 * 50, true},
    };
    uint8_t blue = 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rootTransparent * 1000 + c.frontAlpha);
        root.SetTransparent(c.rootTransparent);
        b.SetAlpha(c.frontAlpha);
        b.SetPos(50, 20); // covers (50, 20, 110, 60) of a
        Frame();
        Scribble(0x1234);
        const int frontDraws = b.draws;
        a.SetColor(TColor(0, 0, blue += 20));
        Frame();
        EXPECT_EQ(b.draws > frontDraws, c.frontDrawn);
        const auto changed = Repainted(0x1234);
        EXPECT_EQ(changed.count, c.repainted);
        EXPECT_EQ(changed.bounds, (TRectArea{10, 10, 110, 60}));
        EXPECT_EQ(At(60, 30), c.frontDrawn ? PixelOf(b.GetColor()) : 0x1234);
    }
}

TEST_F(Graphic, SeeThroughGraphicsMarkWhatLiesBehind) {
    struct Case {
        int32_t alpha, transparent;
        bool parentMarked;
    };
    const Case cases[] = {{255, 0, false}, {200, 0, true}, {255, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alpha);
        a.SetAlpha(c.alpha);
        a.SetTransparent(c.transparent);
        Frame();
        a.SetColor(TColor(uint8_t(c.alpha), 9, 9));
        Phase(TGraphic::phLayout);
        Phase(TGraphic::phFlush);
        EXPECT_EQ(!root.GetDirtyList().IsEmpty(), c.parentMarked);
        EXPECT_FALSE(a.GetDirtyList().IsEmpty());
        Phase(TGraphic::phPaint);
        a.SetAlpha(255);
        a.SetTransparent(0);
        Frame();
    }
}

TEST_F(Graphic, HollowGraphicsAreNeverRendered) {
    Box hollow;
    hollow.SetHollow(1);
    hollow.SetRect(0, 0, 300, 300);
    hollow.Show(&root);
    Frame();
    a.SetColor(TColor(0, 0, 200));
    hollow.Invalidate(true);
    Frame();
    EXPECT_EQ(hollow.draws, 0);
    EXPECT_TRUE(hollow.GetDirtyList().IsEmpty());
    EXPECT_EQ(hollow.IsDirty(), false);
    hollow.Detach();
}

TEST_F(Graphic, DockedSiblingsShareTheClientArea) {
    Box bar, body, full;
    bar.SetDrawMode(TGraphic::dmDocked);
    bar.SetHeight(40);
    bar.SetAlign(TRectComp::alTop);
    body.SetAlign(TRectComp::alFill);
    full.SetDrawMode(TGraphic::dmFull);
    full.SetAlign(TRectComp::alFill);
    bar.Show(&root);  // laid out first: it stands behind the others
    body.Show(&root); // laid out after the bar
    full.Show(&root);
    Frame();
    TRectArea r;
    EXPECT_EQ(bar.GetBounds(r), (TRectArea{0, 0, 640, 40}));
    EXPECT_EQ(body.GetExtent(r), (TRectArea{0, 40, 640, 480}));
    EXPECT_EQ(body.GetBounds(r), (TRectArea{0, 40, 640, 480}));
    EXPECT_EQ(full.GetBounds(r), (TRectArea{0, 0, 640, 480}));
    EXPECT_EQ(full.GetVisibleRect(r), (TRectArea{0, 0, 640, 480}));
    bar.Detach();
    body.Detach();
    full.Detach();
}

TEST_F(Graphic, ChildrenSeeTheBorderInsetClientArea) {
    Box frame, inner;
    frame.SetRect(100, 100, 50, 40);
    frame.SetBorderWidth(5);
    inner.SetAlign(TRectComp::alFill);
    frame.Show(&root);
    inner.Show(&frame);
    Frame();
    TRectArea r;
    EXPECT_EQ(frame.GetClientRect(r), (TRectArea{5, 5, 45, 35}));
    EXPECT_EQ(inner.GetScreenRect(r), (TRectArea{105, 105, 145, 135}));
    frame.SetBorderWidth(25); // nothing left inside
    EXPECT_EQ(frame.GetClientRect(r), (TRectArea{0, 0, 0, 0}));
    inner.Detach();
    frame.Detach();
}

// Children placed at the ends of the 32-bit range inside a parent away from
// the origin: their screen rectangles are held at the ends instead of
// wrapping round onto the display, and a frame paints nothing of them.
TEST_F(Graphic, ChildrenAtTheEndsOfTheRangeStayThere) {
    constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    Box right, left, high, low;
    right.SetRect(100, 100, 50, 40);
    right.SetBorderWidth(5);
    left.SetRect(-100, -100, 150, 140);
    high.SetRect(kMax - 5, kMax - 5, 100, 100);
    low.SetRect(kMin, kMin, 4, 4);
    right.Show(&root);
    left.Show(&root);
    high.Show(&right);
    low.Show(&left);
    Frame();
    TRectArea r;
    EXPECT_EQ(high.GetScreenRect(r), (TRectArea{kMax, kMax, kMax, kMax}));
    EXPECT_EQ(low.GetScreenRect(r), (TRectArea{kMin, kMin, kMin, kMin}));
    EXPECT_EQ(high.draws + low.draws, 0);
    low.Detach();
    high.Detach();
    left.Detach();
    right.Detach();
}

TEST_F(Graphic, FitRectScalesAndCentres) {
    struct Case {
        int32_t flags;
        TRectArea in, out;
    };
    const Case cases[] = {
        {TGraphic::fitScale | TGraphic::fitAspect, {0, 0, 100, 50}, {0, 0, 300, 150}},
        {TGraphic::fitScale | TGraphic::fitAspect | TGraphic::fitCenter,
         {0, 0, 100, 50},
         {0, 75, 300, 225}},
        {TGraphic::fitScale, {5, 5, 10, 10}, {0, 0, 300, 300}},
        {TGraphic::fitCenter, {7, 7, 107, 57}, {100, 125, 200, 175}},
        {0, {7, 7, 107, 57}, {0, 0, 100, 50}},
        {TGraphic::fitScale | TGraphic::fitAspect, {0, 0, 0, 30}, {0, 0, 0, 30}},
    };
    Box g;
    g.SetRect(0, 0, 300, 300);
    for (const Case& c : cases) {
        g.SetFitFlags(c.flags);
        TRectArea r = c.in;
        g.FitRect(r);
        EXPECT_EQ(r, c.out) << c.flags;
    }
}

TEST_F(Graphic, AnInvisibleParentVacatesWithoutVisitingItsChildren) {
    Box child;
    child.SetRect(5, 5, 10, 10);
    child.Show(&a);
    Frame();
    root.marks.clear();
    a.SetVisible(false);
    Frame();
    EXPECT_EQ(root.marks, (std::vector<TRectArea>{{10, 10, 110, 60}}));
    EXPECT_FALSE(a.IsPlaced());
    EXPECT_TRUE(child.IsPlaced());
    child.Detach();
}

TEST_F(Graphic, ComposeCopiesTheTreeIntoAnotherContext) {
    GdlDeviceContext* target = GDL_createMemoryDC(kWidth, kHeight, 16, &GDL_pixelFormat565);
    ASSERT_NE(target, nullptr);
    TEvent e;
    e.SetType(evPaint);
    for (int32_t which = 0; which < 4; ++which)
        TGraphic::SetPaintRect(&e, which, {0, 0, kWidth, kHeight});
    TGraphic::SetPaintPhase(&e, TGraphic::phCompose);
    TGraphic::SetPaintDC(&e, target);
    TRectArea screenBefore;
    a.GetScreenRect(screenBefore);
    root.HandleEvent(nullptr, &e);
    const GdlDeviceContext* d = GDL_liveDC(target);
    auto at = [&](int32_t x, int32_t y) {
        uint16_t v;
        std::memcpy(&v, d->surface + int64_t(y) * d->mode.bytesPerLine + x * 2, 2);
        return v;
    };
    EXPECT_EQ(at(10, 10), PixelOf(a.GetColor()));
    EXPECT_EQ(at(5, 5), PixelOf(root.GetColor()));
    EXPECT_EQ(at(230, 130), PixelOf(b.GetColor()));
    TRectArea screenAfter;
    EXPECT_EQ(a.GetScreenRect(screenAfter), screenBefore);
    EXPECT_TRUE(root.marks.empty());
    GDL_destroyDC(target);
}

} // namespace
