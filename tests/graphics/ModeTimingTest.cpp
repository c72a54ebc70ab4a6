// GTF timings against published VESA GTF figures, the VBE calls through a
// recording stand-in of the adapter, and the 1-bit image turns against a
// per-pixel reference.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gdl/modetiming.h"

namespace {

// --- GTF --------------------------------------------------------------------------

struct GtfCase {
    int32_t w, h;
    double refresh;
    double pixelClock; // MHz, two decimals as tables print it
    int32_t hSyncStart, hSyncEnd, hTotal;
    int32_t vSyncStart, vSyncEnd, vTotal;
};

// Figures of the VESA GTF tables (no margins, not interlaced).
const GtfCase kGtf[] = {
    {640, 480, 60.0, 23.86, 656, 720, 800, 481, 484, 497},
    {800, 600, 60.0, 38.22, 832, 912, 1024, 601, 604, 622},
    {1024, 768, 60.0, 64.11, 1080, 1184, 1344, 769, 772, 795},
};

TEST(Gtf, MatchesPublishedTimings) {
    for (const GtfCase& c : kGtf) {
        GtfTimings t{};
        ASSERT_TRUE(Gtf_computeTimings(c.w, c.h, c.refresh, GTF_VERTICAL_REFRESH, 0, 0, &t));
        SCOPED_TRACE(c.w);
        EXPECT_EQ(t.hDisplayed, c.w);
        EXPECT_EQ(t.hSyncStart, c.hSyncStart);
        EXPECT_EQ(t.hSyncEnd, c.hSyncEnd);
        EXPECT_EQ(t.hTotal, c.hTotal);
        EXPECT_EQ(t.vDisplayed, c.h);
        EXPECT_EQ(t.vSyncStart, c.vSyncStart);
        EXPECT_EQ(t.vSyncEnd, c.vSyncEnd);
        EXPECT_EQ(t.vTotal, c.vTotal);
        EXPECT_NEAR(t.pixelClock, c.pixelClock, 0.006);
        EXPECT_NEAR(t.vFrequency, c.refresh, 1e-6);
        EXPECT_EQ(t.hFrontPorch, t.hSyncStart - t.hDisplayed);
        EXPECT_EQ(t.hSyncWidth, t.hSyncEnd - t.hSyncStart);
        EXPECT_EQ(t.hBackPorch, t.hTotal - t.hSyncEnd);
        EXPECT_EQ(t.vSyncWidth, 3);
        EXPECT_EQ(t.hSyncPolarity, '-');
        EXPECT_EQ(t.vSyncPolarity, '+');
        EXPECT_EQ(t.interlace, 'N');
    }
}

TEST(Gtf, OtherFrequencyKindsAgreeWithTheRefreshForm) {
    GtfTimings byRefresh{}, byClock{}, byLine{};
    ASSERT_TRUE(Gtf_computeTimings(800, 600, 75.0, GTF_VERTICAL_REFRESH, 0, 0, &byRefresh));
    ASSERT_TRUE(
        Gtf_computeTimings(800, 600, byRefresh.pixelClock, GTF_PIXEL_CLOCK, 0, 0, &byClock));
    ASSERT_TRUE(
        Gtf_computeTimings(800, 600, byRefresh.hFrequency, GTF_HORIZONTAL_FREQ, 0, 0, &byLine));
    for (const GtfTimings* t : {&byClock, &byLine}) {
        EXPECT_EQ(t->hTotal, byRefresh.hTotal);
        EXPECT_EQ(t->vTotal, byRefresh.vTotal);
        EXPECT_EQ(t->hSyncStart, byRefresh.hSyncStart);
        EXPECT_NEAR(t->vFrequency, 75.0, 0.05);
    }
}

TEST(Gtf, InterlaceMarginsAndBadInput) {
    GtfTimings t{};
    ASSERT_TRUE(Gtf_computeTimings(1024, 768, 87.0, GTF_VERTICAL_REFRESH, 0, 1, &t));
    EXPECT_EQ(t.interlace, 'I');
    EXPECT_EQ(t.vDisplayed, 384); // lines of one field
    EXPECT_EQ(t.hSyncPolarity, '-');
    EXPECT_EQ(t.vSyncPolarity, '+');
    GtfTimings m{};
    ASSERT_TRUE(Gtf_computeTimings(640, 480, 60.0, GTF_VERTICAL_REFRESH, 1, 0, &m));
    EXPECT_EQ(m.interlace, 'N');
    // Margins of 1.8 % (9 lines, 8 pixels) lengthen both totals.
    EXPECT_GT(m.vTotal, 497);
    EXPECT_GT(m.hTotal, 800);
    for (double f : {0.0, -60.0})
        EXPECT_FALSE(Gtf_computeTimings(640, 480, f, 1, 0, 0, &t));
    EXPECT_FALSE(Gtf_computeTimings(0, 480, 60.0, 1, 0, 0, &t));
    EXPECT_FALSE(Gtf_computeTimings(640, 480, 60.0, 7, 0, 0, &t));
    // A refresh so high that the sync and back porch fill the frame.
    EXPECT_FALSE(Gtf_computeTimings(640, 480, 5000.0, 1, 0, 0, &t));
    EXPECT_EQ(Gtf_nearest(2.5), 3);
    EXPECT_EQ(Gtf_nearest(-2.5), -2);
}

// --- VBE calls --------------------------------------------------------------------

struct Call {
    const char* via;
    VbeRegs regs;
    const void* entries;
};
std::vector<Call> g_calls;
std::vector<uint8_t> g_status; // successive reads of the input status port
size_t g_statusAt = 0;
int g_statusReads = 0;

void recInt10(VbeRegs* r) {
    g_calls.push_back({"int10", *r, nullptr});
}
void recPmWindow(VbeRegs* r) {
    g_calls.push_back({"pmWindow", *r, nullptr});
}
void recPmStart(VbeRegs* r) {
    g_calls.push_back({"pmStart", *r, nullptr});
}
void recPmPalette(VbeRegs* r, const void* e) {
    g_calls.push_back({"pmPalette", *r, e});
}
uint8_t recInPort(uint16_t port) {
    EXPECT_EQ(port, 0x3DA);
    ++g_statusReads;
    if (g_status.empty()) return 8;
    uint8_t v = g_status[std::min(g_statusAt, g_status.size() - 1)];
    ++g_statusAt;
    return v;
}

class Vbe : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_status.clear();
        g_statusAt = 0;
        g_statusReads = 0;
        VbeState& s = Vbe_state();
        s = VbeState{};
        s.currentBank = 255;
        s.services = {recInt10, nullptr, nullptr, nullptr, recInPort};
    }
    void TearDown() override { Vbe_state() = VbeState{}; }
};

TEST_F(Vbe, BankRoutinesShiftTheBankIntoDX) {
    struct Case {
        VbeBankFunc routine;
        const char* via;
        int windows;
    } cases[] = {{Vbe_bankWindowA, "int10", 1},
                 {Vbe_bankWindowsAB, "int10", 2},
                 {Vbe_bankPmWindowA, "pmWindow", 1},
                 {Vbe_bankPmWindowsAB, "pmWindow", 2}};
    for (const Case& c : cases) {
        g_calls.clear();
        Vbe_state().services.pmSetWindow = recPmWindow;
        Vbe_state().bankRoutine = c.routine;
        Vbe_state().granularityShift = 2; // 16 KB granules
        Vbe_switchBank(3);
        EXPECT_EQ(Vbe_state().currentBank, 3);
        ASSERT_EQ(int(g_calls.size()), c.windows);
        for (int i = 0; i < c.windows; ++i) {
            EXPECT_STREQ(g_calls[size_t(i)].via, c.via);
            EXPECT_EQ(g_calls[size_t(i)].regs.eax, 0x4F05u);
            EXPECT_EQ(g_calls[size_t(i)].regs.ebx, uint32_t(i));
            EXPECT_EQ(g_calls[size_t(i)].regs.edx, 12u);
        }
    }
    g_calls.clear();
    Vbe_selectBank(7);
    EXPECT_EQ(Vbe_state().currentBank, 7);
    EXPECT_EQ(g_calls.size(), 2u);
    // No routine installed: the number is still remembered.
    Vbe_state().bankRoutine = nullptr;
    Vbe_switchBank(9);
    EXPECT_EQ(Vbe_state().currentBank, 9);
}

TEST_F(Vbe, ScanoutThroughTheInterruptConvertsBytesToPixels) {
    struct Case {
        int32_t bits;
        uint32_t rest;
        uint32_t pixel;
    } cases[] = {{4, 10, 80},    {8, 300, 300},  {15, 300, 150},
                 {16, 300, 150}, {24, 300, 100}, {32, 300, 75}};
    Vbe_state().version = 0x0200;
    for (const Case& c : cases) {
        g_calls.clear();
        Vbe_setScanoutStart(2400u * 5 + c.rest, c.bits, 2400, 0);
        ASSERT_EQ(g_calls.size(), 1u);
        EXPECT_EQ(g_calls[0].regs.eax, 0x4F07u);
        EXPECT_EQ(g_calls[0].regs.ecx, c.pixel) << c.bits;
        EXPECT_EQ(g_calls[0].regs.edx, 5u);
        EXPECT_EQ(g_calls[0].regs.ebx, 0u);
    }
    g_calls.clear();
    Vbe_setScanoutStart(4800, 8, 2400, 1);
    EXPECT_EQ(g_calls[0].regs.ebx, 0x80u);
    EXPECT_EQ(g_statusReads, 0);
}

TEST_F(Vbe, ScanoutBeforeVbe2PollsForTheRetraceItself) {
    Vbe_state().version = 0x0102;
    g_status = {8, 8, 0, 0, 0, 8};
    Vbe_setScanoutStart(4800, 8, 2400, 1);
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].regs.ebx, 0u);
    EXPECT_EQ(g_statusReads, 6); // out of the running retrace, then into the next
    // A port that never leaves the retrace cannot hang the call.
    g_status = {8};
    g_statusAt = 0;
    Vbe_setScanoutStart(4800, 8, 2400, 1);
    EXPECT_EQ(g_calls.size(), 2u);
    // Without the wait flag nothing is polled.
    g_statusReads = 0;
    Vbe_setScanoutStart(4800, 8, 2400, 0);
    EXPECT_EQ(g_statusReads, 0);
}

TEST_F(Vbe, ScanoutThroughTheProtectedModeEntry) {
    Vbe_state().services.pmSetDisplayStart = recPmStart;
    Vbe_state().videoSelector = 0x47;
    Vbe_setScanoutStart(0x12345678u, 32, 4096, 1);
    Vbe_setScanoutStart(4000, 4, 320, 0);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_STREQ(g_calls[0].via, "pmStart");
    EXPECT_EQ(g_calls[0].regs.ecx, (0x12345678u / 4) & 0xFFFF);
    EXPECT_EQ(g_calls[0].regs.edx, (0x12345678u / 4) >> 16);
    EXPECT_EQ(g_calls[0].regs.ebx, 0x80u);
    EXPECT_EQ(g_calls[0].regs.es, 0x47);
    EXPECT_EQ(g_calls[1].regs.ecx, 4000u);
    EXPECT_EQ(g_calls[1].regs.ebx, 0u);
}

TEST_F(Vbe, PaletteGoesThroughTheProtectedModeEntryOnly) {
    uint8_t table[16] = {};
    Vbe_loadPalette(table, 4, 10, 1);
    EXPECT_TRUE(g_calls.empty());
    Vbe_state().services.pmSetPalette = recPmPalette;
    Vbe_loadPalette(table, 4, 10, 1);
    Vbe_loadPalette(table, 2, 0, 0);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].regs.eax, 0x4F09u);
    EXPECT_EQ(g_calls[0].regs.ebx, 0x80u);
    EXPECT_EQ(g_calls[0].regs.ecx, 4u);
    EXPECT_EQ(g_calls[0].regs.edx, 10u);
    EXPECT_EQ(g_calls[0].entries, table);
    EXPECT_EQ(g_calls[1].regs.ebx, 0u);
}

// --- Monochrome turns -------------------------------------------------------------

bool bitAt(const std::vector<uint8_t>& img, int bpr, int x, int y) {
    return (img[size_t(y * bpr + x / 8)] >> (7 - x % 8)) & 1;
}

std::vector<uint8_t> pattern(int bpr, int rows, uint32_t seed) {
    std::vector<uint8_t> v(size_t(bpr * rows));
    for (auto& b : v) {
        seed = seed * 1103515245u + 12345u;
        b = uint8_t(seed >> 16);
    }
    return v;
}

TEST(Mono, ReverseCopyTurnsByHalf) {
    uint8_t one = 0x01, out = 0;
    Mono_reverseCopy(&out, &one, 1, 1);
    EXPECT_EQ(out, 0x80);
    EXPECT_EQ(Mono_bitReverse[0x01], 0x80);
    EXPECT_EQ(Mono_bitReverse[0xB4], 0x2D);
    const int bpr = 3, rows = 5;
    auto src = pattern(bpr, rows, 7);
    std::vector<uint8_t> dst(src.size());
    Mono_reverseCopy(dst.data(), src.data(), bpr, rows);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < bpr * 8; ++x)
            ASSERT_EQ(bitAt(dst, bpr, bpr * 8 - 1 - x, rows - 1 - y), bitAt(src, bpr, x, y));
}

TEST(Mono, QuarterTurnsMapEveryPixel) {
    // Heights that are and are not a multiple of 8 (a partial last block).
    for (int rows : {8, 13, 1, 16}) {
        for (int bpr : {1, 2, 3}) {
            auto src = pattern(bpr, rows, uint32_t(rows * 31 + bpr));
            const int w = bpr * 8, outBpr = (rows + 7) / 8, padded = outBpr * 8;
            std::vector<uint8_t> ccw(size_t(outBpr * w), 0xEE), cw(size_t(outBpr * w), 0xEE);
            int b1 = bpr, r1 = rows, b3 = bpr, r3 = rows;
            Mono_rotateQuarter(ccw.data(), src.data(), &b1, &r1, 1);
            Mono_rotateQuarter(cw.data(), src.data(), &b3, &r3, 3);
            ASSERT_EQ(b1, outBpr);
            ASSERT_EQ(r1, w);
            ASSERT_EQ(b3, outBpr);
            ASSERT_EQ(r3, w);
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < w; ++x) {
                    bool v = bitAt(src, bpr, x, y);
                    // Counter-clockwise: the left column becomes the bottom row.
                    ASSERT_EQ(bitAt(ccw, outBpr, y, w - 1 - x), v);
                    // Clockwise: the top row becomes the right column.
                    ASSERT_EQ(bitAt(cw, outBpr, padded - 1 - y, x), v);
                }
            // The padding columns stay clear, and the two turns are each
            // other turned by 180 degrees.
            std::vector<uint8_t> half(cw.size());
            Mono_reverseCopy(half.data(), ccw.data(), outBpr, w);
            EXPECT_EQ(half, cw);
        }
    }
}

TEST(Mono, OtherModesCopyNothing) {
    uint8_t src[2] = {0xFF, 0xFF}, dst[16] = {};
    int32_t bpr = 1, rows = 2;
    Mono_rotateQuarter(dst, src, &bpr, &rows, 2);
    EXPECT_EQ(bpr, 1);
    EXPECT_EQ(rows, 2);
    for (uint8_t b : dst)
        EXPECT_EQ(b, 0);
    Mono_rotateQuarter(dst, src, &bpr, &rows, 0); // a half turn keeps the size
    EXPECT_EQ(bpr, 1);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(dst[0], 0xFF);
}

} // namespace
