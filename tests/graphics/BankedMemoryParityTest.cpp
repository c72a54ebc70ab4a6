// A banked VESA screen beside a memory context of its format, given the same
// calls: where their renderers agree and where each follows its own rule.
// Copies from memory contexts of every depth, fills in every write mode and
// fill style, clips, viewports, palettes on either side and in either place
// of the current context leave the two with the same pixels after each
// call, on window pairs and single windows of every granularity, in rows that
// cross window ends and on the second page. Lines in a logical write mode
// part on a tie of the decision value: the banked line takes the step along
// the major axis only, the packed one also steps along the minor axis.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "TempDir.h"
#include "VbeCards.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/pixelformat.h"
#include "gdl/vbe.h"
#include "platform/Adapter.h"
#include "platform/Vbe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Rng {
    uint32_t state;
    int32_t operator()(int32_t n) {
        state = state * 1103515245u + 12345u;
        return int32_t((state >> 8) % uint32_t(n));
    }
    uint32_t word() { return uint32_t((*this)(1 << 16)) << 16 | uint32_t((*this)(1 << 16)); }
};

class BankedMemoryParity : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_setPaletteCheck(1);
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    // The SVGA drivers alone on `card` (with every mode VGA-incompatible, so
    // that palettes go through the BIOS, when `incompatible`), a display
    // context of two pages in the mode of that size and depth.
    GdlDeviceContext* Open(const char* card, bool incompatible, int32_t width, int32_t height,
                           int32_t bits) {
        GDL_exit();
        if (!testsupport::UseVbeCard(card, incompatible)) return nullptr;
        testsupport::RegisterLinkedDrivers({"SVGA"});
        int32_t driver = -1, mode = testsupport::ModeOf(width, height, bits);
        if (!GDL_init(&driver, &mode, ".")) return nullptr;
        return GDL_createDisplayDCPages(2);
    }
    testsupport::TempDir folder_;
};

// A memory context of `bits` filled with noise, its palette the screen's or
// its own.
GdlDeviceContext* noiseSource(Rng& rng, int32_t bits, const GdlPixelFormat* format,
                              const GdlPaletteEntry* screenPalette) {
    const int32_t w = 21 + rng(380), h = 9 + rng(260);
    GdlDeviceContext* s = GDL_createMemoryDC(w, h, bits, format);
    if (!s) return nullptr;
    GdlDeviceContext* d = GDL_liveDC(s);
    for (int32_t y = 0; y < h; ++y)
        for (uint32_t i = 0; i < d->mode.bytesPerLine; ++i)
            d->surface[size_t(y) * d->mode.bytesPerLine + i] = uint8_t(rng(256));
    if (bits <= 8) {
        for (int32_t i = 0; i < 256; ++i)
            d->palette[i] = rng(2) ? screenPalette[i]
                                   : GdlPaletteEntry{uint8_t(rng(256)), uint8_t(rng(256)),
                                                     uint8_t(rng(256)), 0};
    }
    return s;
}

TEST_F(BankedMemoryParity, CopiesFillsClipsAndPalettesCallByCall) {
    struct Case {
        const char* card; // vbe12: 4 KB window pair; vbe20: 16 KB; vbe30: 64 KB; nvidia: 64 KB pair
        bool incompatible;
        int32_t width, height, bits;
    };
    const Case cases[] = {
        {"vbe30", false, 1024, 768, 8},        {"vbe12", false, 800, 600, 8},
        {"vbe20", true, 800, 600, 8},          {"vbe30-nvidia", false, 640, 480, 8},
        {"vbe20", false, 800, 600, 16},        {"vbe30", false, 1024, 768, 24},
        {"vbe30-nvidia", false, 800, 600, 32}, {"vbe20", false, 640, 480, 15},
    };
    for (const Case& c : cases) {
        for (uint32_t seed : {1u, 2u}) {
            const std::string name = std::string(c.card) +
                                     (c.incompatible ? " (BIOS palette) " : " ") +
                                     std::to_string(c.width) + "x" + std::to_string(c.bits) +
                                     " seed " + std::to_string(seed);
            SCOPED_TRACE(name);
            GdlDeviceContext* screen = Open(c.card, c.incompatible, c.width, c.height, c.bits);
            ASSERT_NE(screen, nullptr);
            ASSERT_EQ(GDL_liveDC(screen)->flags & GDL_ACCESS_MASK, 1u) << "banked";
            GdlPixelFormat format = GDL_liveDC(screen)->format;
            const GdlPixelFormat* own = c.bits > 8 ? &format : nullptr;
            GdlDeviceContext* ref = GDL_createMemoryDC(c.width, c.height, c.bits, own);
            ASSERT_NE(ref, nullptr);
            // A memory context starts with a zeroed palette table and a display
            // context with the default one: same-format copies are decided by
            // the destination's table, so the reference takes the screen's.
            std::memcpy(GDL_liveDC(ref)->palette, GDL_liveDC(screen)->palette, 1024);
            Rng rng{seed * 7919u + uint32_t(c.bits)};
            const int32_t page = GDL_maxPage(screen) > 0 ? int32_t(seed & 1) : 0;
            GDL_setActivePage(screen, page);
            std::vector<GdlDeviceContext*> sources;
            for (int32_t bits : {c.bits, c.bits, 8, 4, 15, 16, 24, 32}) {
                sources.push_back(noiseSource(rng, bits, bits == c.bits ? own : nullptr,
                                              GDL_liveDC(screen)->palette));
                ASSERT_NE(sources.back(), nullptr);
            }
            GdlDeviceContext* pair[2] = {screen, ref};
            int32_t currentChoice = 0;
            // Makes the chosen context current before a call on `dc`: the
            // destination itself, the source, none, or the other of the pair.
            auto choose = [&](GdlDeviceContext* dc, GdlDeviceContext* source) {
                GdlDeviceContext* choice[4] = {dc, source, nullptr, dc == screen ? ref : screen};
                GDL_selectCurrentDC(choice[currentChoice]);
            };
            const int32_t W = c.width, H = c.height, rowBytes = W * ((c.bits + 7) / 8);
            std::string log;
            for (int32_t call = 0; call < 64; ++call) {
                char text[200] = "";
                const int32_t what = rng(12);
                if (what == 0) { // colour, write mode and fill style, then a fill
                    const uint32_t colour = rng.word(), back = rng.word();
                    const int32_t style = rng(4), mode = style == 3 ? 0 : rng(4);
                    const int32_t l = rng(W + 40) - 20, t = rng(H + 40) - 20;
                    const int32_t r = l + rng(W / 2), b = t + rng(H / 2);
                    uint8_t mono[8];
                    for (uint8_t& m : mono)
                        m = uint8_t(rng(256));
                    uint32_t colours[64];
                    for (uint32_t& p : colours)
                        p = rng.word();
                    for (GdlDeviceContext* dc : pair) {
                        GDL_selectCurrentDC(dc);
                        GDL_setColor(colour), GDL_setBackColor(back);
                        GDL_setMonoPattern(mono), GDL_setColorPattern(colours);
                        GDL_setFillStyle(style), GDL_setWriteMode(mode);
                        GDL_fillRect(l, t, r, b);
                        GDL_setFillStyle(0), GDL_setWriteMode(0);
                    }
                    std::snprintf(text, sizeof text, "fill %x mode %d style %d (%d,%d,%d,%d)",
                                  colour, mode, style, l, t, r, b);
                } else if (what == 1) {
                    const int32_t on = rng(2), l = rng(W / 2), t = rng(H / 2);
                    const int32_t r = l + 1 + rng(W), b = t + 1 + rng(H);
                    for (GdlDeviceContext* dc : pair) {
                        GDL_setClipRect(dc, l, t, r, b);
                        GDL_setClipMode(dc, on);
                    }
                    std::snprintf(text, sizeof text, "clip %d (%d,%d,%d,%d)", on, l, t, r, b);
                } else if (what == 2) {
                    const int32_t l = rng(W / 3), t = rng(H / 3);
                    const int32_t r = l + 1 + rng(W - l), b = t + 1 + rng(H - t);
                    for (GdlDeviceContext* dc : pair)
                        GDL_setViewport(dc, l, t, r, b);
                    std::snprintf(text, sizeof text, "viewport (%d,%d,%d,%d)", l, t, r, b);
                } else if (what == 3) { // the screen's palette, realised
                    GdlPaletteEntry e[256];
                    for (GdlPaletteEntry& x : e)
                        x = {uint8_t(rng(256)), uint8_t(rng(256)), uint8_t(rng(256)), 0};
                    const int32_t first = rng(256), count = 1 + rng(256), wait = rng(2);
                    for (GdlDeviceContext* dc : pair) {
                        GDL_setPalette(dc, e, count, first);
                        GDL_realizePalette(dc, count, first, wait);
                    }
                    std::snprintf(text, sizeof text, "palette %d from %d", count, first);
                } else if (what == 4) { // a source's palette, clip or viewport
                    GdlDeviceContext* s = sources[size_t(rng(int32_t(sources.size())))];
                    GdlPaletteEntry e[256];
                    for (GdlPaletteEntry& x : e)
                        x = {uint8_t(rng(256)), uint8_t(rng(256)), uint8_t(rng(256)), 0};
                    GDL_setPalette(s, e, 1 + rng(256), rng(256));
                    const int32_t l = rng(30), t = rng(20);
                    GDL_setClipRect(s, l, t, l + 5 + rng(300), t + 5 + rng(200));
                    GDL_setClipMode(s, rng(2));
                    if (rng(2)) GDL_setViewport(s, l, t, l + 9 + rng(300), t + 9 + rng(200));
                    std::snprintf(text, sizeof text, "source palette, clip and viewport");
                } else if (what == 5) {
                    const int32_t on = rng(2);
                    GDL_setPaletteCheck(on);
                    std::snprintf(text, sizeof text, "palette check %d", on);
                } else if (what == 6) {
                    currentChoice = rng(4);
                    std::snprintf(text, sizeof text, "current %d", currentChoice);
                } else { // a copy from memory, with a raster operation
                    const size_t i = size_t(rng(int32_t(sources.size())));
                    GdlDeviceContext* s = sources[i];
                    const GdlDeviceContext* sd = GDL_liveDC(s);
                    const int32_t sw = int32_t(sd->mode.maxX) + 1, sh = int32_t(sd->mode.maxY) + 1;
                    const int32_t l = rng(sw + 10) - 5, t = rng(sh + 10) - 5;
                    const int32_t r = l + 1 + rng(sw), b = t + 1 + rng(sh);
                    const int32_t x = rng(W + 60) - 30, y = rng(H + 60) - 30, op = rng(4);
                    for (GdlDeviceContext* dc : pair) {
                        choose(dc, s);
                        GDL_bitBlt(dc, s, l, t, r, b, x, y, op);
                    }
                    std::snprintf(text, sizeof text,
                                  "copy from %zu (%d bits) (%d,%d,%d,%d) to (%d,%d) op %d", i,
                                  int(sd->mode.bitsPerPixel), l, t, r, b, x, y, op);
                }
                log += std::string(text) + "\n";
                platform::VbeFlushWindow();
                const GdlDeviceContext* v = GDL_liveDC(screen);
                const GdlDeviceContext* m = GDL_liveDC(ref);
                const uint8_t* video =
                    platform::AdapterVideoMemory().base + size_t(page) * v->mode.pageSize;
                int32_t row = 0;
                while (row < H && std::memcmp(video + size_t(row) * v->mode.bytesPerLine,
                                              m->surface + size_t(row) * m->mode.bytesPerLine,
                                              size_t(rowBytes)) == 0)
                    ++row;
                ASSERT_EQ(row, H) << "row " << row << " differs after:\n" << log;
            }
            GDL_setPaletteCheck(1);
            GDL_exit();
        }
    }
}

// Pixels a line draws on a 16 x 16 field of `background`.
std::set<std::pair<int, int>> linePixels(GdlDeviceContext* dc, int32_t mode, uint32_t background,
                                         uint32_t colour, int32_t x2, int32_t y2) {
    GDL_selectCurrentDC(dc);
    GDL_setWriteMode(0);
    GDL_setColor(background);
    GDL_fillRect(0, 0, 16, 16);
    GDL_setColor(colour);
    GDL_setWriteMode(mode);
    GDL_line(0, 0, x2, y2);
    GDL_setWriteMode(0);
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (GDL_getPixel(x, y) != (background & GDL_liveDC(dc)->mode.maxColor))
                out.insert({x, y});
    return out;
}

// The decision value of (0, 0) to (4, 2) and of (0, 0) to (2, 4) is 0 at the
// first pixel and again two pixels on.
TEST_F(BankedMemoryParity, LogicalLinesPartOnTies) {
    using Pixels = std::set<std::pair<int, int>>;
    const Pixels majorOnlyX = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}};
    const Pixels minorTooX = {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}};
    const Pixels majorOnlyY = {{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}};
    const Pixels minorTooY = {{0, 0}, {1, 1}, {1, 2}, {2, 3}, {2, 4}};
    for (const int32_t bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        GdlDeviceContext* screen = Open("vbe30", false, 640, 480, bits);
        ASSERT_NE(screen, nullptr);
        GdlPixelFormat format = GDL_liveDC(screen)->format;
        GdlDeviceContext* memory = GDL_createMemoryDC(640, 480, bits, bits > 8 ? &format : nullptr);
        ASSERT_NE(memory, nullptr);
        for (int32_t mode = 0; mode < 4; ++mode) {
            SCOPED_TRACE(mode);
            // AND shows on a field of ones, the others on a field of zeros.
            const uint32_t background = mode == 1 ? 0xFFFFFFFFu : 0, colour = 0x0F;
            EXPECT_EQ(linePixels(screen, mode, background, colour, 4, 2), majorOnlyX);
            EXPECT_EQ(linePixels(screen, mode, background, colour, 2, 4), majorOnlyY);
            EXPECT_EQ(linePixels(memory, mode, background, colour, 4, 2),
                      mode ? minorTooX : majorOnlyX);
            EXPECT_EQ(linePixels(memory, mode, background, colour, 2, 4),
                      mode ? minorTooY : majorOnlyY);
        }
        GDL_exit();
    }
}

} // namespace
