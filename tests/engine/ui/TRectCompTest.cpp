// Positioned components: setters, alignment inside the extent, auto size and
// coordinate conversions.
#include "ui/TRectComp.h"

#include <gtest/gtest.h>

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

} // namespace
