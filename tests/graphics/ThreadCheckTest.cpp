// The library is used from one thread; a call from another thread (the
// cursor's or a timer's) is caught at once by the thread check, which the
// tests turn on in every build.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/result.h"
#include "gdl/thread.h"

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

} // namespace
