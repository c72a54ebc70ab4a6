// The simulated VESA BIOS by personality: controller and mode information of
// versions 1.2, 2.0 (with and without the vendor pointer) and 3.0, the bank
// window over video memory (granularities and the read/write pair), the
// linear framebuffer, the scan-out following mode, scan-line length, display
// start and DAC, scheduled starts, stereo, clocks and the protected-mode table.
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/FsDirect.h"
#include "platform/Host.h"
#include "platform/Vbe.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace platform;

constexpr uint32_t kBuffer = uint32_t(kVesaBufferSegment) << 4;

class VbeBios : public ::testing::Test {
protected:
    void Use(const char* name) {
        UseHost(HostKind::Memory);
        ClockUseVirtual(true);
        ASSERT_TRUE(UseAdapter(name)) << name;
    }
    RealModeRegs Call(uint32_t ax, uint32_t bx = 0, uint32_t cx = 0, uint32_t dx = 0) {
        RealModeRegs r{};
        r.eax = ax, r.ebx = bx, r.ecx = cx, r.edx = dx;
        r.es = kVesaBufferSegment;
        RealModeInterrupt(0x10, &r);
        return r;
    }
    uint8_t* Real(uint32_t at) { return RealModeMemory() + at; }
    uint16_t Word(uint32_t at) { return uint16_t(Real(at)[0] | Real(at)[1] << 8); }
    uint32_t Long(uint32_t at) { return uint32_t(Word(at)) | uint32_t(Word(at + 2)) << 16; }
    std::string FarString(uint32_t far) {
        return far ? std::string(reinterpret_cast<char*>(Real((far >> 16) * 16 + (far & 0xFFFF))))
                   : std::string("(null)");
    }
    std::vector<uint16_t> Modes() {
        std::memcpy(Real(kBuffer), "VBE2", 4);
        EXPECT_EQ(Call(0x4F00).eax & 0xFFFF, 0x004Fu);
        std::vector<uint16_t> out;
        const uint32_t far = Long(kBuffer + 14);
        for (uint32_t at = (far >> 16) * 16 + (far & 0xFFFF); Word(at) != 0xFFFF; at += 2)
            out.push_back(Word(at));
        return out;
    }
    // Mode information into the buffer; AX.
    uint32_t Info(uint16_t mode) { return Call(0x4F01, 0, mode).eax & 0xFFFF; }
    uint8_t* Video() { return AdapterVideoMemory().base; }
};

struct CardCase {
    const char* name;
    uint16_t version;
    const char* oem;
    const char* vendor; // "(null)": a null pointer; nullptr: before 2.0
    uint32_t memory;
};

TEST_F(VbeBios, ControllerInformationByVersion) {
    const CardCase cases[] = {
        {"vbe12", 0x0102, "Meridian SuperVGA BIOS", nullptr, 1u << 20},
        {"vbe20", 0x0200, "Meridian SuperVGA BIOS 2.0", "Meridian Graphics", 4u << 20},
        {"vbe20-novendor", 0x0200, "Meridian SuperVGA BIOS 2.0", "(null)", 4u << 20},
        {"vbe20-vlf", 0x0200, "Quorvanta VESA VBE 2.0 Virtual Framebuffer", "Meridian Graphics",
         2u << 20},
        {"vbe30", 0x0300, "NVidia Riva VBE 3.0 BIOS", "NVidia Corporation", 8u << 20},
        {"vbe30-nvidia", 0x0300, "NVidia GeForce VBE 3.0 BIOS", "NVidia Corporation", 32u << 20},
    };
    for (const CardCase& c : cases) {
        SCOPED_TRACE(c.name);
        Use(c.name);
        const std::vector<uint16_t> modes = Modes();
        EXPECT_EQ(std::memcmp(Real(kBuffer), "VESA", 4), 0);
        EXPECT_EQ(Word(kBuffer + 4), c.version);
        EXPECT_EQ(FarString(Long(kBuffer + 6)), c.oem);
        EXPECT_EQ(Word(kBuffer + 18), c.memory >> 16);
        if (c.vendor) {
            EXPECT_EQ(FarString(Long(kBuffer + 22)), c.vendor);
        } else {
            EXPECT_EQ(Long(kBuffer + 22), 0u) << "no 2.0 fields below 2.0";
        }
        EXPECT_NE(std::find(modes.begin(), modes.end(), 0x101), modes.end());
        EXPECT_NE(std::find(modes.begin(), modes.end(), 0x114), modes.end());
    }
    // Without "VBE2" a 2.0 BIOS fills only the first 256 bytes.
    Use("vbe20");
    std::memset(Real(kBuffer), 0xAA, 512);
    Call(0x4F00);
    EXPECT_EQ(Real(kBuffer)[300], 0xAA);
}

TEST_F(VbeBios, WithoutABiosTheFunctionsLeaveAxAndCardsAnswerOnlyTheirVersion) {
    Use("vga");
    EXPECT_EQ(Call(0x4F00).eax, 0x4F00u);
    Use("vbe12");
    EXPECT_EQ(Call(0x4F0A).eax, 0x4F0Au) << "no protected-mode interface before 2.0";
    EXPECT_EQ(Call(0x4F09).eax, 0x4F09u);
    Use("vbe20");
    EXPECT_EQ(Call(0x4F0B).eax, 0x4F0Bu);
    EXPECT_EQ(Call(0x4F07, 0x02).eax, 0x034Fu) << "no mode set yet";
    Call(0x4F02, 0x101);
    EXPECT_EQ(Call(0x4F07, 0x02).eax, 0x014Fu) << "scheduled starts are 3.0's";
    EXPECT_EQ(Call(0x4F02, 0x101 | 0x0800).eax, 0x014Fu) << "a CRTC block needs 3.0";
    EXPECT_EQ(Info(0x1FF), 0x014Fu);
}

struct ModeCase {
    const char* card;
    uint16_t mode;
    uint16_t attributes; // ModeAttributes
    uint8_t winA, winB;
    uint16_t granularity, pitch;
    uint8_t bits, model;
    uint8_t fields[8];
    uint32_t physBase; // 0: none
};

TEST_F(VbeBios, ModeInformationByVersion) {
    const ModeCase cases[] = {
        {"vbe12", 0x101, 0x001B, 3, 5, 4, 640, 8, 4, {}, 0},
        {"vbe12", 0x111, 0x003B, 3, 5, 4, 1280, 16, 4, {}, 0}, // packed 16 bits
        {"vbe20", 0x101, 0x009B, 7, 0, 16, 640, 8, 4, {}, kLinearFrameBuffer},
        {"vbe20",
         0x110,
         0x00BB,
         7,
         0,
         16,
         1280,
         16,
         6,
         {5, 10, 5, 5, 5, 0, 1, 15},
         kLinearFrameBuffer}, // 15 bits given as 16 with a reserved bit
        {"vbe20-vlf", 0x114, 0x003B, 7, 0, 16, 1600, 16, 6, {5, 11, 6, 5, 5, 0, 0, 0}, 0},
        {"vbe30",
         0x115,
         0x1CBB,
         7,
         0,
         64,
         2400,
         24,
         6,
         {8, 16, 8, 8, 8, 0, 0, 0},
         kLinearFrameBuffer},
        {"vbe30", 0x102, 0x001B, 7, 0, 64, 100, 4, 3, {}, 0},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(std::string(c.card) + " " + std::to_string(c.mode));
        Use(c.card);
        ASSERT_EQ(Info(c.mode), 0x004Fu);
        EXPECT_EQ(Word(kBuffer), c.attributes);
        EXPECT_EQ(Real(kBuffer)[2], c.winA);
        EXPECT_EQ(Real(kBuffer)[3], c.winB);
        EXPECT_EQ(Word(kBuffer + 4), c.granularity);
        EXPECT_EQ(Word(kBuffer + 6), 64);
        EXPECT_EQ(Word(kBuffer + 8), 0xA000);
        EXPECT_EQ(Word(kBuffer + 16), c.pitch);
        EXPECT_EQ(Real(kBuffer)[25], c.bits);
        EXPECT_EQ(Real(kBuffer)[27], c.model);
        EXPECT_EQ(std::memcmp(Real(kBuffer + 31), c.fields, 8), 0);
        EXPECT_EQ(Long(kBuffer + 40), c.physBase);
    }
    // 3.0's fields: linear pitch, pages, the Lin channel fields, the clock limit.
    Use("vbe30");
    ASSERT_EQ(Info(0x112), 0x004Fu);
    EXPECT_EQ(Word(kBuffer + 50), 1920);
    const uint32_t pages = (8u << 20) / (1920 * 480);
    EXPECT_EQ(Real(kBuffer)[29], pages - 1);
    EXPECT_EQ(Real(kBuffer)[53], pages - 1);
    EXPECT_EQ(Real(kBuffer)[54], 8);
    EXPECT_EQ(Real(kBuffer)[55], 16);
    EXPECT_GT(Long(kBuffer + 62), 100000000u);
}

// A pixel pattern written through the window at every granularity and with
// the window pair lands in video memory where the card would put it.
TEST_F(VbeBios, BankWindowWritesLandInTheirBank) {
    for (const char* card : {"vbe12", "vbe20", "vbe30", "vbe30-nvidia"}) {
        SCOPED_TRACE(card);
        Use(card);
        ASSERT_EQ(Call(0x4F02, 0x101).eax & 0xFFFF, 0x004Fu);
        ASSERT_EQ(Info(0x101), 0x004Fu);
        const uint32_t granularity = Word(kBuffer + 4) * 1024u;
        const int writable = Real(kBuffer)[3] ? 1 : 0;
        uint8_t* window = VgaWindow();
        const uint32_t switches = VbeBankSwitches();
        for (uint32_t bank = 0; bank < 4; ++bank) {
            const uint32_t position = bank * 0x10000 / granularity;
            ASSERT_EQ(Call(0x4F05, 0, 0, position).eax & 0xFFFF, 0x004Fu);
            if (writable) {
                ASSERT_EQ(Call(0x4F05, 1, 0, position).eax & 0xFFFF, 0x004Fu);
            }
            window[0x1234] = uint8_t(0x40 + bank);
            window[0xFFFF] = uint8_t(0x80 + bank);
        }
        EXPECT_EQ(VbeBankSwitches() - switches, 3u);
        for (uint32_t bank = 0; bank < 4; ++bank) {
            EXPECT_EQ(Video()[bank * 0x10000 + 0x1234], 0x40 + bank);
            EXPECT_EQ(Video()[bank * 0x10000 + 0xFFFF], 0x80 + bank);
        }
        // A window that is not on a 64 KB bank shows the memory there.
        if (granularity < 0x10000) {
            Call(0x4F05, writable, 0, 0x8000 / granularity);
            EXPECT_EQ(window[0x1234 + 0x8000], 0x41);
            window[0] = 0x77; // lands at 32 KB
            VbeFlushWindow();
            EXPECT_EQ(Video()[0x8000], 0x77);
        }
        // The read-only window A of a pair moves without touching the buffer.
        const RealModeRegs get = Call(0x4F05, 0x0100 | writable);
        EXPECT_EQ(get.eax & 0xFFFF, 0x004Fu);
        // Past video memory: refused.
        EXPECT_EQ(Call(0x4F05, writable, 0, 0xFFFF).eax & 0xFFFF, 0x014Fu);
    }
}

TEST_F(VbeBios, ChangesThroughTheLinearViewSurviveABankSwitch) {
    Use("vbe20");
    Call(0x4F02, 0x101);
    uint8_t* window = VgaWindow();
    window[10] = 1;                    // through the window, bank 0
    AdapterVideoMemory().base[20] = 2; // straight into video memory, also bank 0
    window[21] = 5;                    // the same 8 bytes through the window
    window[0xFFFF] = 6;
    Call(0x4F05, 0, 0, 4); // bank 1: bank 0 goes back
    EXPECT_EQ(Video()[10], 1);
    EXPECT_EQ(Video()[20], 2);
    EXPECT_EQ(Video()[21], 5);
    EXPECT_EQ(Video()[0xFFFF], 6);
    // A mode set writes the window back and drops it: nothing stale lands later.
    Call(0x4F05, 0, 0, 0);
    window[30] = 3;
    Call(0x4F02, 0x8000 | 0x103);
    EXPECT_EQ(Video()[30], 3) << "kept across a mode set that keeps memory";
    Call(0x4F02, 0x103);
    EXPECT_EQ(Video()[30], 0) << "a plain mode set clears";
}

TEST_F(VbeBios, LinearModesHaveNoWindow) {
    Use("vbe20");
    EXPECT_EQ(Call(0x4F02, 0x4000 | 0x111).eax & 0xFFFF, 0x004Fu);
    EXPECT_EQ(Call(0x4F03).ebx & 0xFFFF, 0x4111u);
    EXPECT_EQ(VbeCurrentMode(), 0x4111);
    EXPECT_EQ(Call(0x4F05, 0, 0, 1).eax & 0xFFFF, 0x034Fu);
    Use("vbe12");
    EXPECT_EQ(Call(0x4F02, 0x4000 | 0x101).eax & 0xFFFF, 0x014Fu) << "no framebuffer in 1.2";
}

TEST_F(VbeBios, ScanOutFollowsModePitchStartAndDac) {
    Use("vbe20");
    ASSERT_EQ(Call(0x4F02, 0x4000 | 0x101).eax & 0xFFFF, 0x004Fu);
    // Palette entry 5: blue, green, red at 6 bits.
    uint8_t* e = Real(kBuffer);
    e[0] = 0x3F, e[1] = 0x00, e[2] = 0x20, e[3] = 0;
    ASSERT_EQ(Call(0x4F09, 0, 1, 5).eax & 0xFFFF, 0x004Fu);
    // A wider scan line, then a start two lines and three pixels in.
    const RealModeRegs wide = Call(0x4F06, 0, 1024);
    ASSERT_EQ(wide.eax & 0xFFFF, 0x004Fu);
    EXPECT_EQ(wide.ebx & 0xFFFF, 1024u);
    EXPECT_EQ(wide.edx & 0xFFFF, (4u << 20) / 1024);
    ASSERT_EQ(Call(0x4F07, 0, 3, 2).eax & 0xFFFF, 0x004Fu);
    const RealModeRegs at = Call(0x4F07, 1);
    EXPECT_EQ(at.ecx & 0xFFFF, 3u);
    EXPECT_EQ(at.edx & 0xFFFF, 2u);
    Video()[2 * 1024 + 3] = 5;
    Video()[3 * 1024 + 3 + 1] = 5;
    Frame f = AdapterScanOutFrame();
    ASSERT_EQ(f.width, 640);
    ASSERT_EQ(f.height, 480);
    EXPECT_EQ(f.pixels[0], 0x8200FFu);
    EXPECT_EQ(f.pixels[640 + 1], 0x8200FFu);
    EXPECT_EQ(f.pixels[1], 0u);
    // The 8-bit DAC keeps what is loaded at 8 bits.
    const RealModeRegs dac = Call(0x4F08, 0x0800);
    EXPECT_EQ((dac.ebx >> 8) & 0xFF, 8u);
    e[0] = 0x12, e[1] = 0x34, e[2] = 0x56;
    Call(0x4F09, 0, 1, 5);
    EXPECT_EQ(AdapterScanOutFrame().pixels[0], 0x563412u);
    EXPECT_EQ((Call(0x4F08, 0x0001).ebx >> 8) & 0xFF, 8u);
    // Palette reads back; a range past 256 entries is refused.
    EXPECT_EQ(Call(0x4F09, 1, 1, 5).eax & 0xFFFF, 0x004Fu);
    EXPECT_EQ(e[2], 0x56);
    EXPECT_EQ(Call(0x4F09, 0, 2, 255).eax & 0xFFFF, 0x014Fu);
    // A scan line longer than memory allows is refused.
    EXPECT_EQ(Call(0x4F06, 0, 0xFFFF).eax & 0xFFFF, 0x024Fu);
    Use("vbe12");
    EXPECT_EQ(Call(0x4F08, 0x0800).eax & 0xFFFF, 0x014Fu) << "a 6-bit DAC only";
}

TEST_F(VbeBios, ScheduledStartsStereoAndClocksOfVersion3) {
    Use("vbe30");
    ASSERT_EQ(Call(0x4F02, 0x4000 | 0x101).eax & 0xFFFF, 0x004Fu);
    const uint32_t page = 640 * 480;
    RealModeRegs r = Call(0x4F07, 0x02, page);
    ASSERT_EQ(r.eax & 0xFFFF, 0x004Fu);
    EXPECT_EQ(VbeDisplayStart(), 0u) << "not before the retrace";
    int polls = 0;
    while ((Call(0x4F07, 0x04).ecx & 0xFFFF) == 0 && polls < 100)
        ++polls;
    EXPECT_LT(polls, 100);
    EXPECT_EQ(VbeDisplayStart(), page);
    // 82h waits for the retrace and sets at once.
    const uint32_t waits = AdapterRetraceWaits();
    Call(0x4F07, 0x82, 2 * page);
    EXPECT_EQ(VbeDisplayStart(), 2 * page);
    EXPECT_EQ(AdapterRetraceWaits(), waits + 1);
    // Stereo: both eyes' starts; the mode must offer it.
    EXPECT_EQ(Call(0x4F07, 0x05).eax & 0xFFFF, 0x004Fu);
    EXPECT_TRUE(VbeStereoOn());
    EXPECT_EQ(Call(0x4F07, 0x03, 0, page).eax & 0xFFFF, 0x004Fu);
    EXPECT_EQ(VbeDisplayStart(), 0u);
    Call(0x4F07, 0x06);
    EXPECT_FALSE(VbeStereoOn());
    // The closest clock of the card's list.
    RealModeRegs clock = Call(0x4F0B, 0, 0, 0x101);
    clock.ecx = 25175000;
    clock.eax = 0x4F0B;
    RealModeInterrupt(0x10, &clock);
    EXPECT_EQ(clock.eax & 0xFFFF, 0x004Fu);
    EXPECT_EQ(clock.ecx, 25250000u);
}

TEST_F(VbeBios, CrtcBlockIsTakenFromTheBuffer) {
    Use("vbe30");
    uint8_t* b = Real(kBuffer);
    const uint8_t block[19] = {0x20, 0x03, 0x90, 0x02, 0xE0, 0x02, 0x0D, 0x02, 0xEA, 0x01,
                               0xEC, 0x01, 0x04, 0x78, 0x69, 0x80, 0x01, 0x70, 0x17};
    std::memcpy(b, block, sizeof(block));
    ASSERT_EQ(Call(0x4F02, 0x0800 | 0x101).eax & 0xFFFF, 0x004Fu);
    VbeCrtcBlock c{};
    ASSERT_TRUE(VbeLastCrtc(&c));
    EXPECT_EQ(c.hTotal, 800);
    EXPECT_EQ(c.vSyncEnd, 492);
    EXPECT_EQ(c.flags, 4);
    EXPECT_EQ(c.pixelClock, 0x01806978u);
    EXPECT_EQ(c.refresh, 6000);
    Call(0x4F02, 0x101);
    EXPECT_FALSE(VbeLastCrtc(&c));
}

// The protected-mode table: three stubs, a port list and (by card) a memory
// list and the marker whose length covers the whole SetWindow body.
TEST_F(VbeBios, ProtectedModeTableAndItsStubs) {
    for (const char* card : {"vbe20", "vbe20-vlf", "vbe30"}) {
        SCOPED_TRACE(card);
        Use(card);
        const RealModeRegs r = Call(0x4F0A);
        ASSERT_EQ(r.eax & 0xFFFF, 0x004Fu);
        const uint32_t base = uint32_t(r.es) * 16 + (r.edi & 0xFFFF);
        const uint32_t length = r.ecx & 0xFFFF;
        const uint8_t* t = Real(base);
        for (int kind = 1; kind <= 3; ++kind) {
            const uint16_t at = Word(base + 2 * uint32_t(kind - 1));
            ASSERT_LT(at, length);
            EXPECT_EQ(VbePmStubKind(t + at, length - at), kind);
        }
        const bool marker = Long(base + 8) == 0xFBADFBADu;
        EXPECT_EQ(marker, std::string(card) == "vbe30");
        uint32_t at = base + Word(base + 6);
        while (Word(at) != 0xFFFF)
            at += 2;
        EXPECT_EQ(Word(at + 2) != 0xFFFF, std::string(card) == "vbe20") << "memory list";
        // The bank routine: prologue, the SetWindow body, epilogue.
        const uint8_t* body = t + Word(base);
        size_t n = marker ? Long(base + 12) - 1 : 0;
        while (!marker && body[n] != 0xC3)
            ++n;
        std::vector<uint8_t> routine = {0x53, 0x51, 0x89, 0xC2, 0x31, 0xDB, 0xB1, 0x02, 0xD2, 0xE2};
        routine.insert(routine.end(), body, body + n);
        routine.insert(routine.end(), {0x59, 0x5B});
        EXPECT_TRUE(VbeIsBankRoutine(routine.data(), routine.size()));
        routine[3] = 0x90;
        EXPECT_FALSE(VbeIsBankRoutine(routine.data(), routine.size()));
    }
    // Cut at the first return, the marked body is not the routine.
    Use("vbe30");
    const RealModeRegs r = Call(0x4F0A);
    const uint8_t* body = Real(uint32_t(r.es) * 16 + (r.edi & 0xFFFF) + Word(0xC5000));
    std::vector<uint8_t> cut = {0x53, 0x51, 0x89, 0xC2, 0x31, 0xDB, 0xB1, 0x00, 0xD2, 0xE2};
    cut.insert(cut.end(), body, body + 5);
    cut.insert(cut.end(), {0x59, 0x5B});
    EXPECT_FALSE(VbeIsBankRoutine(cut.data(), cut.size()));
    EXPECT_EQ(VbePmStubKind(body, 3), 0) << "never reads past what it is given";
}

TEST_F(VbeBios, ProtectedModeEntriesMoveTheWindowStartAndPalette) {
    Use("vbe20");
    Call(0x4F02, 0x101);
    RealModeRegs r{};
    r.ebx = 0, r.edx = 8; // 16 KB units: bank 2
    VbePmCall(1, &r, nullptr);
    VgaWindow()[5] = 9;
    VbeFlushWindow();
    EXPECT_EQ(Video()[0x20000 + 5], 9);
    r = {};
    r.ecx = 0x0100, r.edx = 0; // 256 double words
    VbePmCall(2, &r, nullptr);
    EXPECT_EQ(VbeDisplayStart(), 1024u);
    const uint8_t entry[4] = {1, 2, 3, 0};
    r = {};
    r.ecx = 1, r.edx = 7;
    VbePmCall(3, &r, entry);
    uint8_t rgb[3];
    VgaDacEntry(7, rgb);
    EXPECT_EQ(rgb[0], 3);
    EXPECT_EQ(rgb[2], 1);
    r.edx = 255, r.ecx = 4; // clamped at the last entry
    VbePmCall(3, &r, entry);
}

TEST_F(VbeBios, PlanarModeAndTextModeBack) {
    Use("vbe30");
    ASSERT_EQ(Call(0x4F02, 0x102).eax & 0xFFFF, 0x004Fu);
    EXPECT_EQ(VgaFrame().width, 800);
    EXPECT_EQ(VgaFrame().height, 600);
    Call(0x4F02, 0x101);
    EXPECT_EQ(VbeCurrentMode(), 0x101);
    Call(0x0003);
    EXPECT_EQ(VbeCurrentMode(), 0);
    EXPECT_FALSE(AdapterScanOut().enabled);
}

} // namespace
