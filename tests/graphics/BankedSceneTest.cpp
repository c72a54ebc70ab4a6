// The library's scene on the SVGA drivers at every depth, through windows of
// 4, 16 and 64 KB granularity, single and as a read/write pair, with one and
// more pages: video memory (the window written back) equals a memory
// context of the same format row by row, the scan-out equals it through the
// same palette, and every card gives the same pixels. The 16-colour driver
// draws the scene through the planes.
#include "LinkedDrivers.h"
#include "GdlScene.h"
#include "MemoryDesktop.h"
#include "PixelCheck.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "gdl/vbe.h"
#include "platform/Adapter.h"
#include "platform/Vbe.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

class BankedScene : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    // The library on `card` with the SVGA drivers alone, a display context
    // of `pages` in the mode of that size and depth.
    GdlDeviceContext* Open(const char* card, int32_t width, int32_t height, int32_t bits,
                           int32_t pages) {
        GDL_exit();
        if (!platform::UseAdapter(card)) return nullptr;
        testsupport::RegisterLinkedDrivers({"SVGA"});
        int32_t driver = -1;
        int32_t mode = bits == 4 ? 5 : testsupport::ModeOf(width, height, bits);
        if (!GDL_init(&driver, &mode, ".")) return nullptr;
        if (std::strcmp(GDL_modeDriverName(mode), SVGA_header(bits)->driverName) != 0)
            return nullptr;
        return GDL_createDisplayDCPages(pages);
    }
    testsupport::TempDir folder_;
};

TEST_F(BankedScene, EveryCardAndPageMatchesAMemoryContext) {
    struct Case {
        int32_t bits, pages;
    };
    const Case cases[] = {{8, 2}, {15, 2}, {16, 3}, {24, 2}, {32, 2}};
    const char* cards[] = {"vbe12", "vbe20", "vbe20-vlf", "vbe30", "vbe30-nvidia"};
    for (const Case& c : cases) {
        std::map<int32_t, std::vector<uint8_t>> firstCard; // page: its bytes on the first card
        for (const char* card : cards) {
            SCOPED_TRACE(std::string(card) + " at " + std::to_string(c.bits));
            const int32_t w = c.bits == 8 || c.bits == 16 ? 800 : 640;
            const int32_t h = w == 800 ? 600 : 480;
            GdlDeviceContext* screen = Open(card, w, h, c.bits, c.pages);
            if (!screen && std::strcmp(card, "vbe12") == 0 && c.bits > 16) continue; // 1 MB
            ASSERT_NE(screen, nullptr);
            const GdlDeviceContext* live = GDL_liveDC(screen);
            EXPECT_EQ(live->flags & GDL_ACCESS_MASK, 1u) << "banked";
            EXPECT_EQ(platform::VbeCurrentMode() & 0x4000, 0) << "no linear framebuffer";
            const int32_t pages = std::min(c.pages, GDL_maxPage(screen) + 1);
            GdlPixelFormat format = live->format;
            GdlDeviceContext* memory =
                GDL_createMemoryDC(w, h, c.bits, c.bits > 8 ? &format : nullptr);
            ASSERT_NE(memory, nullptr);
            // Colour-pattern spans go through the library's generic span,
            // which combines them by the write mode; so does the reference.
            for (int t : {3, 7})
                GDL_liveDC(memory)->v.tables[t].span = DRV_scanLine;
            const std::string stem =
                ::testing::TempDir() + "banked-" + card + "-" + std::to_string(c.bits);
            for (int32_t page = 0; page < pages; ++page) {
                SCOPED_TRACE(page);
                GDL_setActivePage(screen, page);
                tools::DrawGdlScene(screen, page);
                tools::DrawGdlScene(memory, page);
                live = GDL_liveDC(screen);
                const platform::VideoMemoryView video = platform::AdapterVideoMemory();
                const uint8_t* start = video.base + live->frameStart;
                EXPECT_TRUE(testsupport::PageMatches(start, int(live->mode.bytesPerLine),
                                                     GDL_liveDC(memory), platform::AdapterScanOut(),
                                                     stem));
                GDL_setVisualPage(screen, page, 1);
                EXPECT_TRUE(testsupport::ScanOutMatches(GDL_liveDC(memory), stem));
                // The same pixels on every card (rows of the same length).
                std::vector<uint8_t> rows;
                for (int32_t y = 0; y < h; ++y)
                    rows.insert(rows.end(), start + size_t(y) * live->mode.bytesPerLine,
                                start + size_t(y) * live->mode.bytesPerLine +
                                    size_t(w) * size_t((c.bits + 7) / 8));
                auto [it, first] = firstCard.emplace(page, rows);
                if (!first) {
                    EXPECT_TRUE(it->second == rows) << "differs from the first card";
                }
            }
            GDL_destroyDisplayDC(screen);
            EXPECT_EQ(platform::VbeCurrentMode(), 0) << "text mode back";
        }
    }
}

// 800 x 600 in 16 colours (VBE mode 102h): the scene through the planes,
// the attribute palette the identity, video on.
TEST_F(BankedScene, SixteenColoursThroughThePlanes) {
    for (const char* card : {"vbe12", "vbe30"}) {
        SCOPED_TRACE(card);
        GdlDeviceContext* screen = Open(card, 800, 600, 4, 1);
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(platform::VbeCurrentMode(), 0x102);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(platform::VgaAttribute(i), i);
        GdlDeviceContext* memory = GDL_createMemoryDC(800, 600, 4, nullptr);
        ASSERT_NE(memory, nullptr);
        std::memcpy(GDL_liveDC(memory)->palette, GDL_liveDC(screen)->palette,
                    16 * sizeof(GdlPaletteEntry));
        tools::DrawGdlScene(screen, 1);
        tools::DrawGdlScene(memory, 1);
        const platform::VgaPackedView packed = platform::VgaPacked();
        ASSERT_EQ(packed.width, 800);
        ASSERT_GE(packed.height, 600);
        const GdlDeviceContext* m = GDL_liveDC(memory);
        int differ = 0, lit = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const uint8_t* row = m->surface + size_t(y) * m->mode.bytesPerLine;
                const uint8_t want = uint8_t((row[x / 2] >> (4 * (x & 1))) & 0x0F);
                const uint8_t got = packed.pixels[size_t(y) * 800 + size_t(x)];
                differ += got != want;
                lit += got != 0;
            }
        EXPECT_EQ(differ, 0);
        EXPECT_GT(lit, 2000) << "a scene, not a blank screen";
        GDL_destroyDisplayDC(screen);
    }
}

// Bytes of a memory context's first `height` rows, `rowBytes` of each.
std::string RowsOf(GdlDeviceContext* dc, int32_t rowBytes, int32_t height) {
    const GdlDeviceContext* d = GDL_liveDC(dc);
    std::string out;
    for (int32_t y = 0; y < height; ++y)
        out.append(reinterpret_cast<const char*>(d->surface) + size_t(y) * d->mode.bytesPerLine,
                   size_t(rowBytes));
    return out;
}

// A banked or planar screen as the source of copies that read it in place
// elsewhere: a converting copy into memory of another depth, a stretched copy
// and a keyed copy give the pixels the same copies give from a memory context
// that holds the same scene, on every window granularity and the pair.
TEST_F(BankedScene, CopiesFromTheScreenEqualCopiesFromMemory) {
    struct Case {
        const char* card; // vbe12: 4 KB pair; vbe20: 16 KB; vbe30: 64 KB; nvidia: 64 KB pair
        int32_t bits, width, height, destBits, page;
    };
    const Case cases[] = {
        {"vbe12", 8, 800, 600, 32, 1},         {"vbe20", 16, 800, 600, 8, 1},
        {"vbe20", 15, 640, 480, 32, 0},        {"vbe30", 24, 640, 480, 16, 0},
        {"vbe30-nvidia", 32, 640, 480, 24, 1}, {"vbe12", 4, 800, 600, 8, 0},
        {"vbe30", 4, 800, 600, 32, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.card) + " at " + std::to_string(c.bits));
        GdlDeviceContext* screen = Open(c.card, c.width, c.height, c.bits, 2);
        ASSERT_NE(screen, nullptr);
        ASSERT_EQ(GDL_liveDC(screen)->type, GDL_DC_FULLSCREEN);
        if (c.bits != 4) {
            ASSERT_EQ(GDL_liveDC(screen)->flags & GDL_ACCESS_MASK, 1u) << "banked";
        }
        GdlPixelFormat format = GDL_liveDC(screen)->format;
        GdlDeviceContext* memory =
            GDL_createMemoryDC(c.width, c.height, c.bits, c.bits > 8 ? &format : nullptr);
        ASSERT_NE(memory, nullptr);
        if (c.bits <= 8)
            std::memcpy(GDL_liveDC(memory)->palette, GDL_liveDC(screen)->palette,
                        256 * sizeof(GdlPaletteEntry));
        for (int t : {3, 7})
            GDL_liveDC(memory)->v.tables[t].span = DRV_scanLine;
        const int32_t page = std::min(c.page, GDL_maxPage(screen));
        GDL_setActivePage(screen, page);
        tools::DrawGdlScene(screen, page);
        tools::DrawGdlScene(memory, page);

        // Most of the page: rows in every bank, from an odd column.
        const int32_t w = c.width, h = c.height, l = 13, t = 3, r = w - 7, b = h - 2;
        const int32_t destBytes = w * ((c.destBits + 7) / 8);
        GdlDeviceContext* fromScreen = GDL_createMemoryDC(w, h, c.destBits, nullptr);
        GdlDeviceContext* fromMemory = GDL_createMemoryDC(w, h, c.destBits, nullptr);
        ASSERT_TRUE(fromScreen && fromMemory);
        for (GdlDeviceContext* d : {fromScreen, fromMemory})
            if (c.destBits == 8)
                std::memcpy(GDL_liveDC(d)->palette, GDL_defaultPalette(),
                            256 * sizeof(GdlPaletteEntry));
        GDL_bitBlt(fromScreen, screen, l, t, r, b, 3, 1, 0);
        GDL_bitBlt(fromMemory, memory, l, t, r, b, 3, 1, 0);
        const std::string want = RowsOf(fromMemory, destBytes, h);
        EXPECT_NE(want.find_first_not_of('\0'), std::string::npos) << "a scene was copied";
        EXPECT_TRUE(RowsOf(fromScreen, destBytes, h) == want) << "converted copy";
        if (c.bits == 4) continue; // no stretched or keyed copies from 16 colours

        // Stretched by 2 and by uneven factors from rows far down the page,
        // and keyed on a colour of the scene, into contexts of the format.
        const int32_t bytes = w * ((c.bits + 7) / 8);
        GdlDeviceContext* same[2] = {
            GDL_createMemoryDC(w, h, c.bits, c.bits > 8 ? &format : nullptr),
            GDL_createMemoryDC(w, h, c.bits, c.bits > 8 ? &format : nullptr)};
        ASSERT_TRUE(same[0] && same[1]);
        GdlDeviceContext* sources[2] = {screen, memory};
        GDL_selectCurrentDC(memory);
        const uint32_t key = GDL_getPixel(w / 2, h / 2);
        for (int i = 0; i < 2; ++i) {
            GDL_stretchBlt(same[i], sources[i], 40, h - 170, 240, h - 10, 0, 0, 400, 320);
            GDL_stretchBlt(same[i], sources[i], 41, h - 171, 241, h - 11, 400, 0, w, 240);
            GDL_transBlt(same[i], sources[i], 5, h / 2 - 40, w - 5, h - 1, 0, 250, key, 1);
            GDL_transBlt(same[i], sources[i], 9, h / 2 - 60, w - 5, h - 1, 2, 240, key, 0);
        }
        EXPECT_TRUE(RowsOf(same[0], bytes, h) == RowsOf(same[1], bytes, h))
            << "stretched and keyed copies";
    }
}

} // namespace

namespace {

// Copies from a memory context with each write mode, one after another over
// what the earlier ones left, at places whose rows cross window ends: the
// banked screen ends each call with the pixels a memory context of its
// format has, with the palettes equal (a plain copy) and different (a
// translating one), on a 4 KB window pair and a 64 KB window.
TEST_F(BankedScene, WriteModeCopiesFromMemoryEqualAMemoryContextCallByCall) {
    for (const char* card : {"vbe12", "vbe30"}) {
        for (const bool samePalette : {true, false}) {
            SCOPED_TRACE(std::string(card) + (samePalette ? " same palette" : " translated"));
            GdlDeviceContext* screen = Open(card, 1024, 768, 8, 1);
            ASSERT_NE(screen, nullptr);
            GdlDeviceContext* memory = GDL_createMemoryDC(1024, 768, 8, nullptr);
            GdlDeviceContext* source = GDL_createMemoryDC(301, 203, 8, nullptr);
            ASSERT_TRUE(memory && source);
            std::memcpy(GDL_liveDC(memory)->palette, GDL_liveDC(screen)->palette, 1024);
            GdlDeviceContext* s = GDL_liveDC(source);
            uint32_t seed = 5;
            auto next = [&seed](uint32_t n) {
                seed = seed * 1103515245u + 12345u;
                return (seed >> 8) % n;
            };
            for (int32_t i = 0; i < 256; ++i)
                s->palette[i] = samePalette ? GDL_liveDC(screen)->palette[i]
                                            : GdlPaletteEntry{uint8_t(255 - i), uint8_t(3 * i),
                                                              uint8_t(7 * i), 0};
            for (int32_t y = 0; y < 203; ++y)
                for (int32_t x = 0; x < 301; ++x)
                    s->surface[size_t(y) * s->mode.bytesPerLine + size_t(x)] = uint8_t(next(256));
            for (GdlDeviceContext* dc : {screen, memory}) {
                GDL_selectCurrentDC(dc);
                GDL_setColor(0x5C);
                GDL_fillRect(0, 0, 1024, 768);
            }
            const GdlDeviceContext* live = GDL_liveDC(screen);
            const GdlDeviceContext* m = GDL_liveDC(memory);
            for (int32_t call = 0; call < 24; ++call) {
                const int32_t l = int32_t(next(150)), t = int32_t(next(100));
                const int32_t r = l + 1 + int32_t(next(150)), b = t + 1 + int32_t(next(100));
                const int32_t x = int32_t(next(1100)) - 40, y = int32_t(next(800)) - 30;
                const int32_t op = call % 4;
                GDL_bitBlt(screen, source, l, t, r, b, x, y, op);
                GDL_bitBlt(memory, source, l, t, r, b, x, y, op);
                platform::VbeFlushWindow();
                const uint8_t* video = platform::AdapterVideoMemory().base + live->frameStart;
                int32_t differ = 0;
                for (int32_t row = 0; row < 768; ++row)
                    differ +=
                        std::memcmp(video + size_t(row) * live->mode.bytesPerLine,
                                    m->surface + size_t(row) * m->mode.bytesPerLine, 1024) != 0;
                ASSERT_EQ(differ, 0) << "call " << call << ": rows differ";
            }
            GDL_destroyDisplayDC(screen);
        }
    }
}

} // namespace
