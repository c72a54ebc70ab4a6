// Positioned components: setters, alignment inside the extent, auto size and
// coordinate conversions.
#include "ui/TRectComp.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

bool Equal(const TRectArea& a, const TRectArea& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(TRectComp, Setters) {
    TRectComp c;
    c.SetRect(0, 0, 100, 50);
    c.SetX(10);
    TRectArea r;
    EXPECT_TRUE(Equal(c.GetBounds(r), {10, 0, 100, 50}));
    EXPECT_EQ(c.GetWidth(), 90);

    c.SetRect(0, 0, 100, 50);
    c.Update();
    ASSERT_FALSE(c.IsDirty());
    c.SetPos(10, 20); // a move does not invalidate
    EXPECT_TRUE(Equal(c.GetBounds(r), {10, 20, 110, 70}));
    EXPECT_FALSE(c.IsDirty());

    c.SetWidth(-5);
    EXPECT_EQ(c.GetWidth(), 0);
    EXPECT_TRUE(Equal(c.GetBounds(r), {10, 20, 5, 70}));
    c.Update();
    c.SetHeight(50); // unchanged: no invalidation
    EXPECT_FALSE(c.IsDirty());
    EXPECT_TRUE(Equal(c.GetClientRect(r), {0, 0, 0, 50}));
}

TEST(TRectComp, AlignmentTable) {
    struct Case {
        int32_t align;
        TRectArea expect;
    };
    const TRectArea extent{0, 0, 640, 480};
    const Case cases[] = {
        {TRectComp::alNone, {30, 30, 90, 70}},     {TRectComp::alTop, {0, 0, 640, 40}},
        {TRectComp::alBottom, {0, 440, 640, 480}}, {TRectComp::alLeft, {0, 0, 60, 480}},
        {TRectComp::alRight, {580, 0, 640, 480}},  {TRectComp::alFill, {0, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        TRectComp comp;
        comp.SetRect(30, 30, 60, 40);
        comp.SetAlign(c.align);
        comp.SetExtent(extent);
        TRectArea r;
        EXPECT_TRUE(Equal(comp.GetBounds(r), c.expect)) << "align " << c.align;
    }
    // A component wider than a right-docked extent keeps a non-negative width.
    TRectComp wide;
    wide.SetRect(0, 0, 100, 10);
    wide.SetAlign(TRectComp::alTop);
    wide.SetExtent({50, 5, 20, 100});
    EXPECT_EQ(wide.GetWidth(), 0);
    TRectArea r;
    EXPECT_EQ(wide.GetBounds(r).right, 50);
}

TEST(TRectComp, AlignmentAndAutoSizeExcludeEachOther) {
    TRectComp c;
    EXPECT_EQ(c.GetAutoSize(), 1u);
    c.SetAlign(TRectComp::alFill);
    EXPECT_EQ(c.GetAutoSize(), 0u);
    c.SetAutoSize(1);
    EXPECT_EQ(c.GetAlign(), TRectComp::alNone);
    c.SetWidth(5);
    EXPECT_EQ(c.GetAutoSize(), 0u);
    c.SetAutoSize(1);
    c.AdjustWidth(7); // content sizing leaves the flag alone
    EXPECT_EQ(c.GetAutoSize(), 1u);
}

class Bordered : public TRectComp {
public:
    TRectArea& GetClientRect(TRectArea& r) override {
        r = {2, 3, 10, 10};
        return r;
    }
};

TEST(TRectComp, CoordinateConversions) {
    Bordered parent;
    parent.SetScreenRect({100, 50, 300, 250});
    TRectComp child;
    child.SetParent(&parent);
    child.SetScreenRect({110, 60, 150, 90});
    struct Case {
        TPoint (TRectComp::*op)(TPoint) const;
        const TRectComp* who;
        TPoint in, out;
    };
    TRectComp orphan;
    const Case cases[] = {
        {&TRectComp::PointToParent, &child, {5, 6}, {115, 66}},
        {&TRectComp::PointFromParent, &child, {115, 66}, {5, 6}},
        {&TRectComp::ScreenToParent, &child, {120, 70}, {18, 17}},
        {&TRectComp::ParentToScreen, &child, {18, 17}, {120, 70}},
        {&TRectComp::ScreenToParent, &orphan, {120, 70}, {0, 0}},
        {&TRectComp::ParentToScreen, &orphan, {120, 70}, {0, 0}},
    };
    for (const Case& c : cases) {
        TPoint p = (c.who->*c.op)(c.in);
        EXPECT_EQ(p.x, c.out.x);
        EXPECT_EQ(p.y, c.out.y);
    }
    TRectArea moved = child.RectToParent({0, 0, 10, 10});
    EXPECT_TRUE(Equal(moved, {110, 60, 120, 70}));
    EXPECT_TRUE(Equal(child.RectFromParent(moved), {0, 0, 10, 10}));
}

// Rectangles at the ends of the 32-bit range: each edge is held in range
// instead of wrapping round, a width past the range reads as the largest,
// and a rectangle asked for again is no change.
TEST(TRectComp, ExtremeRectanglesHoldInRange) {
    constexpr int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    struct Case {
        int32_t x, y, w, h;
        TRectArea bounds;
        int32_t width;
    };
    const Case cases[] = {
        {kMax - 10, 0, 100, 50, {kMax - 10, 0, kMax, 50}, 10},
        {kMin, kMin, kMax, kMax, {kMin, kMin, -1, -1}, kMax},
        {kMin + 5, 0, -100, 10, {kMin + 5, 0, kMin, 10}, 0},
        {-10, kMax, kMax, 1, {-10, kMax, kMax - 10, kMax}, kMax},
    };
    for (const Case& c : cases) {
        TRectComp comp;
        comp.SetRect(c.x, c.y, c.w, c.h);
        TRectArea r;
        EXPECT_TRUE(Equal(comp.GetBounds(r), c.bounds)) << c.x << " " << c.w;
        EXPECT_EQ(comp.GetWidth(), c.width) << c.x << " " << c.w;
        comp.SetRect(c.x, c.y, c.w, c.h);
        EXPECT_FALSE(comp.IsDirty()) << c.x << " " << c.w;
    }
    TRectComp c;
    TRectArea r;
    c.SetRect(0, 0, kMax, 10);
    c.SetX(kMin);
    EXPECT_EQ(c.GetWidth(), kMax);
    c.SetRect(kMin, 0, kMax, 10); // (kMin, 0, -1, 10)
    c.SetPos(kMax - 5, kMax - 5);
    EXPECT_TRUE(Equal(c.GetBounds(r), {kMax - 5, kMax - 5, kMax, kMax}));
    c.AdjustWidth(kMax);
    EXPECT_EQ(c.GetBounds(r).right, kMax);
    // Alignment against an extent at the ends of the range.
    c.SetRect(0, 0, 100, 100);
    c.SetAlign(TRectComp::alBottom);
    c.SetExtent({0, kMin, 10, kMin + 10});
    EXPECT_TRUE(Equal(c.GetBounds(r), {0, kMin, 10, kMin + 10}));
    c.SetAlign(TRectComp::alRight);
    c.SetExtent({kMax - 10, 0, kMax, 10});
    EXPECT_TRUE(Equal(c.GetBounds(r), {kMax - 10, 0, kMax, 10}));
    // Conversions past the ends.
    c.SetScreenRect({kMax - 1, kMin + 1, kMax, kMin + 2});
    const TPoint out = c.PointToParent(TPoint(10, -10));
    EXPECT_EQ(out.x, kMax);
    EXPECT_EQ(out.y, kMin);
    const TPoint back = c.PointFromParent(TPoint(kMin, kMax));
    EXPECT_EQ(back.x, kMin);
    EXPECT_EQ(back.y, kMax);
    EXPECT_TRUE(Equal(c.RectToParent({10, 10, 20, 20}), {kMax, kMin + 11, kMax, kMin + 21}));
}

} // namespace
