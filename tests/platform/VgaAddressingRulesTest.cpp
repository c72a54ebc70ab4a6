// How the simulated VGA addresses its planes from the A0000h window, by the
// published registers: odd/even writes (sequencer 04h bit 2), odd/even
// reads (graphics 05h bit 4), the chained odd/even address (graphics 06h bit
// 1, address bit 0 replaced by the page bit in the 64 KB map and by address
// bit 16 in the 128 KB one), the memory map deciding whether the window
// answers at all, and chain-4 reads that load the latches for read mode 1
// and the write modes.
#include "VgaRegisters.h"

#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

constexpr auto gc = testsupport::VgaGraphics;
constexpr auto seq = testsupport::VgaSequencer;
void biosMode(uint8_t mode) {
    RealModeRegs r{};
    r.eax = mode;
    RealModeInterrupt(0x10, &r);
}

class VgaAddressing : public ::testing::Test {
protected:
    void SetUp() override {
        UseHost(HostKind::Memory);
        ClockUseVirtual(true);
        ASSERT_TRUE(UseAdapter("vga"));
    }
    // Each plane's byte at `offset` set through the map mask alone.
    static void Put(uint32_t offset, const uint8_t bytes[4]) {
        seq(4, 0x06), gc(6, 0x05), gc(5, 0x00), gc(3, 0x00), gc(1, 0x00), gc(8, 0xFF);
        for (int p = 0; p < 4; ++p) {
            seq(2, uint8_t(1 << p));
            VgaWrite(VgaWindow() + offset, bytes[p]);
        }
        seq(2, 0x0F);
    }
};

TEST_F(VgaAddressing, WritesLandByOddEvenAndTheChainedAddress) {
    struct Case {
        const char* name;
        uint8_t seq4, gc6, misc, mapMask;
        uint32_t at;
        uint32_t offset; // where the byte lands in the planes
        uint8_t planes;  // which planes it lands in
    };
    const Case cases[] = {
        {"sequential", 0x06, 0x05, 0x63, 0x0F, 7, 7, 0x0F},
        {"odd/even, odd address", 0x02, 0x05, 0x63, 0x0F, 7, 7, 0x0A},
        {"odd/even, map mask narrows the pair", 0x02, 0x05, 0x63, 0x03, 7, 7, 0x02},
        {"chained, 64 KB map, page 0", 0x02, 0x07, 0x43, 0x0F, 7, 6, 0x0A},
        {"chained, 64 KB map, page 1", 0x02, 0x07, 0x63, 0x0F, 6, 7, 0x05},
        {"chained, 128 KB map: bit 16 of the window is 0", 0x02, 0x03, 0x63, 0x0F, 7, 6, 0x0A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        biosMode(0x12); // planes cleared
        VgaOutPort(0x3C2, c.misc);
        seq(4, c.seq4), gc(6, c.gc6), seq(2, c.mapMask);
        gc(5, 0x00), gc(8, 0xFF);
        VgaWrite(VgaWindow() + c.at, 0x96);
        for (int p = 0; p < 4; ++p)
            for (uint32_t o = 4; o < 10; ++o)
                EXPECT_EQ(VgaPlaneByte(p, o), o == c.offset && (c.planes >> p & 1) ? 0x96 : 0)
                    << "plane " << p << " offset " << o;
    }
}

TEST_F(VgaAddressing, ReadsPickThePlaneByOddEvenAndTheChainedAddress) {
    biosMode(0x12);
    const uint8_t even[4] = {0x10, 0x11, 0x12, 0x13}, odd[4] = {0x20, 0x21, 0x22, 0x23};
    Put(6, even);
    Put(7, odd);
    struct Case {
        const char* name;
        uint8_t gc5, gc4, gc6, misc;
        uint32_t at;
        uint8_t want;
    };
    const Case cases[] = {
        {"read map select", 0x00, 2, 0x05, 0x63, 7, 0x22},
        {"odd/even, even address, lower pair", 0x10, 0, 0x05, 0x63, 6, 0x10},
        {"odd/even, odd address, upper pair", 0x10, 2, 0x05, 0x63, 7, 0x23},
        {"odd/even, chained, page 1", 0x10, 0, 0x07, 0x63, 6, 0x20},
        {"odd/even, chained, 128 KB map", 0x10, 0, 0x03, 0x63, 7, 0x11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VgaOutPort(0x3C2, c.misc);
        gc(5, c.gc5), gc(4, c.gc4), gc(6, c.gc6);
        EXPECT_EQ(VgaRead(VgaWindow() + c.at), c.want);
    }
}

// The window at A0000h answers only while the memory map includes it: the
// text modes map B8000h and B0000h, the graphics modes A0000h.
TEST_F(VgaAddressing, TheWindowAnswersOnlyForAMapThatHoldsIt) {
    struct Case {
        uint8_t mode;
        int gc6; // -1: as the BIOS set it
        bool answers;
    };
    const Case cases[] = {{0x03, -1, false}, {0x07, -1, false},  {0x12, -1, true},
                          {0x0D, -1, true},  {0x12, 0x01, true}, {0x12, 0x09, false},
                          {0x13, -1, true},  {0x13, 0x0D, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << int(c.mode) << " map " << c.gc6);
        if (c.mode == 0x07) {
            ASSERT_TRUE(UseAdapter("vga-mono"));
        } else {
            ASSERT_TRUE(UseAdapter("vga"));
        }
        biosMode(c.mode);
        if (c.gc6 >= 0) gc(6, uint8_t(c.gc6));
        seq(2, 0x0F), gc(8, 0xFF), gc(3, 0x00), gc(1, 0x00);
        const uint32_t before = uint32_t(VgaPlaneByte(0, 40)) | uint32_t(VgaPlaneByte(1, 40)) << 8;
        VgaWrite(VgaWindow() + 40, 0x5A);
        VgaWrite(VgaWindow() + 41, 0x5A);
        const uint32_t after = uint32_t(VgaPlaneByte(0, 40)) | uint32_t(VgaPlaneByte(1, 40)) << 8;
        EXPECT_EQ(after != before, c.answers) << "a write";
        EXPECT_EQ(VgaRead(VgaWindow() + 40) == 0xFF && VgaRead(VgaWindow() + 41) == 0xFF,
                  !c.answers)
            << "reads float high";
    }
}

// Under chain-4 a read fills the four latches from the address's group of
// four bytes: read mode 1 compares all of them with the colour, and write
// mode 2 combines the colour with them through the bit mask.
TEST_F(VgaAddressing, ChainFourReadsFeedReadModeOneAndTheWriteModes) {
    biosMode(0x13);
    uint8_t* w = VgaWindow();
    const uint8_t group[4] = {0x0F, 0xF0, 0x3C, 0x00};
    for (int i = 0; i < 4; ++i)
        w[8 + i] = group[i];
    // Colour 5: planes 0 and 2 set, 1 and 3 clear.
    gc(2, 0x05), gc(7, 0x0F), gc(5, 0x48);
    EXPECT_EQ(VgaRead(w + 9), 0x0F & 0x0F & 0x3C & 0xFF);
    gc(7, 0x01); // only plane 0 counts
    EXPECT_EQ(VgaRead(w + 10), 0x0F);
    EXPECT_EQ(VgaLatches(), 0x003CF00Fu);
    // Write mode 2, colour 5, bit mask 0Fh: each written plane takes FFh or
    // 00h by its colour bit in the low nibble and its latch in the high one.
    gc(5, 0x42), gc(8, 0x0F);
    VgaWrite(w + 8, 0x05);
    VgaWrite(w + 9, 0x05);
    gc(5, 0x40), gc(8, 0xFF);
    EXPECT_EQ(w[8], 0x0F) << "plane 0: colour bit set, latch 0F";
    EXPECT_EQ(w[9], 0xF0) << "plane 1: colour bit clear, latch F0";
    EXPECT_EQ(w[10], 0x3C) << "not written";
}

} // namespace
