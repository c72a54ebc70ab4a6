#include "IconWriter.h"
#include "TempDir.h"

#include "gdl/bitmap.h"
#include "gdl/memory.h"
#include "gdl/result.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

tools::IconImage MakeCursor(uint16_t hotX, uint16_t hotY) {
    tools::IconImage im;
    im.width = 32;
    im.height = 32;
    im.bitCount = 1;
    im.palette = {{0, 0, 0}, {255, 255, 255}};
    for (int i = 0; i < 128; ++i) {
        im.pixels.push_back(static_cast<uint8_t>(i * 3 + 1));
        im.andMask.push_back(static_cast<uint8_t>(i * 5 + 2));
    }
    im.hotX = hotX;
    im.hotY = hotY;
    return im;
}

class CursorReader : public ::testing::Test {
protected:
    void SetUp() override { GDL_lastResult(); }
    GdlCursor* Load(const std::vector<uint8_t>& file) {
        return GDL_loadCursor(dir.Write("c.cur", file).c_str());
    }
    testsupport::TempDir dir;
};

TEST_F(CursorReader, ReadsMasksTopRowFirstWithTheAndMaskInverted) {
    tools::IconImage im = MakeCursor(5, 7);
    GdlCursor* cursor = Load(tools::WriteCur({im}));
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->hotX, 5);
    EXPECT_EQ(cursor->hotY, 7);
    EXPECT_EQ(0, std::memcmp(cursor->xorMask, im.pixels.data(), 128));
    for (int i = 0; i < 128; ++i)
        EXPECT_EQ(cursor->andMask[i], static_cast<uint8_t>(~im.andMask[i])) << i;
    GDL_unloadCursor(cursor);
}

TEST_F(CursorReader, RefusesOtherShapesAndTypes) {
    tools::IconImage small = MakeCursor(0, 0);
    small.width = 16;
    small.height = 16;
    const std::vector<uint8_t> good = tools::WriteCur({MakeCursor(1, 1)});
    std::vector<uint8_t> icon = good;
    icon[2] = 1;
    std::vector<uint8_t> reserved = good;
    reserved[1] = 1;
    std::vector<uint8_t> cut = good;
    cut.resize(good.size() - 1);
    // Colour cursors pass the directory test but their rows are not 1-bit masks.
    tools::IconImage colour4 = MakeCursor(0, 0);
    colour4.bitCount = 4;
    colour4.palette.resize(16);
    colour4.pixels.assign(32 * 16, 0x12);
    tools::IconImage colour8 = colour4;
    colour8.bitCount = 8;
    colour8.palette.resize(256);
    colour8.pixels.assign(32 * 32, 0x34);
    const std::vector<uint8_t> files[] = {tools::WriteCur({small}),
                                          tools::WriteCur({MakeCursor(0, 0), MakeCursor(0, 0)}),
                                          icon,
                                          reserved,
                                          cut,
                                          std::vector<uint8_t>(10, 0),
                                          tools::WriteCur({colour4}),
                                          tools::WriteCur({colour8})};
    for (size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Load(files[i]), nullptr);
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_CURSOR);
    }
    EXPECT_EQ(GDL_loadCursor(dir.File("none.cur").c_str()), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_CURSOR_NOT_FOUND);
    EXPECT_EQ(GDL_isCursorFile(dir.Write("ok.cur", good).c_str()), 1);
    EXPECT_EQ(GDL_isCursorFile(dir.Write("bad.cur", icon).c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_CURSOR);
    EXPECT_EQ(GDL_isCursorFile(dir.Write("colour.cur", tools::WriteCur({colour4})).c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_CURSOR);
}

// Row r of a mask as a 32-bit word, first byte most significant.
uint32_t Row(const uint8_t* mask, int r) {
    return uint32_t{mask[4 * r]} << 24 | uint32_t{mask[4 * r + 1]} << 16 |
           uint32_t{mask[4 * r + 2]} << 8 | mask[4 * r + 3];
}

TEST(DefaultCursor, IsTheArrowAndIsNeverFreed) {
    GdlCursor* arrow = GDL_getDefaultCursor();
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(arrow->hotX, 1);
    EXPECT_EQ(arrow->hotY, 1);
    struct {
        int row;
        uint32_t xorRow, andRow;
    } rows[] = {{0, 0x00000000, 0xc0000000},
                {1, 0x40000000, 0xe0000000},
                {9, 0x7fc00000, 0xffe00000},
                {13, 0x43000000, 0xef800000},
                {18, 0x00c00000, 0x01e00000},
                {19, 0x00000000, 0x00c00000},
                {20, 0, 0},
                {31, 0, 0}};
    for (const auto& r : rows) {
        EXPECT_EQ(Row(arrow->xorMask, r.row), r.xorRow) << r.row;
        EXPECT_EQ(Row(arrow->andMask, r.row), r.andRow) << r.row;
    }
    // Every drawn pixel of the arrow lies inside its outline.
    for (int r = 0; r < 32; ++r)
        EXPECT_EQ(Row(arrow->xorMask, r) & ~Row(arrow->andMask, r), 0u) << r;
    GDL_unloadCursor(arrow);
    GDL_unloadCursor(nullptr);
    EXPECT_EQ(GDL_getDefaultCursor()->hotX, 1);
}

} // namespace
