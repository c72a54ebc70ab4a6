// Graphics in frames on the memory host at 16 bits: the requests that
// geometry changes queue, repainting only what is dirty, region walks past
// opaque and see-through graphics, docked layout and fitting.

#include "ErrorProbe.h"
#include "UiFixture.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
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

// Rule by rule checks of the graphic: its defaults and setters, the client
// rectangle, the rectangle helpers, fitting, the requests of the layout and of
// restacking, docked layout, the visibility walk, the canvas releases and the
// region walks past opaque and see-through graphics, on the memory host at
// 16 bits.
namespace {

using uitest::Box;
using uitest::UiTest;

constexpr uint32_t kDirty = TComp::kDirty, kRedraw = TComp::kRedraw;

// A graphic that counts its visibility hooks and the events its handlers hear.
struct Hooked : Box {
    Hooked() {
        for (int32_t type : {int32_t(evShown), int32_t(evHidden), int32_t(evCloseRequest)})
            Add<Hooked, &Hooked::Heard>(type, this);
    }
    int Heard(TObject*, TEvent* e) {
        ++heard[e->type];
        states.push_back(e->passState);
        return 0;
    }
    void OnShow(TEvent*) override { ++shows; }
    void OnHide(TEvent* e) override {
        ++hides;
        Box::OnHide(e);
    }
    void OnClose(TEvent* e) override {
        ++closes;
        Box::OnClose(e);
    }
    uint32_t Flags() const { return flags_; }
    void ClearFlags(uint32_t mask) { flags_ &= ~mask; }
    int heard[40] = {};
    std::vector<int32_t> states;
    int shows = 0, hides = 0, closes = 0;
};

TEST(GraphicCheck, ABuiltGraphicHasItsDefaults) {
    Hooked g;
    EXPECT_EQ(g.Flags() & 0xFF, 15u); // dirty, redraw, enabled, visible
    EXPECT_EQ(g.GetDrawMode(), TGraphic::dmNormal);
    EXPECT_EQ(g.GetBorderWidth(), 0);
    EXPECT_EQ(g.GetFitFlags(), TGraphic::fitCenter);
    EXPECT_EQ(g.GetAlpha(), 255);
    EXPECT_EQ(g.IsHollow(), 0);
    EXPECT_EQ(g.IsTransparent(), 0);
    EXPECT_FALSE(g.IsPlaced());
    EXPECT_TRUE(g.GetDirtyList().IsEmpty());
    EXPECT_EQ(g.RequestCount(), 0);
    EXPECT_FALSE(g.GetCanvas().HasDevice());
    // Own values, or the process-wide defaults where the own value is 0.
    EXPECT_EQ(g.GetAutoColorAdjust(), 1);
    EXPECT_EQ(g.GetColorMapMode(), 4);
    g.SetAutoColorAdjust(0);
    TGraphic::SetDefaultAutoColorAdjust(7);
    EXPECT_EQ(g.GetAutoColorAdjust(), 7);
    TGraphic::SetDefaultAutoColorAdjust(1);
    TGraphic::SetDefaultColorMapMode(2);
    EXPECT_EQ(g.GetColorMapMode(), 2);
    TGraphic::SetDefaultColorMapMode(4);
}

TEST(GraphicCheck, SettersChangeOnlyOnANewValueAndSetTheirFlags) {
    struct Case {
        const char* name;
        void (*set)(Hooked& g);
        uint32_t flags; // of dirty and redraw, after the setter
    };
    const Case cases[] = {
        {"border width", [](Hooked& g) { g.SetBorderWidth(3); }, kDirty | kRedraw},
        {"same border width", [](Hooked& g) { g.SetBorderWidth(0); }, 0},
        {"auto colour adjust: redraw only", [](Hooked& g) { g.SetAutoColorAdjust(2); }, kRedraw},
        {"draw mode: nothing", [](Hooked& g) { g.SetDrawMode(TGraphic::dmDocked); }, 0},
        {"hollow: redraw only", [](Hooked& g) { g.SetHollow(1); }, kRedraw},
        {"same hollow", [](Hooked& g) { g.SetHollow(0); }, 0},
        {"transparent", [](Hooked& g) { g.SetTransparent(1); }, kDirty | kRedraw},
        {"colour", [](Hooked& g) { g.SetColor(TColor(1, 2, 3)); }, kDirty | kRedraw},
        {"same red, green, blue", [](Hooked& g) { g.SetColor(g.GetColor()); }, 0},
        {"fit flags", [](Hooked& g) { g.SetFitFlags(1); }, kDirty | kRedraw},
        {"same fit flags", [](Hooked& g) { g.SetFitFlags(TGraphic::fitCenter); }, 0},
        {"alpha", [](Hooked& g) { g.SetAlpha(200); }, kDirty | kRedraw},
        {"same alpha", [](Hooked& g) { g.SetAlpha(255); }, 0},
        {"redraw on", [](Hooked& g) { g.SetRedraw(true); }, kRedraw},
        {"dirty on", [](Hooked& g) { g.SetDirty(true); }, kDirty},
        {"invalidate", [](Hooked& g) { g.Invalidate(true); }, kDirty | kRedraw},
        {"invalidate a hollow graphic: no redraw",
         [](Hooked& g) {
             g.SetHollow(1);
             g.ClearFlags(kDirty | kRedraw);
             g.Invalidate(true);
         },
         kDirty},
        {"redraw on a hollow graphic: nothing",
         [](Hooked& g) {
             g.SetHollow(1);
             g.ClearFlags(kDirty | kRedraw);
             g.SetRedraw(true);
             g.SetAutoColorAdjust(3);
         },
         0},
        {"a graphic becoming solid again: redraw",
         [](Hooked& g) {
             g.SetHollow(1);
             g.ClearFlags(kDirty | kRedraw);
             g.SetHollow(0);
         },
         kRedraw},
    };
    for (const Case& c : cases) {
        Hooked g;
        g.ClearFlags(kDirty | kRedraw);
        c.set(g);
        EXPECT_EQ(g.Flags() & (kDirty | kRedraw), c.flags) << c.name;
        EXPECT_EQ(g.IsDirty(), c.flags != 0) << c.name;
    }
    Hooked g;
    g.Invalidate(false);
    EXPECT_EQ(g.Flags() & (kDirty | kRedraw), 0u);
    g.SetRedraw(true);
    g.SetRedraw(false);
    EXPECT_FALSE(g.IsDirty());
    // The colour keeps its channels and the zero byte.
    g.SetColor(TColor(10, 20, 30));
    EXPECT_EQ(g.GetColor().Red(), 10);
    EXPECT_EQ(g.GetColor().Green(), 20);
    EXPECT_EQ(g.GetColor().Blue(), 30);
}

TEST(GraphicCheck, OpaqueOnlyWhenSolidFullyOpaqueAndNotHollow) {
    struct Case {
        int32_t transparent, alpha, hollow;
        bool opaque;
    };
    const Case cases[] = {
        {0, 255, 0, true}, {1, 255, 0, false}, {0, 254, 0, false},
        {0, 0, 0, false},  {0, 255, 1, false},
    };
    for (const Case& c : cases) {
        Hooked g;
        g.SetTransparent(c.transparent);
        g.SetAlpha(c.alpha);
        g.SetHollow(c.hollow);
        EXPECT_EQ(g.IsOpaque(), c.opaque) << c.transparent << " " << c.alpha << " " << c.hollow;
    }
}

TEST(GraphicCheck, TheClientRectangleIsInsetByTheBorderAndEmptyReadsAsZero) {
    struct Case {
        int32_t w, h, border;
        TRectArea client;
    };
    const Case cases[] = {
        {100, 50, 0, {0, 0, 100, 50}},    {100, 50, 5, {5, 5, 95, 45}},
        {100, 50, 24, {24, 24, 76, 26}},  {100, 50, 25, {0, 0, 0, 0}},
        {100, 50, 60, {0, 0, 0, 0}},      {0, 0, 0, {0, 0, 0, 0}},
        {100, 50, -2, {-2, -2, 102, 52}},
    };
    for (const Case& c : cases) {
        Hooked g;
        g.SetRect(30, 40, c.w, c.h); // the position does not matter
        g.SetBorderWidth(c.border);
        TRectArea r;
        EXPECT_EQ(g.GetClientRect(r), c.client) << c.w << "x" << c.h << " border " << c.border;
    }
}

TEST(GraphicCheck, RectangleHelpers) {
    struct Clamped {
        int32_t v, low, high, result;
    };
    for (const Clamped& c : {Clamped{5, 0, 10, 5}, Clamped{-1, 0, 10, 0}, Clamped{11, 0, 10, 10},
                             Clamped{0, 0, 10, 0}, Clamped{10, 0, 10, 10}, Clamped{3, 5, 2, 5}})
        EXPECT_EQ(TGraphic::Clamp(c.v, c.low, c.high), c.result) << c.v;
    struct Pair {
        TRectArea a, b;
        bool disjoint;
        TRectArea meet; // the intersection when not disjoint
    };
    const Pair pairs[] = {
        {{0, 0, 10, 10}, {5, 5, 15, 15}, false, {5, 5, 10, 10}},
        {{0, 0, 10, 10}, {10, 0, 20, 10}, true, {}}, // touching edges share no pixel
        {{0, 0, 10, 10}, {0, 10, 10, 20}, true, {}},
        {{0, 0, 10, 10}, {2, 2, 3, 3}, false, {2, 2, 3, 3}},
        {{0, 0, 10, 10}, {-5, -5, 1, 1}, false, {0, 0, 1, 1}},
        {{0, 0, 10, 10}, {20, 20, 30, 30}, true, {}},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(TGraphic::RectsDisjoint(p.a, p.b), p.disjoint);
        EXPECT_EQ(TGraphic::RectsDisjoint(p.b, p.a), p.disjoint);
        TRectArea a = p.a;
        EXPECT_EQ(TGraphic::IntersectRect(a, p.b), !p.disjoint);
        if (!p.disjoint) {
            EXPECT_EQ(a, p.meet);
        }
    }
}

TEST(GraphicCheck, FitRectByTheFitFlags) {
    struct Case {
        const char* name;
        int32_t flags, gw, gh;
        TRectArea in, out;
    };
    const Case cases[] = {
        {"scale and aspect", 3, 300, 300, {0, 0, 100, 50}, {0, 0, 300, 150}},
        {"scale, aspect, centre", 7, 300, 300, {0, 0, 100, 50}, {0, 75, 300, 225}},
        {"the smaller factor wins", 3, 300, 100, {0, 0, 100, 50}, {0, 0, 200, 100}},
        {"shrinking", 3, 50, 50, {0, 0, 100, 200}, {0, 0, 25, 50}},
        {"truncated toward zero", 3, 100, 100, {0, 0, 3, 7}, {0, 0, 42, 100}},
        {"a zero width counts 1.0", 3, 300, 300, {0, 0, 0, 50}, {0, 0, 0, 50}},
        {"scale alone takes the graphic's size", 1, 300, 200, {5, 5, 10, 10}, {0, 0, 300, 200}},
        {"centre alone", 4, 300, 200, {0, 0, 100, 50}, {100, 75, 200, 125}},
        {"centre shifts arithmetically", 4, 300, 200, {0, 0, 301, 203}, {-1, -2, 300, 201}},
        {"no flags move to the origin", 0, 300, 200, {40, 30, 140, 80}, {0, 0, 100, 50}},
        {"aspect alone changes nothing but the place", 2, 300, 200, {7, 7, 17, 9}, {0, 0, 10, 2}},
    };
    for (const Case& c : cases) {
        Hooked g;
        g.SetRect(0, 0, c.gw, c.gh);
        g.SetFitFlags(c.flags);
        TRectArea r = c.in;
        g.FitRect(r);
        EXPECT_EQ(r, c.out) << c.name;
    }
}

TEST(GraphicCheck, TEventWordsOfTheUserInterface) {
    static_assert(sizeof(TEvent::extra) == sizeof(void*), "the modal owner is an object");
    static_assert(sizeof(TEvent::target) == sizeof(void*), "the target is an object");
    static_assert(sizeof(TEvent::data[0]) == sizeof(void*), "data words carry objects");
    TEvent e;
    for (intptr_t& d : e.data)
        d = -1;
    e.extra = 9;
    e.SetType(evFocus);
    EXPECT_EQ(e.data[TControl::fwDone], 0);
    EXPECT_EQ(e.data[TControl::fwMode], 0);
    EXPECT_EQ(e.data[TControl::fwKind], 0);
    EXPECT_EQ(e.data[TControl::fwDirection], 1);
    EXPECT_EQ(e.extra, 0u);
    e.SetType(evRegion);
    EXPECT_EQ(TGraphic::GetRegionOrigin(&e), nullptr);
    EXPECT_EQ(TGraphic::GetRegionList(&e), nullptr);
    EXPECT_EQ(TGraphic::GetRegionRect(&e), (TRectArea{0, 0, 0, 0}));
    EXPECT_EQ(TGraphic::GetRegionKind(&e), TGraphic::rkMark);
    EXPECT_EQ(TGraphic::GetRegionPhase(&e), 1);
    for (intptr_t& d : e.data)
        d = -1;
    e.SetType(evMouseMove);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(e.data[i], 0) << i;
    // A pointer survives the data words of the paint and region events.
    Hooked g;
    TRectLst list;
    TGraphic::SetRegionOrigin(&e, &g);
    TGraphic::SetRegionList(&e, &list);
    EXPECT_EQ(TGraphic::GetRegionOrigin(&e), &g);
    EXPECT_EQ(TGraphic::GetRegionList(&e), &list);
}

class GraphicCheckFrame : public UiTest {
protected:
    // The test's graphics unlink themselves from the tree when they go.
    void Put(TGraphic& g, TComp& parent, TRectArea r) {
        g.SetRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
        g.Attach(&parent);
    }
    std::vector<TRectArea> Marks() {
        std::vector<TRectArea> m = root.marks;
        root.marks.clear();
        return m;
    }
    std::vector<TRectArea> DisplayRects() {
        std::vector<TRectArea> out;
        TDirtyRects::BeginDirtyRects({0, 0, kWidth, kHeight});
        TRectArea r;
        while (TDirtyRects::NextDirtyRect(&r))
            out.push_back(r);
        return out;
    }
    void ClearDisplay() { TDirtyRects::SetChanged(0); }
};

TEST_F(GraphicCheckFrame, LayoutQueuesOneRequestPerChangeAndTellsTheDisplay) {
    TDirtyRects::SetTracking(true);
    Hooked g;
    Put(g, root, {10, 20, 60, 50});
    Frame();
    EXPECT_TRUE(g.IsPlaced());
    Marks();
    ClearDisplay();
    struct Step {
        const char* name;
        void (*change)(Hooked& g);
        int requests; // queued by the layout phase
        std::vector<TRectArea> marks;
        std::vector<TRectArea> display;
    };
    const Step steps[] = {
        {"nothing changed", [](Hooked&) {}, 0, {}, {}},
        {"a redraw in place", [](Hooked& g) { g.SetRedraw(true); }, 1, {}, {{10, 20, 60, 50}}},
        {"a move",
         [](Hooked& g) { g.SetPos(30, 20); },
         2,
         {{30, 20, 80, 50}, {10, 20, 60, 50}},
         {{10, 20, 80, 50}}},
        {"a resize",
         [](Hooked& g) { g.SetWidth(20); },
         2,
         {{30, 20, 50, 50}, {30, 20, 80, 50}},
         {{30, 20, 80, 50}}},
        {"hidden",
         [](Hooked& g) { g.SetVisible(false); },
         1,
         {{30, 20, 50, 50}},
         {{30, 20, 50, 50}}},
        {"still hidden", [](Hooked&) {}, 0, {}, {}},
        {"shown again",
         [](Hooked& g) { g.SetVisible(true); },
         1,
         {{30, 20, 50, 50}},
         {{30, 20, 50, 50}}},
    };
    for (const Step& s : steps) {
        s.change(g);
        Phase(TGraphic::phLayout);
        EXPECT_EQ(g.RequestCount(), s.requests) << s.name;
        Phase(TGraphic::phFlush);
        EXPECT_EQ(g.RequestCount(), 0) << s.name;
        Phase(TGraphic::phPaint);
        // The most recent request is handled first.
        EXPECT_EQ(Marks(), s.marks) << s.name;
        std::vector<TRectArea> display = DisplayRects();
        TRectArea bounds{0, 0, 0, 0};
        for (const TRectArea& r : display)
            bounds =
                bounds.right
                    ? TRectArea{std::min(bounds.left, r.left), std::min(bounds.top, r.top),
                                std::max(bounds.right, r.right), std::max(bounds.bottom, r.bottom)}
                    : r;
        if (s.display.empty())
            EXPECT_TRUE(display.empty()) << s.name;
        else
            EXPECT_EQ(bounds, s.display[0]) << s.name;
        ClearDisplay();
    }
    TDirtyRects::ClearTracking();
}

std::vector<size_t>& HeapSizes() {
    static std::vector<size_t> sizes;
    return sizes;
}

void* RecordingHeap(size_t size) {
    HeapSizes().push_back(size);
    return std::malloc(size);
}

TEST_F(GraphicCheckFrame, ARefusedRequestIsReportedAndTheDisplayStillTold) {
    TDirtyRects::SetTracking(true);
    // The size of a request record: the first block a first placement takes.
    Hooked sizing;
    Put(sizing, root, {0, 0, 5, 5});
    HeapSizes().clear();
    EngineSetHeapForTests(RecordingHeap);
    Phase(TGraphic::phLayout);
    EngineSetHeapForTests(nullptr);
    ASSERT_FALSE(HeapSizes().empty());
    Phase(TGraphic::phFlush);
    Phase(TGraphic::phPaint);

    Hooked g;
    Put(g, root, {10, 20, 60, 50});
    ClearDisplay();
    RefuseNextBlocks(HeapSizes()[0], 2); // the engine heap tries twice
    Phase(TGraphic::phLayout);
    EngineSetHeapForTests(nullptr);
    EXPECT_EQ(g.RequestCount(), 0);
    EXPECT_TRUE(g.IsPlaced());
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 9);
    EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TGraphic");
    EXPECT_EQ(NewestError()->line, 40);
    EXPECT_EQ(DisplayRects(), (std::vector<TRectArea>{{10, 20, 60, 50}}));
    TDirtyRects::ClearTracking();
}

TEST_F(GraphicCheckFrame, RestackingAndDetachingMarkAtOnceOrAtTheNextFlush) {
    Hooked back, front;
    Put(back, root, {0, 0, 100, 100});
    Put(front, root, {50, 50, 150, 150});
    Frame();
    Marks();
    // Already at the front, or without a parent: nothing.
    EXPECT_FALSE(front.ToFront());
    EXPECT_FALSE(back.ToBack());
    Hooked orphan;
    EXPECT_FALSE(orphan.ToFront());
    EXPECT_EQ(front.RequestCount() + back.RequestCount() + orphan.RequestCount(), 0);
    EXPECT_TRUE(back.ToFront());
    EXPECT_EQ(back.RequestCount(), 1);
    EXPECT_TRUE(back.ToBack());
    EXPECT_EQ(back.RequestCount(), 2);
    Phase(TGraphic::phFlush);
    EXPECT_EQ(Marks(), (std::vector<TRectArea>{{0, 0, 100, 100}, {0, 0, 100, 100}}));
    Phase(TGraphic::phPaint);
    // Detach vacates at once: the mark reaches the application before any
    // frame, and the graphic forgets its place, requests and canvas.
    front.SetRedraw(true);
    Phase(TGraphic::phLayout);
    EXPECT_EQ(front.RequestCount(), 1);
    ASSERT_TRUE(front.GetCanvas().HasDevice());
    front.Detach();
    EXPECT_EQ(Marks(), (std::vector<TRectArea>{{50, 50, 150, 150}}));
    EXPECT_FALSE(front.IsPlaced());
    EXPECT_EQ(front.RequestCount(), 0);
    EXPECT_FALSE(front.GetCanvas().HasDevice());
    EXPECT_TRUE(front.GetDirtyList().IsEmpty());
    EXPECT_EQ(front.GetParent(), nullptr);
    // A graphic never placed marks nothing when it leaves.
    Hooked never;
    never.Attach(&root);
    never.Detach();
    EXPECT_TRUE(Marks().empty());
}

TEST_F(GraphicCheckFrame, DockedGraphicsLeaveTheLargestFreePartToLaterSiblings) {
    struct Case {
        const char* name;
        int32_t align;
        TRectArea bounds; // of the docked graphic, before its alignment
        TRectArea docked; // where it ends
        TRectArea left;   // the extent left to a later sibling
    };
    const Case cases[] = {
        {"top", TRectComp::alTop, {30, 30, 90, 70}, {0, 0, 640, 40}, {0, 40, 640, 480}},
        {"bottom", TRectComp::alBottom, {0, 0, 10, 30}, {0, 450, 640, 480}, {0, 0, 640, 450}},
        {"left", TRectComp::alLeft, {0, 0, 100, 10}, {0, 0, 100, 480}, {100, 0, 640, 480}},
        {"right", TRectComp::alRight, {0, 0, 100, 10}, {540, 0, 640, 480}, {0, 0, 540, 480}},
        {"fill", TRectComp::alFill, {0, 0, 1, 1}, {0, 0, 640, 480}, {0, 0, 640, 0}},
        // Unaligned: the largest part left, the first of equal ones.
        {"right part", 0, {100, 100, 200, 200}, {100, 100, 200, 200}, {200, 0, 640, 480}},
        {"part below", 0, {0, 100, 640, 120}, {0, 100, 640, 120}, {0, 120, 640, 480}},
        {"above before below", 0, {0, 230, 640, 250}, {0, 230, 640, 250}, {0, 0, 640, 230}},
        {"outside: kept", 0, {700, 0, 800, 100}, {700, 0, 800, 100}, {0, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        Hooked docked, later;
        docked.SetDrawMode(TGraphic::dmDocked);
        Put(docked, root, c.bounds); // attached first: laid out first (nearer the back)
        docked.SetAlign(c.align);
        Put(later, root, {0, 0, 1, 1});
        later.SetAlign(TRectComp::alFill);
        Frame();
        TRectArea r;
        docked.GetScreenRect(r);
        EXPECT_EQ(r, c.docked) << c.name;
        later.GetExtent(r);
        EXPECT_EQ(r, c.left) << c.name;
        later.Detach();
        docked.Detach();
    }
}

TEST_F(GraphicCheckFrame, FullAndNormalGraphicsAfterDockedSiblings) {
    Hooked bar, full, normal, afterNormal;
    bar.SetDrawMode(TGraphic::dmDocked);
    Put(bar, root, {0, 0, 10, 40});
    bar.SetAlign(TRectComp::alTop);
    Put(full, root, {0, 0, 1, 1});
    full.SetDrawMode(TGraphic::dmFull);
    full.SetAlign(TRectComp::alFill);
    Put(normal, root, {0, 0, 1, 1});
    normal.SetAlign(TRectComp::alFill);
    Put(afterNormal, root, {0, 0, 1, 1});
    afterNormal.SetAlign(TRectComp::alFill);
    Frame();
    TRectArea r;
    full.GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{0, 0, 640, 480}));
    normal.GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{0, 40, 640, 480}));
    // A normal graphic gives its siblings the extent it was given.
    afterNormal.GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{0, 40, 640, 480}));
    // The visible rectangle ends clipped to the screen rectangle.
    bar.GetVisibleRect(r);
    EXPECT_EQ(r, (TRectArea{0, 0, 640, 40}));
}

TEST_F(GraphicCheckFrame, ChildrenAreLaidOutInTheirParentsInsetClientArea) {
    Hooked parent, child;
    Put(parent, root, {100, 100, 300, 200});
    parent.SetBorderWidth(10);
    Put(child, parent, {-20, -20, 500, 500});
    Frame();
    TRectArea r;
    child.GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{90, 90, 610, 610}));
    // Visible only inside the parent's client area.
    child.GetVisibleRect(r);
    EXPECT_EQ(r, (TRectArea{110, 110, 290, 190}));
    TRectArea extent;
    child.GetExtent(extent);
    EXPECT_EQ(extent, (TRectArea{0, 0, 180, 80}));
}

TEST_F(GraphicCheckFrame, TheVisibilityWalk) {
    Hooked parent, child, grandchild;
    Put(parent, root, {0, 0, 100, 100});
    Put(child, parent, {0, 0, 50, 50});
    Put(grandchild, child, {0, 0, 10, 10});
    // Hide at the child: the state is 3 inside its subtree and 4 at the end.
    EXPECT_TRUE(child.SendHide());
    EXPECT_EQ(child.hides, 1);
    EXPECT_EQ(grandchild.hides, 1);
    EXPECT_EQ(parent.hides, 0);
    EXPECT_EQ(child.states, (std::vector<int32_t>{3}));
    EXPECT_EQ(grandchild.states, (std::vector<int32_t>{3}));
    EXPECT_EQ(child.Flags() & TComp::kVisible, 0u);
    EXPECT_NE(grandchild.Flags() & TComp::kVisible, 0u); // only the target is hidden
    // Hidden: a hide or show at it is answered without hooks.
    EXPECT_TRUE(child.SendHide());
    EXPECT_EQ(child.hides, 1);
    // A hide looked for from the root finds its target down the tree.
    TEvent hide;
    hide.SetType(evHidden);
    hide.target = TEvent::WordOf(&grandchild);
    EXPECT_FALSE(root.HandleEvent(nullptr, &hide)); // behind a hidden child
    child.SetVisible(true);
    hide.SetType(evHidden);
    hide.target = TEvent::WordOf(&grandchild);
    EXPECT_TRUE(root.HandleEvent(nullptr, &hide));
    EXPECT_EQ(grandchild.hides, 2);
    EXPECT_EQ(hide.passState, 4);
    // Any other pass state is refused.
    hide.SetType(evHidden);
    hide.passState = 2;
    EXPECT_FALSE(parent.HandleEvent(nullptr, &hide));
    // Close runs even on an invisible graphic, disables and hides it.
    grandchild.SetVisible(false);
    EXPECT_TRUE(grandchild.SendClose());
    EXPECT_EQ(grandchild.closes, 1);
    EXPECT_FALSE(grandchild.IsEnabled());
    EXPECT_EQ(grandchild.Flags() & TComp::kVisible, 0u);
    // ShowNow: visible, enabled, and a show without a target runs no hook
    // (the walk looks for a target in state 0).
    grandchild.ShowNow();
    EXPECT_TRUE(grandchild.IsEnabled());
    EXPECT_NE(grandchild.Flags() & TComp::kVisible, 0u);
    EXPECT_EQ(grandchild.shows, 0);
}

TEST_F(GraphicCheckFrame, CanvasReleasesInvalidate) {
    Hooked g, child;
    Put(g, root, {0, 0, 50, 50});
    Put(child, g, {0, 0, 10, 10});
    Frame();
    ASSERT_TRUE(g.GetCanvas().HasDevice());
    ASSERT_TRUE(child.GetCanvas().HasDevice());
    ASSERT_FALSE(g.IsDirty());
    // A system change reaches the children and releases every canvas.
    TEvent change;
    change.SetType(evProperty);
    change.data[0] = TControl::pcSystem;
    EXPECT_FALSE(g.HandleEvent(nullptr, &change));
    EXPECT_FALSE(g.GetCanvas().HasDevice());
    EXPECT_FALSE(child.GetCanvas().HasDevice());
    EXPECT_TRUE(g.IsDirty());
    Frame();
    EXPECT_EQ(g.draws, 2);
    EXPECT_TRUE(g.GetCanvas().HasDevice());
    // Close releases it too; a second close with no context changes nothing.
    g.Invalidate(false);
    g.TGraphic::OnClose(nullptr);
    EXPECT_FALSE(g.GetCanvas().HasDevice());
    EXPECT_TRUE(g.IsDirty());
    g.Invalidate(false);
    g.TGraphic::OnClose(nullptr);
    EXPECT_FALSE(g.IsDirty());
}

TEST_F(GraphicCheckFrame, PaintingNeedsAVisibleRectangleAndDirtyRectangles) {
    Hooked g;
    Put(g, root, {700, 10, 750, 60}); // off the screen: nothing visible
    Frame();
    EXPECT_EQ(g.draws, 0);
    EXPECT_TRUE(g.GetDirtyList().IsEmpty());
    g.SetPos(10, 10);
    Frame();
    EXPECT_EQ(g.draws, 1);
    // Alpha below 255 renders the buffer again for every dirty rectangle.
    g.SetAlpha(200);
    Frame();
    EXPECT_EQ(g.draws, 2);
    root.SetRedraw(true);
    Frame();
    EXPECT_EQ(g.draws, 3);
    // Opaque again, a mark repaints from the buffer without rendering.
    g.SetAlpha(255);
    Frame();
    EXPECT_EQ(g.draws, 4);
    root.SetRedraw(true);
    Frame();
    EXPECT_EQ(g.draws, 4);
    EXPECT_EQ(At(12, 12), PixelOf(g.GetColor()));
}

// What each graphic must present after the flush, and the painted colours,
// tell whether a redrawn graphic covered what lies in front of it.
TEST_F(GraphicCheckFrame, GraphicsInFrontOfARedrawnOneStayOnTopUnderEveryAncestor) {
    Box panel{TColor(90, 90, 90)}, a{TColor(200, 0, 0)}, inFront{TColor(0, 200, 0)},
        overPanel{TColor(0, 0, 200)}, seeThrough{TColor(250, 250, 0)};
    Put(panel, root, {0, 0, 300, 300});
    Put(a, panel, {10, 10, 110, 110});
    Put(inFront, panel, {50, 50, 80, 80});     // opaque, in front of a, same parent
    Put(seeThrough, panel, {90, 10, 120, 40}); // see-through, in front of a
    seeThrough.SetAlpha(128);
    Put(overPanel, root, {100, 100, 200, 200}); // in front of the panel
    Frame();
    const int seeThroughDraws = seeThrough.draws;
    Scribble(0x1234);
    a.SetRedraw(true);
    Phase(TGraphic::phLayout);
    Phase(TGraphic::phFlush);
    EXPECT_FALSE(a.GetDirtyList().IsEmpty());
    EXPECT_FALSE(seeThrough.GetDirtyList().IsEmpty());
    // An opaque graphic redrawn in place marks neither its parent nor the
    // opaque graphics in front, which take their area out of its repaint.
    for (TGraphic* g :
         {(TGraphic*)&panel, (TGraphic*)&inFront, (TGraphic*)&overPanel, (TGraphic*)&root})
        EXPECT_TRUE(g->GetDirtyList().IsEmpty());
    Phase(TGraphic::phPaint);
    EXPECT_EQ(a.draws, 2);
    EXPECT_GT(seeThrough.draws, seeThroughDraws);
    EXPECT_EQ(At(20, 20), PixelOf(a.GetColor()));
    EXPECT_EQ(At(60, 60), 0x1234);
    EXPECT_EQ(At(105, 105), 0x1234);
    EXPECT_EQ(At(150, 20), 0x1234);
    EXPECT_NE(At(100, 20), PixelOf(a.GetColor())); // the see-through one is on top
}

TEST_F(GraphicCheckFrame, ASeeThroughRedrawMarksWhatLiesBehindDownToTheFirstOpaque) {
    Box panel{TColor(90, 90, 90)}, behind{TColor(0, 0, 200)}, a{TColor(200, 0, 0)};
    Put(panel, root, {0, 0, 300, 300});
    Put(behind, panel, {0, 0, 200, 200});
    Put(a, panel, {10, 10, 110, 110});
    a.SetTransparent(1);
    Frame();
    Scribble(0x1234);
    a.SetRedraw(true);
    Phase(TGraphic::phLayout);
    Phase(TGraphic::phFlush);
    EXPECT_FALSE(a.GetDirtyList().IsEmpty());
    EXPECT_FALSE(behind.GetDirtyList().IsEmpty());
    // The opaque graphic behind covers the region: nothing behind it repaints.
    EXPECT_TRUE(panel.GetDirtyList().IsEmpty());
    EXPECT_TRUE(root.GetDirtyList().IsEmpty());
    Phase(TGraphic::phPaint);
    EXPECT_EQ(Repainted(0x1234).bounds, (TRectArea{10, 10, 110, 110}));
}

// A crowd of overlapping siblings, opaque and see-through, has its in-place
// redraws walked through an index of where the children lie; the walk
// without the index is the reference: each frame of a run of changes must
// mark the same rectangles on every graphic, render the same graphics and
// leave the same pixels.
class CrowdFrame : public GraphicCheckFrame {
protected:
    static constexpr int kCrowd = 40;
    struct Trace {
        std::vector<std::vector<TRectArea>> dirty; // per frame, per graphic
        std::vector<std::vector<int>> draws;
        std::vector<std::vector<uint16_t>> pixels;
    };
    Trace Run(int32_t indexedFrom) {
        TGraphic::SetIndexedChildren(indexedFrom);
        Box panel{TColor(90, 90, 90)};
        Put(panel, root, {0, 0, kWidth, kHeight});
        std::vector<std::unique_ptr<Box>> crowd;
        for (int i = 0; i < kCrowd; ++i) {
            crowd.push_back(
                std::make_unique<Box>(TColor(uint8_t(i * 6), 80, uint8_t(250 - i * 5))));
            Box& b = *crowd.back();
            const int32_t x = (i * 53) % 560, y = (i * 37) % 400;
            Put(b, panel, {x, y, x + 40 + (i % 5) * 15, y + 30 + (i % 3) * 20});
            if (i % 4 == 1) b.SetAlpha(128);
            if (i % 5 == 2) b.SetTransparent(1);
        }
        const std::function<void()> steps[] = {
            [] {},
            [&] {
                for (int i : {3, 17, 30, 1})
                    crowd[size_t(i)]->SetColor(TColor(uint8_t(i), 200, 9));
            },
            [&] { crowd[10]->SetPos(300, 200); },
            [&] { crowd[5]->SetAlpha(200); },
            [&] { crowd[20]->SetVisible(false); },
            [&] {
                crowd[20]->SetVisible(true);
                crowd[39]->SetColor(TColor(1, 2, 3));
                crowd[0]->SetColor(TColor(4, 5, 6));
            },
            [&] { crowd[25]->Detach(); },
            [&] {
                for (auto& b : crowd)
                    b->SetRedraw(true);
            },
        };
        Trace t;
        for (const auto& step : steps) {
            step();
            Phase(TGraphic::phLayout);
            Phase(TGraphic::phFlush);
            std::vector<TRectArea> dirty;
            std::vector<int> draws;
            for (TGraphic* g : std::initializer_list<TGraphic*>{&root, &panel}) {
                for (TListNode* n = g->GetDirtyList().Head(); n; n = n->next) {
                    const auto* r = static_cast<const TRectItem*>(n->item);
                    dirty.push_back({r->left, r->top, r->right, r->bottom});
                }
                dirty.push_back({-1, -1, -1, -1});
            }
            for (auto& b : crowd) {
                for (TListNode* n = b->GetDirtyList().Head(); n; n = n->next) {
                    const auto* r = static_cast<const TRectItem*>(n->item);
                    dirty.push_back({r->left, r->top, r->right, r->bottom});
                }
                dirty.push_back({-1, -1, -1, -1});
            }
            Phase(TGraphic::phPaint);
            for (auto& b : crowd)
                draws.push_back(b->draws);
            std::vector<uint16_t> pixels;
            for (int32_t y = 0; y < kHeight; ++y)
                for (int32_t x = 0; x < kWidth; ++x)
                    pixels.push_back(At(x, y));
            t.dirty.push_back(std::move(dirty));
            t.draws.push_back(std::move(draws));
            t.pixels.push_back(std::move(pixels));
        }
        crowd.clear();
        panel.Detach();
        Frame();
        TGraphic::SetIndexedChildren(TGraphic::kIndexedChildrenDefault);
        return t;
    }
};

TEST_F(CrowdFrame, IndexedWalksMarkAndDrawAsThePlainWalk) {
    const Trace plain = Run(1 << 30);
    const Trace indexed = Run(1);
    ASSERT_EQ(plain.dirty.size(), indexed.dirty.size());
    for (size_t frame = 0; frame < plain.dirty.size(); ++frame) {
        SCOPED_TRACE(frame);
        EXPECT_EQ(plain.dirty[frame], indexed.dirty[frame]);
        EXPECT_EQ(plain.draws[frame], indexed.draws[frame]);
        EXPECT_TRUE(plain.pixels[frame] == indexed.pixels[frame]);
    }
}

} // namespace
