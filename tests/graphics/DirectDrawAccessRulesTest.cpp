// How DirectDraw contexts reach their pixels: banked (1) on a card that
// reports bank switching, linear (2) on the others, in the context, in
// GDL_surfaceAccess and in the mode table's linear bit, beside the hardware
// capability bits; a second display context and a recovery from a lost
// surface keep it.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/MMSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class DirectDrawAccess : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_setSuspendAppCallback(nullptr);
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    int32_t Start(const char* card, int32_t width, int32_t height, int32_t bits) {
        GDL_exit();
        if (!platform::UseAdapter(card)) return -1;
        testsupport::RegisterLinkedDrivers({"DDRAW"});
        int32_t driver = -1, mode = testsupport::ModeOf(width, height, bits);
        return GDL_init(&driver, &mode, ".") ? mode : -1;
    }
    testsupport::TempDir folder_;
};

int32_t answerResume(GdlDeviceContext*, int32_t) {
    return 1;
}
void CALLBACK comeBack(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    platform::InjectAppSwitch(false);
}

TEST_F(DirectDrawAccess, BankedOnlyOnABankSwitchedCard) {
    const struct {
        const char* card;
        int32_t bits;
        uint32_t flags;      // the context's access and capability bits
        uint32_t entryFlags; // the mode table's
    } cases[] = {
        {"ddraw-1mb-banked", 8, 0x0001, 0x000}, {"ddraw-1mb-banked", 16, 0x0001, 0x000},
        {"ddraw-2mb-555", 15, 0x0002, 0x001},   {"ddraw-4mb", 8, 0x1C82, 0x401},
        {"ddraw-8mb-3d", 24, 0x1C82, 0x401},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.card) + " at " + std::to_string(c.bits));
        const int32_t mode = Start(c.card, 320, 200, c.bits);
        ASSERT_GE(mode, 0);
        EXPECT_EQ(GDL_modeTable()[mode].flags, c.entryFlags);
        GdlDeviceContext* dc = GDL_createDisplayDCPages(2);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GDL_liveDC(dc)->flags & 0x1C83u, c.flags);
        EXPECT_EQ(uint32_t(GDL_surfaceAccess(dc)), c.flags & 3);
        GdlDeviceContext* clone = GDL_createDisplayDCPages(2);
        ASSERT_NE(clone, nullptr);
        EXPECT_EQ(uint32_t(GDL_surfaceAccess(clone)), c.flags & 3) << "second display context";
        // A lost surface is recovered in place: the access is what it was.
        GDL_selectCurrentDC(dc);
        GDL_setSuspendAppCallback(answerResume);
        platform::InjectAppSwitch(true);
        timeSetEvent(300, 0, comeBack, 0, TIME_ONESHOT);
        const uint32_t start = platform::ClockNow();
        GDL_putPixel(1, 1);
        ASSERT_GE(platform::ClockNow() - start, 300u) << "the surface was lost and restored";
        EXPECT_EQ(GDL_liveDC(dc)->flags & 0x1C83u, c.flags) << "after a recovery";
        // Pixels drawn afterwards are read back from the same surface.
        GDL_setColor(5);
        GDL_putPixel(3, 2);
        EXPECT_EQ(GDL_getPixel(3, 2), 5u);
        GDL_setSuspendAppCallback(nullptr);
    }
}

} // namespace
