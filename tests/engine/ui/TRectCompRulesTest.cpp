// Alignment inside an extent away from the parent's origin, where every edge
// must come from the extent or from the kept size, and the setters' rules on
// invalidation.
#include "ui/TRectComp.h"

#include <gtest/gtest.h>

namespace {

TEST(TRectCompRules, AlignmentInAnOffsetExtent) {
    const TRectArea extent{10, 20, 300, 200};
    const struct {
        int32_t align;
        TRectArea expect;
    } cases[] = {
        {TRectComp::alTop, {10, 20, 300, 60}},   {TRectComp::alBottom, {10, 160, 300, 200}},
        {TRectComp::alLeft, {10, 20, 70, 200}},  {TRectComp::alRight, {240, 20, 300, 200}},
        {TRectComp::alFill, {10, 20, 300, 200}}, {TRectComp::alNone, {30, 30, 90, 70}},
    };
    for (const auto& c : cases) {
        TRectComp comp;
        comp.SetRect(30, 30, 60, 40);
        comp.SetAlign(c.align);
        comp.SetExtent(extent);
        TRectArea r;
        comp.GetBounds(r);
        EXPECT_EQ(r.left, c.expect.left) << c.align;
        EXPECT_EQ(r.top, c.expect.top) << c.align;
        EXPECT_EQ(r.right, c.expect.right) << c.align;
        EXPECT_EQ(r.bottom, c.expect.bottom) << c.align;
    }
}

TEST(TRectCompRules, SettersInvalidateOnlyOnChange) {
    TRectComp c;
    c.SetRect(5, 6, 20, 10);
    c.Update();
    ASSERT_FALSE(c.IsDirty());
    c.SetRect(5, 6, 20, 10); // the same place and size
    EXPECT_FALSE(c.IsDirty());
    c.SetExtent({0, 0, 0, 0}); // unchanged extent
    EXPECT_FALSE(c.IsDirty());
    c.SetExtent({0, 0, 1, 1});
    EXPECT_TRUE(c.IsDirty());
    c.Update();
    c.SetBottom(16); // equal
    EXPECT_FALSE(c.IsDirty());
    c.SetBottom(17);
    EXPECT_TRUE(c.IsDirty());
    EXPECT_EQ(c.GetHeight(), 11);
}

} // namespace
