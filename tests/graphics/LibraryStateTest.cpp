// One reset returns every piece of the library's state to its start value,
// whatever a run left behind.
#include <gtest/gtest.h>

#include <cstdlib>

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/event.h"
#include "gdl/memory.h"
#include "gdl/mouse.h"
#include "gdl/packed.h"
#include "gdl/result.h"
#include "gdl/support.h"
#include "gdl/thread.h"

namespace {

int g_allocations = 0;
void* countingAlloc(size_t size) {
    ++g_allocations;
    return std::malloc(size);
}
void plainFree(void* block) {
    std::free(block);
}
void* openNothing(const char*, const char*) {
    return nullptr;
}
void ignore(const char*) {}

TEST(LibraryState, ResetReturnsEveryTopicToItsStartValue) {
    const bool checkAtStart = GDL_threadCheckOn();
    void* (*const defaultOpen)(const char*, const char*) = GDL_fileHooks.open;

    // A run that leaves something behind in every topic.
    GDL_setMemoryFuncs(countingAlloc, plainFree);
    PACK_registerDrivers();
    GdlDeviceContext* dc = GDL_createMemoryDC(16, 8, 32, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GDL_setColor(7);
    GDL_bitBlt(dc, dc, 0, 0, 4, 4, 2, 2, 0); // grows the converters' rows
    GDL_setPaletteCheck(0);
    GDL_srand(1234);
    GDL_setResult(GDL_GENERAL_ERROR);
    GDL_postEvent(1, GDL_USEREVENT, 2, 3);
    GDL_fileHooks.open = openNothing;
    GDL_getDefaultCursor()->hotX = 9;
    GDL_setThreadCheck(!checkAtStart, ignore);

    GDL_resetLibrary();

    EXPECT_EQ(GDL_currentDC(), nullptr);
    EXPECT_EQ(GDL_driverHeader(GDL_PACK8), nullptr) << "drivers unregistered";
    EXPECT_EQ(GDL_stateBlock.attr.color, 0u);
    EXPECT_EQ(GDL_getPaletteCheck(), 1);
    EXPECT_EQ(GDL_randomState(), 0u);
    EXPECT_EQ(GDL_peekResult(), GDL_OK);
    EXPECT_EQ(GDL_eventCount(), 0);
    EXPECT_EQ(GDL_getMouseDC(), nullptr);
    EXPECT_EQ(GDL_fileHooks.open, defaultOpen);
    EXPECT_EQ(GDL_getDefaultCursor()->hotX, 1);
    EXPECT_EQ(GDL_threadCheckOn(), checkAtStart);
    const int before = g_allocations;
    GDL_free(GDL_malloc(16));
    EXPECT_EQ(g_allocations, before) << "the default allocator is back";

    // The library starts again from the reset state.
    PACK_registerDrivers();
    dc = GDL_createMemoryDC(4, 4, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GDL_fillRect(0, 0, 4, 4);
    EXPECT_EQ(GDL_peekResult(), GDL_OK);
    GDL_resetLibrary();
}

} // namespace
