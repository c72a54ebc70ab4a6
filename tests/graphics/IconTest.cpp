#include "IconWriter.h"
#include "TempDir.h"

#include "gdl/bitmap.h"
#include "gdl/memory.h"
#include "gdl/result.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

struct IconDeleter {
    void operator()(GdlIcon* i) const { GDL_freeIcon(i); }
};
using IconPtr = std::unique_ptr<GdlIcon, IconDeleter>;

tools::IconImage MakeIcon(int w, int h, int bits) {
    tools::IconImage im;
    im.width = w;
    im.height = h;
    im.bitCount = bits;
    im.palette.resize(size_t{1} << bits);
    for (size_t i = 0; i < im.palette.size(); ++i)
        im.palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i * 2), 7};
    const size_t rowBytes = (static_cast<size_t>(w) * bits + 7) / 8;
    for (size_t i = 0; i < rowBytes * h; ++i)
        im.pixels.push_back(static_cast<uint8_t>(i * 37 + bits));
    const size_t maskBytes = (static_cast<size_t>(w) + 7) / 8;
    for (size_t i = 0; i < maskBytes * h; ++i)
        im.andMask.push_back(static_cast<uint8_t>(i * 11 + 3));
    return im;
}

class IconReader : public ::testing::Test {
protected:
    void SetUp() override { GDL_lastResult(); }
    IconPtr Load(const std::vector<uint8_t>& file, int32_t loadPalette = 1) {
        return IconPtr(GDL_loadIcon(dir.Write("i.ico", file).c_str(), loadPalette));
    }
    testsupport::TempDir dir;
};

TEST_F(IconReader, RoundTripsEachColourCountWithItsInvertedMask) {
    struct Case {
        int w, h, bits;
    } cases[] = {{32, 32, 1}, {16, 16, 4}, {32, 32, 8}, {13, 7, 1}, {5, 3, 4}, {9, 2, 8}};
    for (const Case& c : cases)
        for (int32_t flag : {1, 0}) {
            SCOPED_TRACE(testing::Message()
                         << c.w << "x" << c.h << " " << c.bits << " bits, flag " << flag);
            tools::IconImage im = MakeIcon(c.w, c.h, c.bits);
            IconPtr icon = Load(tools::WriteIco({im}), flag);
            ASSERT_TRUE(icon) << GDL_lastResult();
            const size_t rowBytes = (static_cast<size_t>(c.w) * c.bits + 7) / 8;
            const size_t maskBytes = (static_cast<size_t>(c.w) + 7) / 8;
            EXPECT_EQ(icon->image.width, c.w);
            EXPECT_EQ(icon->image.height, c.h);
            EXPECT_EQ(icon->image.bitsPerPixel, c.bits);
            EXPECT_EQ(icon->image.bytesPerLine, static_cast<int32_t>((rowBytes + 3) & ~size_t{3}));
            EXPECT_EQ(icon->andBytesPerLine, static_cast<int32_t>(maskBytes));
            EXPECT_EQ(icon->image.pixelFormat, nullptr);
            for (int y = 0; y < c.h; ++y) {
                EXPECT_EQ(0, std::memcmp(icon->image.surface + y * icon->image.bytesPerLine,
                                         im.pixels.data() + y * rowBytes, rowBytes));
                for (size_t x = 0; x < maskBytes; ++x)
                    EXPECT_EQ(icon->andMask[y * maskBytes + x],
                              static_cast<uint8_t>(~im.andMask[y * maskBytes + x]));
            }
            if (flag) {
                ASSERT_NE(icon->image.palette, nullptr);
                const size_t last = im.palette.size() - 1;
                EXPECT_EQ(icon->image.palette[last].red, im.palette[last].r);
                EXPECT_EQ(icon->image.palette[last].green, im.palette[last].g);
                EXPECT_EQ(icon->image.palette[last].blue, im.palette[last].b);
            } else {
                EXPECT_EQ(icon->image.palette, nullptr);
            }
        }
}

TEST_F(IconReader, ColourCountZeroFollowsTheBitCount) {
    tools::IconImage im = MakeIcon(16, 16, 8);
    im.entryColorCount = 0;
    IconPtr icon = Load(tools::WriteIco({im}));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->image.bytesPerLine, 16);
    EXPECT_EQ(icon->image.palette[255].red, im.palette[255].r);
}

TEST_F(IconReader, RefusesWhatItCannotRead) {
    tools::IconImage deep = MakeIcon(16, 16, 8);
    deep.bitCount = 24;
    deep.palette.clear();
    deep.entryColorCount = 0;
    tools::IconImage mismatch = MakeIcon(16, 16, 8);
    mismatch.entryColorCount = 16; // 16 colours claimed, 8-bit rows stored
    const std::vector<uint8_t> good = tools::WriteIco({MakeIcon(16, 16, 4)});
    std::vector<uint8_t> cursor = good;
    cursor[2] = 2;
    std::vector<uint8_t> planes = good;
    planes[22 + 12] = 2;
    std::vector<uint8_t> compressed = good;
    compressed[22 + 16] = 1;
    std::vector<uint8_t> cut = good;
    cut.resize(cut.size() - 1);
    std::vector<uint8_t> headerOnly = good;
    headerOnly.resize(30);

    const std::vector<uint8_t> files[] = {
        tools::WriteIco({deep}),
        tools::WriteIco({mismatch}),
        tools::WriteIco({MakeIcon(16, 16, 4), MakeIcon(32, 32, 4)}),
        cursor,
        planes,
        compressed,
        cut,
        headerOnly};
    for (size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(Load(files[i]));
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_ICON);
    }
}

TEST_F(IconReader, IsIconFileAndMissingFiles) {
    const std::string path = dir.Write("ok.ico", tools::WriteIco({MakeIcon(16, 16, 4)}));
    EXPECT_EQ(GDL_isIconFile(path.c_str()), 1);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
    EXPECT_EQ(GDL_isIconFile(dir.File("none.ico").c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_ICON_NOT_FOUND);
    EXPECT_FALSE(GDL_loadIcon(dir.File("none.ico").c_str(), 1));
    EXPECT_EQ(GDL_lastResult(), GDL_ICON_NOT_FOUND);
    GDL_freeIcon(nullptr);
}

} // namespace
