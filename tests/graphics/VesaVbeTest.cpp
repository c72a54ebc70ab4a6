// VESAVBE against the adapter's BIOS on every personality (version fix-up,
// strings, the trust filter, mode fix-ups, page sizes, gated calls, the
// protected-mode table and the bank routine built from it), and against a
// hostile BIOS of the test's own: strings and mode lists past the string
// area, table offsets and lists outside the table, bodies that do not fit.
#include "gdl/driver.h"
#include "gdl/fsdirect.h"
#include "gdl/vesavbe.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Vbe.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class VesaVbe : public ::testing::Test {
protected:
    void Use(const char* card) {
        GDL_resetLibrary(); // before its DirectDraw objects go with the adapter
        platform::UseHost(platform::HostKind::Memory);
        platform::ClockUseVirtual(true);
        ASSERT_TRUE(platform::UseAdapter(card));
        GDL_initWindows();
        ASSERT_TRUE(GDL_fsDirectAvailable());
    }
    void TearDown() override {
        platform::SetVbeBiosHook(nullptr);
        GDL_resetLibrary();
    }
    static std::vector<uint16_t> Modes(const VbeControllerInfo& info) {
        std::vector<uint16_t> out;
        for (const uint16_t* m = info.modes; *m != 0xFFFF; ++m)
            out.push_back(*m);
        return out;
    }
};

TEST_F(VesaVbe, DetectionByPersonality) {
    struct Case {
        const char* card;
        int32_t version;
        const char* vendor; // null: no 2.0 strings copied
        int32_t memoryKB;
    };
    const Case cases[] = {{"vbe12", 0x0102, nullptr, 1024},
                          {"vbe20", 0x0200, "Meridian Graphics", 4096},
                          {"vbe20-novendor", 0x0102, nullptr, 4096},
                          {"vbe30", 0x0300, "NVidia Corporation", 8192}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.card);
        Use(c.card);
        VbeControllerInfo info{};
        ASSERT_EQ(VBE_getInfo(&info), c.version);
        EXPECT_EQ(VBE_version(), c.version);
        EXPECT_EQ(VBE_videoMemoryKB(), c.memoryKB);
        if (c.vendor) {
            ASSERT_NE(info.vendorName, nullptr);
            EXPECT_STREQ(info.vendorName, c.vendor);
        } else {
            EXPECT_EQ(info.vendorName, nullptr);
        }
        const std::vector<uint16_t> modes = Modes(info);
        EXPECT_NE(std::find(modes.begin(), modes.end(), 0x101), modes.end());
        // The 1.02 of a vendorless 2.0 block asks for no protected-mode table.
        VBE_getPMInfo();
        EXPECT_EQ(VBE_pmTable(nullptr) != nullptr, c.version >= 0x0200);
    }
    Use("vga");
    EXPECT_EQ(VBE_detect(nullptr), 0);
}

TEST_F(VesaVbe, ModeInformationFixUpsAndTrust) {
    struct Case {
        const char* card;
        int32_t mode;
        uint8_t bits, model, redSize, redPosition;
        uint16_t attributesHigh; // bits 10 to 12
    };
    const Case cases[] = {
        {"vbe12", 0x111, 16, 6, 5, 11, 0},           // packed pixel becomes 5:6:5
        {"vbe12", 0x110, 15, 6, 5, 10, 0},           // and 5:5:5
        {"vbe20", 0x110, 15, 6, 5, 10, 0},           // 16 with a reserved bit is 15
        {"vbe30", 0x101, 8, 4, 0, 0, 0x1C00},        // a Riva is trusted
        {"vbe30-nvidia", 0x101, 8, 4, 0, 0, 0x1000}, // a GeForce loses bits 10, 11
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.card) + " " + std::to_string(c.mode));
        Use(c.card);
        ASSERT_NE(VBE_detect(nullptr), 0);
        VbeModeInfo info{};
        ASSERT_TRUE(VBE_getModeInfo(c.mode, &info));
        EXPECT_EQ(info.bitsPerPixel, c.bits);
        EXPECT_EQ(info.memoryModel, c.model);
        EXPECT_EQ(info.redMaskSize, c.redSize);
        EXPECT_EQ(info.redFieldPosition, c.redPosition);
        EXPECT_EQ(info.modeAttributes & 0x1C00, c.attributesHigh);
    }
    VbeModeInfo info{};
    EXPECT_FALSE(VBE_getModeInfo(0x1FF, &info));
}

TEST_F(VesaVbe, PageSizes) {
    struct Case {
        uint16_t pitch, height;
        uint8_t bits;
        uint32_t size;
    };
    const Case cases[] = {{80, 480, 4, 0x10000}, {40, 200, 4, 0x2000},   {80, 200, 4, 0x4000},
                          {80, 350, 4, 0x8000},  {640, 480, 8, 0x50000}, {1600, 600, 16, 0xF0000},
                          {640, 400, 8, 0x40000}};
    for (const Case& c : cases) {
        VbeModeInfo info{};
        info.bytesPerScanLine = c.pitch;
        info.yResolution = c.height;
        info.bitsPerPixel = c.bits;
        EXPECT_EQ(VBE_getPageSize(&info), c.size) << c.pitch << " x " << c.height;
    }
}

TEST_F(VesaVbe, VersionGatedCalls) {
    Use("vbe20");
    ASSERT_EQ(VBE_detect(nullptr), 0x0200);
    EXPECT_FALSE(VBE_setVideoMode(0x101 | 0x0800, nullptr));
    EXPECT_EQ(platform::VbeCurrentMode(), 0) << "refused without calling the BIOS";
    EXPECT_EQ(VBE_getClosestClock(0x101, 25000000), -1);
    EXPECT_EQ(VBE_getDisplayStartStatus(), -1);
    EXPECT_FALSE(VBE_enableStereo());
    ASSERT_TRUE(VBE_setVideoMode(0x101, nullptr));
    EXPECT_TRUE(VBE_setDACWidth(8));
    EXPECT_EQ(VBE_getDACWidth(), 8);
    int32_t bytes = 0, pixels = 0, lines = 0;
    ASSERT_TRUE(VBE_setPixelsPerLine(1024, &bytes, &pixels, &lines));
    EXPECT_EQ(bytes, 1024);
    EXPECT_EQ(lines, 4096);
    // A palette range past 256 entries is clamped, not read past.
    std::vector<uint8_t> entries(4 * 4, 0x10);
    EXPECT_TRUE(VBE_setPalette(254, 4, entries.data(), false));
    uint8_t rgb[3];
    platform::VgaDacEntry(255, rgb);
    EXPECT_EQ(rgb[0], 0x10);
    Use("vbe30");
    ASSERT_EQ(VBE_detect(nullptr), 0x0300);
    VbeCrtcInfo crtc{800, 656, 752, 525, 490, 492, 0x0C, 25175000, 5994};
    ASSERT_TRUE(VBE_setVideoMode(0x101 | 0x0800, &crtc));
    platform::VbeCrtcBlock seen{};
    ASSERT_TRUE(platform::VbeLastCrtc(&seen));
    EXPECT_EQ(seen.hSyncEnd, 752);
    EXPECT_EQ(seen.pixelClock, 25175000u);
    EXPECT_EQ(VBE_getClosestClock(0x101, 25175000), 25250000);
}

// The bank routine around the SetWindow stub, by table form; the bytes are
// what the support library's virtual framebuffer takes.
TEST_F(VesaVbe, BankRoutineFromTheProtectedModeTable) {
    struct Case {
        const char* card;
        int32_t built, size;
        bool memorySelector;
    };
    const Case cases[] = {
        {"vbe20", 0, 0, true}, {"vbe20-vlf", 1, 17, false}, {"vbe30", 1, 18, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.card);
        Use(c.card);
        ASSERT_GE(VBE_detect(nullptr), 0x0200);
        int32_t size = 0;
        const uint8_t* code = nullptr;
        EXPECT_EQ(VBE_getBankFunc32(&size, &code, 2), c.built);
        EXPECT_EQ(VBE_memorySelector() != 0, c.memorySelector);
        uint32_t length = 0;
        const uint8_t* table = VBE_pmTable(&length);
        ASSERT_NE(table, nullptr);
        for (const uint8_t* entry :
             {VBE_getSetBank(), VBE_getSetDisplayStart(), VBE_getSetPalette()}) {
            ASSERT_NE(entry, nullptr);
            EXPECT_LT(entry, table + length);
        }
        EXPECT_EQ(platform::VbePmStubKind(VBE_getSetPalette(),
                                          size_t(table + length - VBE_getSetPalette())),
                  3);
        if (!c.built) continue;
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(code[7], 2) << "the shift";
        EXPECT_TRUE(platform::VbeIsBankRoutine(code, size_t(size)));
    }
    Use("vbe12");
    ASSERT_EQ(VBE_detect(nullptr), 0x0102);
    EXPECT_EQ(VBE_getBankFunc32(nullptr, nullptr, 0), 0);
    EXPECT_EQ(VBE_getSetBank(), nullptr);
}

// --- A hostile BIOS ------------------------------------------------------------------

struct Hostile {
    std::vector<uint8_t> controller = std::vector<uint8_t>(512, 0);
    std::vector<uint8_t> table;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> memory; // physical, bytes
};
Hostile* g_hostile = nullptr;

void hostileBios(platform::RealModeRegs* r, uint8_t* real) {
    const uint32_t es = uint32_t(r->es) << 4, di = r->edi & 0xFFFF;
    for (const auto& [at, bytes] : g_hostile->memory)
        std::memcpy(real + at, bytes.data(), bytes.size());
    switch (r->eax & 0xFF) {
        case 0x00:
            std::memcpy(real + es + di, g_hostile->controller.data(), 512);
            r->eax = 0x004F;
            break;
        case 0x0A:
            std::memcpy(real + 0xC5000, g_hostile->table.data(), g_hostile->table.size());
            r->es = 0xC000;
            r->edi = 0x5000;
            r->ecx = uint32_t(g_hostile->table.size());
            r->eax = 0x004F;
            break;
        default: r->eax = 0x014F; break;
    }
}

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = uint8_t(v), b[at + 1] = uint8_t(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    put16(b, at, v), put16(b, at + 2, v >> 16);
}

class VesaVbeHostile : public VesaVbe {
protected:
    void SetUp() override {
        Use("vbe20");
        std::memcpy(bios_.controller.data(), "VESA", 4);
        put16(bios_.controller, 4, 0x0200);
        put16(bios_.controller, 18, 64);
        g_hostile = &bios_;
        platform::SetVbeBiosHook(hostileBios);
    }
    // A far pointer to a string at C000:off of `length` bytes of 'A'.
    uint32_t String(uint16_t off, size_t length) {
        std::vector<uint8_t> s(length, 'A');
        s.push_back(0);
        bios_.memory.push_back({0xC0000u + off, s});
        return 0xC0000000u | off;
    }
    Hostile bios_;
};

TEST_F(VesaVbeHostile, StringAreaStopsAtItsEndAndTheModeListStillEnds) {
    put32(bios_.controller, 6, String(0x100, 300));
    put32(bios_.controller, 22, String(0x300, 150));
    put32(bios_.controller, 26, String(0x400, 10));
    put32(bios_.controller, 30, String(0x500, 10));
    std::vector<uint8_t> modes;
    for (int i = 0; i < 200; ++i)
        put16(modes, modes.size(), 0x100 + uint32_t(i));
    put16(modes, modes.size(), 0xFFFF);
    bios_.memory.push_back({0xC1000, modes});
    put32(bios_.controller, 14, 0xC0001000u);
    VbeControllerInfo info{};
    ASSERT_EQ(VBE_detect(&info), 0x0200);
    EXPECT_EQ(std::strlen(info.oemString), 300u);
    const std::vector<uint16_t> list = Modes(info);
    EXPECT_FALSE(list.empty());
    EXPECT_LT(list.size(), 100u) << "the list was cut at the area's end";
    EXPECT_EQ(list.front(), 0x100);
    // Strings alone longer than the area: each still ends, the list is empty.
    bios_.memory.clear();
    put32(bios_.controller, 6, String(0x100, 700));
    ASSERT_EQ(VBE_detect(&info), 0x0200);
    EXPECT_EQ(std::strlen(info.oemString), 509u) << "room kept for the list's end";
    EXPECT_TRUE(Modes(info).empty());
}

TEST_F(VesaVbeHostile, TableOffsetsAndListsOutsideTheTableGiveNothing) {
    put32(bios_.controller, 22, String(0x300, 4)); // a vendor: stays 2.0
    struct Case {
        const char* name;
        std::vector<uint8_t> table;
        bool bank, selector;
        int32_t built;
    };
    std::vector<uint8_t> outside(8, 0);
    put16(outside, 0, 0x4000); // SetWindow far outside
    put16(outside, 6, 0x0100); // port list outside
    std::vector<uint8_t> endless(8, 0);
    put16(endless, 0, 8);
    put16(endless, 6, 9); // ports that never end
    endless.insert(endless.end(), {0xEB, 0x03, 'Q', 'V', 1, 0xC3, 0xD4, 0x03});
    std::vector<uint8_t> noReturn = {8, 0, 0, 0, 0, 0, 0, 0, 0x90, 0x90, 0x90};
    std::vector<uint8_t> marked(16, 0);
    put16(marked, 0, 16);
    put32(marked, 8, 0xFBADFBADu);
    put32(marked, 12, 1000); // a body longer than the table
    marked.insert(marked.end(), {0xEB, 0x03, 'Q', 'V', 1, 0xC3});
    std::vector<uint8_t> huge(8, 0);
    put16(huge, 0, 8);
    huge.insert(huge.end(), 100, 0x90); // fits the table, not the routine buffer
    huge.push_back(0xC3);
    const Case cases[] = {{"offsets outside", outside, false, false, 0},
                          {"endless port list", endless, true, false, 1},
                          {"no return", noReturn, true, false, 0},
                          {"marker past the table", marked, true, false, 0},
                          {"body too long", huge, true, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VBE_freePMInfo();
        bios_.table = c.table;
        ASSERT_EQ(VBE_detect(nullptr), 0x0200);
        VBE_getPMInfo();
        EXPECT_EQ(VBE_getSetBank() != nullptr, c.bank);
        EXPECT_EQ(VBE_memorySelector() != 0, c.selector);
        EXPECT_EQ(VBE_getBankFunc32(nullptr, nullptr, 0), c.built);
    }
}

} // namespace
