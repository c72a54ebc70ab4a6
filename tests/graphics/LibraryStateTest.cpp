// One reset returns every piece of the library's state to its start value,
// whatever a run left behind.

#include "gdl/bitmap.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/event.h"
#include "gdl/memory.h"
#include "gdl/mouse.h"
#include "gdl/packed.h"
#include "gdl/result.h"
#include "gdl/support.h"
#include "gdl/text.h"
#include "gdl/thread.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

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

// The library is used from one thread; a call from another thread (the
// cursor's or a timer's) is caught at once by the thread check, which the
// tests turn on in every build.
namespace {

std::vector<std::string> g_caught;
void record(const char* entry) {
    g_caught.push_back(entry);
}

TEST(ThreadCheck, ACallFromAnotherThreadIsCaughtAtOnce) {
    PACK_registerDrivers();
    GDL_setThreadCheck(true, record);
    GdlDeviceContext* dc = GDL_createMemoryDC(8, 8, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GDL_fillRect(0, 0, 4, 4);
    EXPECT_TRUE(g_caught.empty());
    // Each kind of entry point, from another thread, is caught by its first
    // touch of the shared state, naming the entry.
    struct Call {
        const char* entry;
        void (*call)();
    };
    static const Call calls[] = {
        {"GDL_fillRect", [] { GDL_fillRect(0, 0, 2, 2); }},
        {"GDL_setColor", [] { GDL_setColor(3); }},
        {"GDL_lineFX", [] { GDL_line(0, 0, 3, 3); }},
        {"GDL_lastResult", [] { GDL_lastResult(); }},
        {"GDL_selectCurrentDC", [] { GDL_selectCurrentDC(nullptr); }},
    };
    for (const Call& c : calls) {
        g_caught.clear();
        std::thread other(c.call);
        other.join();
        ASSERT_FALSE(g_caught.empty()) << c.entry;
        EXPECT_NE(g_caught[0].find(c.entry), std::string::npos) << g_caught[0];
    }
    g_caught.clear();
    // The library's own thread goes on undisturbed.
    GDL_line(0, 0, 7, 7);
    EXPECT_TRUE(g_caught.empty());
    GDL_exit();
    GDL_setThreadCheck(false);
}

// Every kind of entry point a cursor or timer thread could reach, each named by
// the first report of its call from another thread.
GdlDeviceContext* g_dc = nullptr;
GdlDeviceContext* g_other = nullptr;

struct Entry {
    const char* kind;
    const char* reported;
    void (*call)();
};

const Entry kEntries[] = {
    {"state setter", "GDL_setColor", [] { GDL_setColor(3); }},
    {"primitive", "GDL_fillRect", [] { GDL_fillRect(0, 0, 2, 2); }},
    {"ellipse", "GDL_fillEllipse", [] { GDL_fillEllipse(0, 0, 4, 4); }},
    {"text", "GDL_drawStrAt", [] { GDL_drawStrAt(0, 0, "a"); }},
    {"blit between contexts", "GDL_bitBlt", [] { GDL_bitBlt(g_dc, g_other, 0, 0, 2, 2, 0, 0, 0); }},
    {"bitmap blit", "GDL_putBitmap",
     [] {
         static uint8_t pixels[4] = {};
         static const GdlBitmap bitmap = {2, 2, 8, 2, pixels, nullptr, nullptr};
         GDL_putBitmap(g_dc, 0, 0, &bitmap, 0);
     }},
    {"palette", "GDL_realizePalette", [] { GDL_realizePalette(g_dc, 1, 0, 0); }},
    {"page", "GDL_setActivePage", [] { GDL_setActivePage(g_dc, 0); }},
    {"context", "GDL_selectCurrentDC", [] { GDL_selectCurrentDC(nullptr); }},
    {"result code", "GDL_lastResult", [] { GDL_lastResult(); }},
    {"mouse show", "GDL_showMouse", [] { GDL_showMouse(); }},
    {"mouse position", "GDL_getMousePos",
     [] {
         int32_t x, y;
         GDL_getMousePos(&x, &y);
     }},
    {"mouse move", "GDL_mouseMoved", [] { GDL_mouseMoved(1, 1); }},
    {"event post", "GDL_postEvent", [] { GDL_postEvent(0, GDL_USEREVENT, 0, 0); }},
    {"event get", "GDL_getEvent",
     [] {
         GDLEvent e;
         GDL_getEvent(&e, 0xFFFF);
     }},
    {"event flush", "GDL_flushEvents", [] { GDL_flushEvents(0xFFFF); }},
    {"timer tick", "GDL_setTimerTick", [] { GDL_setTimerTick(0); }},
};

TEST(ThreadCheck, EveryKindOfEntryIsCaughtFromAnotherThread) {
    PACK_registerDrivers();
    GDL_setThreadCheck(true, record);
    g_dc = GDL_createMemoryDC(8, 8, 8, nullptr);
    g_other = GDL_createMemoryDC(8, 8, 8, nullptr);
    ASSERT_NE(g_dc, nullptr);
    ASSERT_NE(g_other, nullptr);
    GDL_selectCurrentDC(g_dc);
    for (const Entry& e : kEntries) {
        g_caught.clear();
        std::thread other(e.call);
        other.join();
        ASSERT_FALSE(g_caught.empty()) << e.kind;
        EXPECT_EQ(g_caught[0], e.reported) << e.kind;
        // The same call on the library's thread passes unreported.
        g_caught.clear();
        GDL_selectCurrentDC(g_dc);
        e.call();
        EXPECT_TRUE(g_caught.empty()) << e.kind << ": " << (g_caught.empty() ? "" : g_caught[0]);
    }
    GDL_resetLibrary();
}

// Entries that take a context other than the current one also share the
// result code and the driver state: they are caught as well.
TEST(ThreadCheck, EntriesOnOtherContextsAreCaught) {
    PACK_registerDrivers();
    GDL_setThreadCheck(true, record);
    static GdlDeviceContext* a = GDL_createMemoryDC(8, 8, 8, nullptr);
    static GdlDeviceContext* b = GDL_createMemoryDC(8, 8, 8, nullptr);
    ASSERT_TRUE(a && b);
    GDL_selectCurrentDC(nullptr);
    static uint8_t pixels[64] = {};
    static const GdlBitmap bitmap{8, 8, 8, 8, pixels, nullptr, nullptr};
    static const GdlPaletteEntry palette[4] = {};
    struct Call {
        const char* entry;
        void (*call)();
    };
    static const Call calls[] = {
        {"GDL_bitBlt", [] { GDL_bitBlt(a, b, 0, 0, 4, 4, 1, 1, 0); }},
        {"GDL_stretchBlt", [] { GDL_stretchBlt(a, b, 0, 0, 4, 4, 0, 0, 8, 8); }},
        {"GDL_putBitmap", [] { GDL_putBitmap(a, 0, 0, &bitmap, 0); }},
        {"GDL_stretchBitmap", [] { GDL_stretchBitmap(a, 0, 0, 3, 3, &bitmap); }},
        {"GDL_setPalette", [] { GDL_setPalette(a, palette, 4, 0); }},
        {"GDL_setClipRect", [] { GDL_setClipRect(a, 0, 0, 4, 4); }},
        {"GDL_setViewport", [] { GDL_setViewport(a, 0, 0, 4, 4); }},
        {"GDL_createMemoryDC", [] { GDL_destroyDC(GDL_createMemoryDC(2, 2, 8, nullptr)); }},
    };
    for (const Call& c : calls) {
        g_caught.clear();
        std::thread other(c.call);
        other.join();
        EXPECT_FALSE(g_caught.empty()) << c.entry;
    }
    g_caught.clear();
    GDL_exit();
    GDL_setThreadCheck(false);
}

} // namespace
