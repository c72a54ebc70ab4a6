// The full-screen support library over the adapter: its 49 names, selectors
// that refuse what lies outside them, the BIOS through the interrupt calls,
// views of video memory, the window at the mode's size with its mouse, and
// application switches through the callback.
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/FsDirect.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/User.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

class FsDirect : public ::testing::Test {
protected:
    void SetUp() override {
        UseHost(HostKind::Memory);
        ClockUseVirtual(true);
        ASSERT_TRUE(UseAdapter("vga"));
        module_ = LoadLibraryA("FSDIR_32.DLL");
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }
    template <typename F> F Get(const char* name) {
        return reinterpret_cast<F>(GetProcAddress(module_, name));
    }
    HMODULE module_ = nullptr;
};

TEST_F(FsDirect, ExportsEveryNameAndNeedsAnAdapter) {
    size_t count = 0;
    const ModuleExport* exports = FsDirectExports(&count);
    ASSERT_EQ(count, 49u);
    for (size_t i = 0; i < count; ++i)
        EXPECT_NE(GetProcAddress(module_, exports[i].name), nullptr) << exports[i].name;
    UseAdapter(nullptr);
    EXPECT_EQ(LoadLibraryA("FSDIR_32.DLL"), nullptr);
}

TEST_F(FsDirect, SelectorsAreBoundsChecked) {
    auto bios = Get<PMI_getBIOSSelector_t>("_PMI_getBIOSSelector")();
    auto getByte = Get<PMI_getByte_t>("_PMI_getByte");
    auto setByte = Get<PMI_setByte_t>("_PMI_setByte");
    auto getLong = Get<PMI_getLong_t>("_PMI_getLong");
    auto create = Get<PMI_createSelector_t>("_PMI_createSelector");
    auto copyOut = Get<PMI_memcpynf_t>("_PMI_memcpynf");
    EXPECT_EQ(getByte(bios, 0x49), 0x03); // the text mode the BIOS starts in
    const uint32_t refused = FsDirectRefusals();
    struct Case {
        uint16_t selector;
        uint32_t offset;
    };
    const uint16_t top = create(0xFFFF0, 0xFFFF); // runs past 1 MB
    const Case outside[] = {{bios, 0x100}, {bios, 0xFFFFFFFF}, {0, 0}, {0x1234, 0}, {top, 0x20}};
    for (const Case& c : outside) {
        EXPECT_EQ(getByte(c.selector, c.offset), 0);
        setByte(c.selector, c.offset, 1);
    }
    EXPECT_EQ(getLong(bios, 0xFE), 0u); // straddles the limit
    uint8_t buffer[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    copyOut(buffer, bios, 0xFC, 8);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(FsDirectRefusals() - refused, 2u * 5 + 2);
    EXPECT_EQ(getByte(top, 0x0F), RealModeMemory()[0xFFFFF]);
}

TEST_F(FsDirect, InterruptsReachTheBiosAndViewsReachTheAdapter) {
    PmiRegs in{}, out{};
    in.ax = 0x1A00;
    Get<PMI_int86_t>("_PMI_int86")(0x10, &in, &out);
    EXPECT_EQ(out.ax & 0xFF, 0x1Au);
    EXPECT_EQ(out.bx & 0xFF, 0x08u);
    FsdRegs386 r{}, o{};
    r.eax = 0x13;
    Get<FSD_int386_t>("_FSD_int386")(0x10, &r, &o);
    EXPECT_EQ(RealModeMemory()[0x449], 0x13);
    auto map = Get<PMI_mapPhysicalAddr_t>("_PMI_mapPhysicalAddr");
    EXPECT_EQ(map(0xA0000, 0xFFFF), VgaWindow());
    EXPECT_EQ(map(0xA0000, 0x1FFFF), nullptr);
    EXPECT_EQ(map(0x12345678, 16), nullptr);
    EXPECT_EQ(Get<PMI_getA0000Pointer_t>("_PMI_getA0000Pointer")(), VgaWindow());
    uint32_t length = 0, offset = 9;
    uint16_t selector = 0, segment = 0, realOffset = 9;
    uint8_t* buf = static_cast<uint8_t*>(Get<PMI_getVESABuf_t>("_PMI_getVESABuf")(
        &length, &selector, &offset, &segment, &realOffset));
    EXPECT_EQ(length, 1024u);
    EXPECT_EQ(segment, kVesaBufferSegment);
    EXPECT_EQ(buf, RealModeMemory() + (uint32_t(segment) << 4));
    EXPECT_EQ(Get<VLF_available_t>("_VLF_available")(), 0);
    EXPECT_EQ(Get<VLF_init_t>("_VLF_init")(0xA0000, 64, 0, nullptr), nullptr);
    EXPECT_EQ(Get<FSD_isSafeMode_t>("_FSD_isSafeMode")(), 0);
    EXPECT_EQ(Get<PMI_int86_t>("_PMI_int86")(0x10, nullptr, &out), 0);
}

// The BIOS selector is handed to every caller: freeing it leaves it in
// place, so a selector made later never takes its number.
TEST_F(FsDirect, TheSharedBiosSelectorOutlivesAFree) {
    auto bios = Get<PMI_getBIOSSelector_t>("_PMI_getBIOSSelector");
    auto getByte = Get<PMI_getByte_t>("_PMI_getByte");
    const uint16_t first = bios();
    Get<PMI_freeSelector_t>("_PMI_freeSelector")(first);
    const uint16_t other = Get<PMI_createSelector_t>("_PMI_createSelector")(0, 0xFFFF);
    EXPECT_NE(other, first);
    EXPECT_EQ(bios(), first);
    EXPECT_EQ(getByte(bios(), 0x49), 0x03);
}

int g_mouseX = -1, g_mouseY = -1, g_answer = 1;
std::vector<int> g_flags;
void onMouse(int x, int y) {
    g_mouseX = x, g_mouseY = y;
}
int onSuspend(int flag) {
    g_flags.push_back(flag);
    return g_answer;
}

TEST_F(FsDirect, WindowAtTheModeSizeWithMouseAndSwitches) {
    auto start = Get<FSD_startFullScreen_t>("_FSD_startFullScreen");
    EXPECT_EQ(start(nullptr, 0, 200), nullptr);
    EXPECT_EQ(start(nullptr, 320, 100000), nullptr);
    HWND w = start(nullptr, 320, 200);
    ASSERT_NE(w, nullptr);
    RECT r{};
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 320);
    EXPECT_EQ(r.bottom, 200);
    EXPECT_TRUE(VgaShowing());
    Get<FSD_setMouseCallback_t>("_FSD_setMouseCallback")(onMouse);
    SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(300, 150));
    EXPECT_EQ(g_mouseX, 300);
    EXPECT_EQ(g_mouseY, 150);
    Get<FSD_setMousePos_t>("_FSD_setMousePos")(10, 20);
    EXPECT_EQ(g_mouseX, 10);
    EXPECT_EQ(Get<FSD_changeResolution_t>("_FSD_changeResolution")(-5, 7), 0);
    Get<FSD_setSuspendAppCallback_t>("_FSD_setSuspendAppCallback")(onSuspend);
    g_answer = 0;
    EXPECT_FALSE(FsDirectSwitchAway());
    EXPECT_TRUE(VgaShowing());
    g_answer = 1;
    EXPECT_TRUE(FsDirectSwitchAway());
    EXPECT_FALSE(VgaShowing());
    FsDirectSwitchBack();
    EXPECT_TRUE(VgaShowing());
    EXPECT_EQ(g_flags, (std::vector<int>{1, 1, 2}));
    Get<FSD_restoreGDI_t>("_FSD_restoreGDI")();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(VgaShowing());
}

} // namespace
