// The simulated VGA against the published chip: write modes with rotate,
// function, set/reset and bit mask, read mode 1, latch copies, the map mask,
// odd/even addressing, the memory map, chain-4 folding and latches, the
// attribute flip-flop, the DAC, the CRTC's write protect, the beam, the
// scan-out from the registers, and the video BIOS.
#include "VgaRegisters.h"

#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <csignal>
#include <csetjmp>

namespace {

using namespace platform;

constexpr auto gc = testsupport::VgaGraphics;
constexpr auto seq = testsupport::VgaSequencer;

class Vga : public ::testing::Test {
protected:
    void SetUp() override {
        UseHost(HostKind::Memory);
        ClockUseVirtual(true);
        ASSERT_TRUE(UseAdapter("vga"));
        SetMode(0x12);
    }
    void SetMode(uint8_t mode) {
        RealModeRegs r{};
        r.eax = mode;
        RealModeInterrupt(0x10, &r);
    }
    // Plane bytes at `offset` through write mode 0 with one plane at a time.
    void Fill(uint32_t offset, const uint8_t bytes[4]) {
        gc(1, 0), gc(3, 0), gc(5, 0), gc(8, 0xFF);
        for (int p = 0; p < 4; ++p) {
            seq(2, uint8_t(1 << p));
            VgaWrite(VgaWindow() + offset, bytes[p]);
        }
        seq(2, 0x0F);
    }
    uint32_t Planes(uint32_t offset) {
        uint32_t out = 0;
        for (int p = 0; p < 4; ++p)
            out |= uint32_t(VgaPlaneByte(p, offset)) << (8 * p);
        return out;
    }
};

struct WriteCase {
    const char* name;
    uint8_t mode, rotateFunction, setReset, enable, mask, data;
    uint32_t want; // planes 0..3, plane 0 in the low byte
};

// Latches hold 0F, F0, 33, CC (planes 0..3) in every case.
const WriteCase kWrites[] = {
    {"mode0 plain", 0, 0x00, 0x0, 0x0, 0xFF, 0xA5, 0xA5A5A5A5},
    {"mode0 rotate 4", 0, 0x04, 0x0, 0x0, 0xFF, 0x1E, 0xE1E1E1E1},
    {"mode0 bit mask keeps latches", 0, 0x00, 0x0, 0x0, 0xF0, 0x00, 0xCC33F00F & 0x0F0F0F0F},
    {"mode0 and", 0, 0x08, 0x0, 0x0, 0xFF, 0x3C, 0x0C30300C},
    {"mode0 or", 0, 0x10, 0x0, 0x0, 0xFF, 0x81, 0xCDB3F18F},
    {"mode0 xor", 0, 0x18, 0x0, 0x0, 0xFF, 0xFF, 0x33CC0FF0},
    {"mode0 set/reset planes 0 and 2", 0, 0x00, 0x5, 0xF, 0xFF, 0x00, 0x00FF00FF},
    {"mode0 set/reset on plane 1 only", 0, 0x00, 0x2, 0x2, 0xFF, 0x5A, 0x5A5AFF5A},
    {"mode1 copies latches", 1, 0x00, 0x0, 0x0, 0x00, 0x00, 0xCC33F00F},
    {"mode2 colour 9", 2, 0x00, 0x0, 0x0, 0xFF, 0x09, 0xFF0000FF},
    {"mode2 colour 9 masked", 2, 0x00, 0x0, 0x0, 0x3C, 0x09, 0xFC03C03F},
    {"mode2 xor", 2, 0x18, 0x0, 0x0, 0xFF, 0x03, 0xCC330FF0},
    {"mode3 data and mask pick bits", 3, 0x00, 0x6, 0x0, 0xF0, 0xCC, 0x0CF3F00F},
    {"mode3 rotated", 3, 0x01, 0xF, 0x0, 0xFF, 0x02, 0xCD33F10F},
};

TEST_F(Vga, WriteModesWithRotateFunctionSetResetAndBitMask) {
    const uint8_t latches[4] = {0x0F, 0xF0, 0x33, 0xCC};
    for (const WriteCase& c : kWrites) {
        SCOPED_TRACE(c.name);
        Fill(100, latches);
        VgaRead(VgaWindow() + 100);
        ASSERT_EQ(VgaLatches(), 0xCC33F00Fu);
        gc(0, c.setReset), gc(1, c.enable), gc(3, c.rotateFunction), gc(5, c.mode), gc(8, c.mask);
        VgaWrite(VgaWindow() + 200, c.data);
        EXPECT_EQ(Planes(200), c.want) << std::hex;
    }
}

TEST_F(Vga, ReadModesMapSelectAndColourCompare) {
    const uint8_t bytes[4] = {0xF0, 0xCC, 0xAA, 0x01};
    Fill(7, bytes);
    for (int p = 0; p < 4; ++p) {
        gc(4, uint8_t(p));
        EXPECT_EQ(VgaRead(VgaWindow() + 7), bytes[p]);
    }
    // Read mode 1: colour 3 (planes 0 and 1 set, 2 and 3 clear).
    gc(5, 0x08), gc(2, 0x03), gc(7, 0x0F);
    EXPECT_EQ(VgaRead(VgaWindow() + 7), 0x40); // F0 & CC & ~AA & ~01
    gc(7, 0x03);                               // planes 2 and 3 don't care
    EXPECT_EQ(VgaRead(VgaWindow() + 7), 0xC0);
    gc(7, 0x00);
    EXPECT_EQ(VgaRead(VgaWindow() + 7), 0xFF);
}

TEST_F(Vga, LatchCopyAndMapMask) {
    const uint8_t bytes[4] = {1, 2, 3, 4};
    Fill(10, bytes);
    gc(5, 0x01);
    VgaRead(VgaWindow() + 10);
    seq(2, 0x05); // planes 0 and 2 only
    VgaWrite(VgaWindow() + 11, 0);
    EXPECT_EQ(Planes(11), 0x00030001u);
    // A stray address outside the window reads FFh and writes nothing.
    EXPECT_EQ(VgaRead(VgaWindow() + kVgaWindowSize), 0xFF);
    VgaWrite(VgaWindow() - 1, 0);
}

TEST_F(Vga, ChainFourFoldsTheWindowIntoThePlanes) {
    SetMode(0x13);
    uint8_t* w = VgaWindow();
    for (int i = 0; i < 8; ++i)
        w[i] = uint8_t(0x10 + i); // plain stores
    // Pixel A lies in plane A mod 4 at A with its low bits cleared.
    EXPECT_EQ(Planes(0), 0x13121110u);
    EXPECT_EQ(Planes(4), 0x17161514u);
    seq(4, 0x06); // chain-4 off: the window becomes a guard
    EXPECT_EQ(Planes(4), 0x17161514u);
    gc(4, 2);
    EXPECT_EQ(VgaRead(w + 4), 0x16);
    seq(4, 0x0E); // and on again: the planes come back as bytes
    EXPECT_EQ(w[5], 0x15);
}

// Odd/even addressing by its three registers: sequencer 04h bit 2 clear
// sends even addresses to planes 0 and 2 and odd ones to 1 and 3; graphics
// 06h bit 1 replaces address bit 0 in the planes by the page bit
// (miscellaneous output bit 5), and without it the plane offset is the window
// offset; graphics 05h bit 4 picks the read plane by address bit 0 (read map
// select bit 1 choosing the pair), else read map select alone does.
TEST_F(Vga, OddEvenAddressingByItsThreeRegisters) {
    struct Case {
        const char* name;
        uint8_t seq4, gc6, misc;
        uint32_t at;     // window offset written
        uint32_t offset; // plane offset it lands at
        uint8_t planes;  // planes it lands in
    };
    const Case cases[] = {
        {"sequential", 0x06, 0x05, 0xE3, 5, 5, 0x0F},
        {"odd/even, unchained, odd", 0x02, 0x05, 0xE3, 5, 5, 0x0A},
        {"odd/even, unchained, even", 0x02, 0x05, 0xE3, 4, 4, 0x05},
        {"odd/even, chained, page 0", 0x02, 0x07, 0xC3, 5, 4, 0x0A},
        {"odd/even, chained, page 1", 0x02, 0x07, 0xE3, 4, 5, 0x05},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetMode(0x12); // planes cleared
        VgaOutPort(0x3C2, c.misc);
        seq(4, c.seq4), gc(6, c.gc6);
        gc(5, 0), gc(8, 0xFF), seq(2, 0x0F);
        VgaWrite(VgaWindow() + c.at, 0xA7);
        for (int p = 0; p < 4; ++p)
            for (uint32_t o = 0; o < 8; ++o) {
                const bool there = o == c.offset && (c.planes >> p & 1);
                EXPECT_EQ(VgaPlaneByte(p, o), there ? 0xA7 : 0) << "plane " << p << " at " << o;
            }
    }
    // Reads: planes 0..3 hold F0, CC, AA, 01 at offsets 4 and 5.
    SetMode(0x12);
    const uint8_t bytes[4] = {0xF0, 0xCC, 0xAA, 0x01};
    Fill(4, bytes);
    Fill(5, bytes);
    struct Read {
        const char* name;
        uint8_t seq4, gc5, gc4;
        uint32_t at;
        uint8_t want;
    };
    const Read reads[] = {
        {"map select with odd/even writes", 0x02, 0x00, 0, 5, 0xF0},
        {"odd/even reads, odd address", 0x06, 0x10, 0, 5, 0xCC},
        {"odd/even reads, even address", 0x06, 0x10, 1, 4, 0xF0},
        {"odd/even reads, upper pair", 0x06, 0x10, 2, 5, 0x01},
        // Colour compare against colour 3 over all planes: F0 & CC & ~AA & ~01.
        {"read mode 1 under odd/even", 0x02, 0x18, 0, 5, 0x40},
    };
    gc(6, 0x05), gc(2, 0x03), gc(7, 0x0F);
    for (const Read& r : reads) {
        SCOPED_TRACE(r.name);
        seq(4, r.seq4), gc(5, r.gc5), gc(4, r.gc4);
        EXPECT_EQ(VgaRead(VgaWindow() + r.at), r.want);
    }
}

// The memory map of graphics 06h decides whether the A0000h window answers:
// the 128 KB map at A0000h and the 64 KB one do, the B0000h and B8000h maps
// leave it unanswered (reads float high, writes go nowhere).
TEST_F(Vga, MemoryMapDecidesWhetherTheWindowAnswers) {
    const struct {
        uint8_t map;
        bool answers;
    } cases[] = {{0x01, true}, {0x05, true}, {0x09, false}, {0x0D, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.map));
        SetMode(0x12);
        gc(6, c.map);
        gc(5, 0), gc(8, 0xFF), seq(2, 0x0F), gc(4, 0);
        VgaWrite(VgaWindow() + 9, 0x5A);
        EXPECT_EQ(Planes(9), c.answers ? 0x5A5A5A5Au : 0u);
        EXPECT_EQ(VgaRead(VgaWindow() + 9), c.answers ? 0x5A : 0xFF);
    }
}

// Under chain-4 a read loads all four latches from the address's group of
// four, and writes go through the write modes: write mode 1 stores the latch
// of the written plane.
TEST_F(Vga, ChainFourReadsLoadTheLatchesForTheWriteModes) {
    SetMode(0x13);
    uint8_t* w = VgaWindow();
    for (int i = 0; i < 4; ++i)
        w[i] = uint8_t(0x21 + i);
    EXPECT_EQ(VgaRead(w + 2), 0x23);
    EXPECT_EQ(VgaLatches(), 0x24232221u);
    gc(5, 0x41); // write mode 1
    VgaWrite(w + 9, 0xEE);
    EXPECT_EQ(w[9], 0x22) << "plane 1's latch";
    gc(5, 0x40), gc(3, 0x18); // write mode 0, XOR with the latches
    VgaWrite(w + 10, 0xFF);
    EXPECT_EQ(w[10], uint8_t(~0x23));
    seq(2, 0x0E); // plane 0 masked off
    gc(3, 0);
    VgaWrite(w + 12, 0x77);
    EXPECT_EQ(w[12], 0);
}

sigjmp_buf g_fault;
void onFault(int) {
    siglongjmp(g_fault, 1);
}

TEST_F(Vga, APlainStoreOutsideChainFourFaults) {
    struct sigaction was {
    }, now{};
    now.sa_handler = onFault;
    sigemptyset(&now.sa_mask);
    sigaction(SIGSEGV, &now, &was);
    volatile bool faulted = false;
    if (sigsetjmp(g_fault, 1) == 0)
        *reinterpret_cast<volatile uint8_t*>(VgaWindow() + 5) = 1;
    else
        faulted = true;
    sigaction(SIGSEGV, &was, nullptr);
    EXPECT_TRUE(faulted);
}

TEST_F(Vga, AttributeFlipFlopAndVideoEnable) {
    VgaInPort(0x3DA); // index next
    VgaOutPort(0x3C0, 0x05);
    VgaOutPort(0x3C0, 0x2A); // data
    VgaOutPort(0x3C0, 0x06); // index again
    VgaInPort(0x3DA);        // reset: the next write is an index even after one
    VgaOutPort(0x3C0, 0x07);
    VgaOutPort(0x3C0, 0x11);
    EXPECT_EQ(VgaAttribute(5), 0x2A);
    EXPECT_EQ(VgaAttribute(6), 0x14); // untouched by the reset index
    EXPECT_EQ(VgaAttribute(7), 0x11);
    // Index bit 5 clear blanks the screen.
    VgaInPort(0x3DA);
    VgaOutPort(0x3C0, 0x00);
    const Frame blank = VgaFrame();
    ASSERT_EQ(blank.width, 640);
    ASSERT_EQ(blank.height, 480);
    seq(2, 0x0F), gc(5, 0), gc(8, 0xFF), gc(1, 0x0F), gc(0, 0x0F);
    VgaWrite(VgaWindow(), 0xFF);
    EXPECT_EQ(VgaFrame().pixels[0], 0u);
    VgaInPort(0x3DA);
    VgaOutPort(0x3C0, 0x20);
    EXPECT_EQ(VgaFrame().pixels[0], 0xFFFFFFu); // colour 15: white
}

TEST_F(Vga, DacAutoIncrementsAndKeepsSixBits) {
    VgaOutPort(0x3C8, 254);
    const uint8_t values[] = {0xFF, 0x01, 0x02, 0x10, 0x20, 0x30, 7, 8, 9};
    for (uint8_t v : values)
        VgaOutPort(0x3C9, v);
    uint8_t e[3];
    VgaDacEntry(254, e);
    EXPECT_EQ(e[0], 0x3F);
    VgaDacEntry(255, e);
    EXPECT_EQ(e[2], 0x30);
    VgaDacEntry(0, e); // the index wraps
    EXPECT_EQ(e[1], 8);
    VgaOutPort(0x3C7, 255);
    EXPECT_EQ(VgaInPort(0x3C7), 3);
    EXPECT_EQ(VgaInPort(0x3C9), 0x10);
    EXPECT_EQ(VgaInPort(0x3C9), 0x20);
    EXPECT_EQ(VgaInPort(0x3C9), 0x30);
    EXPECT_EQ(VgaInPort(0x3C9), 7);
}

TEST_F(Vga, RetraceWaitsEndWithinAFrameOfReads) {
    for (int round = 0; round < 3; ++round) {
        int reads = 0;
        while ((VgaInPort(0x3DA) & 8) && reads < 100)
            ++reads;
        while (!(VgaInPort(0x3DA) & 8) && reads < 100)
            ++reads;
        EXPECT_LT(reads, 32);
    }
    // Each retrace is a frame of the virtual clock.
    const uint32_t before = AdapterRetraceWaits(), now = ClockNow();
    for (int i = 0; i < 32; ++i)
        VgaInPort(0x3DA);
    EXPECT_EQ(AdapterRetraceWaits() - before, 2u);
    EXPECT_GE(ClockNow() - now, 16u);
    EXPECT_LE(ClockNow() - now, 34u);
}

TEST_F(Vga, CrtcWriteProtectAndCmos) {
    VgaOutPortWord(0x3D4, 0x8011); // protect on
    VgaOutPortWord(0x3D4, 0x1206);
    VgaOutPortWord(0x3D4, 0x0007);
    VgaOutPortWord(0x3D4, 0x3313);
    EXPECT_EQ(VgaCrtc(6), 0x0B);
    EXPECT_EQ(VgaCrtc(7), 0x2E); // only line compare bit 8 gets through
    EXPECT_EQ(VgaCrtc(0x13), 0x33);
    VgaOutPort(0x70, 0x80 | 0x32);
    VgaOutPort(0x71, 0x20);
    VgaOutPort(0x70, 0x32);
    EXPECT_EQ(VgaInPort(0x71), 0x20);
    EXPECT_EQ(VgaInPort(0x1234), 0xFF);
}

TEST_F(Vga, ScanOutFollowsTheRegisters) {
    SetMode(0x13);
    uint8_t* w = VgaWindow();
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
            w[y * 320 + x] = uint8_t(x + y);
    Frame f = VgaFrame();
    ASSERT_EQ(f.width, 320);
    ASSERT_EQ(f.height, 400); // doubled lines
    uint8_t e[3];
    VgaDacEntry(uint8_t(5 + 7), e);
    const uint32_t want = uint32_t((e[0] << 2 | e[0] >> 4) << 16 | (e[1] << 2 | e[1] >> 4) << 8 |
                                   (e[2] << 2 | e[2] >> 4));
    EXPECT_EQ(f.pixels[size_t(14) * 320 + 5], want);
    EXPECT_EQ(f.pixels[size_t(15) * 320 + 5], want);
    const VgaPackedView packed = VgaPacked();
    ASSERT_EQ(packed.height, 200);
    EXPECT_EQ(packed.pixels[size_t(7) * 320 + 5], 12);
    // A start address one character on moves the picture four pixels left.
    VgaOutPortWord(0x3D4, 0x010D);
    EXPECT_EQ(VgaPacked().pixels[size_t(7) * 320 + 5], 16);
    // A wrong offset shears it.
    VgaOutPortWord(0x3D4, 0x000D);
    VgaOutPortWord(0x3D4, 0x2913);
    EXPECT_EQ(VgaPacked().pixels[size_t(1) * 320], 9); // row 1 starts at 328
    // The attribute palette maps each nibble.
    VgaInPort(0x3DA);
    VgaOutPort(0x3C0, 0x0C);
    VgaOutPort(0x3C0, 0x00);
    VgaOutPort(0x3C0, 0x20);
    VgaOutPortWord(0x3D4, 0x2813);
    VgaDacEntry(0x00, e);
    const Frame g = VgaFrame();
    EXPECT_EQ(g.pixels[size_t(14) * 320 + 5] & 0xFF, uint32_t(e[2] << 2 | e[2] >> 4));
}

// Registers a program may leave in any state: every frame and packed view
// stays inside video memory, whatever the CRTC, attribute and graphics
// registers hold, and BIOS calls with stray arguments change nothing unsafe.
TEST_F(Vga, HostileRegistersAndBiosCallsStayInMemory) {
    uint32_t seed = 38;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, uint8_t(seed >> 16); };
    for (uint8_t mode : {0x03, 0x0D, 0x12, 0x13}) {
        SetMode(mode);
        for (int round = 0; round < 40; ++round) {
            VgaOutPortWord(0x3D4, 0x0011); // write protect off
            for (int i = 0; i < 0x19; ++i)
                VgaOutPortWord(0x3D4, uint16_t(i | next() << 8));
            for (int i = 0; i < 9; ++i)
                gc(i, next());
            seq(1, next());
            seq(4, next());
            VgaInPort(0x3DA);
            for (int i = 0; i < 0x15; ++i)
                VgaOutPort(0x3C0, uint8_t(i)), VgaOutPort(0x3C0, next());
            VgaOutPort(0x3C0, 0x20);
            const Frame f = VgaFrame();
            EXPECT_EQ(f.pixels.size(), size_t(f.width) * size_t(f.height));
            const VgaPackedView p = VgaPacked();
            EXPECT_EQ(p.pixels.size(), size_t(p.width) * size_t(p.height));
        }
    }
    const uint32_t calls[][2] = {{0x1130, 0xFF00}, {0x1130, 0x0100}, {0x1122, 0x0000},
                                 {0x1124, 0x00FF}, {0x00FF, 0},      {0x1A01, 0},
                                 {0x11FF, 0}};
    for (const auto& c : calls) {
        RealModeRegs r{};
        r.eax = c[0], r.ebx = c[1], r.edx = 0xFF;
        RealModeInterrupt(0x10, &r);
    }
    EXPECT_EQ(RealModeMemory()[0x449], 0x13);
}

struct BiosCase {
    const char* adapter;
    uint32_t al, bl;
};

TEST(VideoBios, DisplayCombinationByPersonality) {
    UseHost(HostKind::Memory);
    const BiosCase cases[] = {
        {"vga", 0x1A, 0x08}, {"vga-mono", 0x1A, 0x07}, {"ega", 0x00, 0x00}, {"no-vga", 0x00, 0x00}};
    for (const BiosCase& c : cases) {
        SCOPED_TRACE(c.adapter);
        ASSERT_TRUE(UseAdapter(c.adapter));
        RealModeRegs r{};
        r.eax = 0x1A00;
        RealModeInterrupt(0x10, &r);
        EXPECT_EQ(r.eax & 0xFF, c.al);
        EXPECT_EQ(r.ebx & 0xFF, c.bl);
    }
    EXPECT_EQ(RealModeMemory(), nullptr);
    EXPECT_EQ(VgaInPort(0x3CC), 0xFF);
}

TEST(VideoBios, ModeSetQueryFontsAndDataArea) {
    UseHost(HostKind::Memory);
    ASSERT_TRUE(UseAdapter("vga"));
    uint8_t* m = RealModeMemory();
    ASSERT_NE(m, nullptr);
    RealModeRegs r{};
    r.eax = 0x0F00;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(r.eax & 0xFFFF, 0x5003u); // 80 columns, mode 3
    r = {};
    r.eax = 0x1130;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(r.edx & 0xFF, 24u);
    EXPECT_EQ(r.ecx & 0xFF, 16u);
    // The 8x8 font makes 50 rows of 400 lines.
    r = {};
    r.eax = 0x1112;
    RealModeInterrupt(0x10, &r);
    r.eax = 0x1130;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(r.edx & 0xFF, 0x31u);
    EXPECT_EQ(m[0x484], 0x31);
    // Mode 12h clears memory; 92h keeps it and says so in 487h bit 7.
    r.eax = 0x12;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(m[0x449], 0x12);
    EXPECT_EQ(VgaCrtc(0x12), 0xDF);
    seq(2, 0x0F);
    gc(8, 0xFF);
    VgaWrite(VgaWindow() + 3, 0x77);
    r.eax = 0x92;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(VgaPlaneByte(0, 3), 0x77);
    EXPECT_EQ(m[0x487] & 0x80, 0x80);
    r.eax = 0x0F00;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(r.eax & 0xFF, 0x92u);
    r.eax = 0x12;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(VgaPlaneByte(0, 3), 0);
    // An unknown mode changes nothing.
    r.eax = 0x6A;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(m[0x449], 0x12);
    // Cursor shape.
    r.eax = 0x0100;
    r.ecx = 0x0607;
    RealModeInterrupt(0x10, &r);
    EXPECT_EQ(VgaCrtc(0x0A), 6);
    EXPECT_EQ(VgaCrtc(0x0B), 7);
}

} // namespace
