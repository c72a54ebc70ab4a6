// Black-box rules of the library's event ring: order, masks, the mapping of
// each window message and the ring's timer, with and without a window.
#include "gdl/event.h"

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/User.h"

#include "HeadlessWindow.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class EventRingRules : public ::testing::Test {
protected:
    void SetUp() override {
        window = testsupport::OpenHeadlessWindow("RingRules", 2000, 40, 30, 320, 200);
        ASSERT_NE(window, nullptr);
        GDL_initEvents(window);
        GDL_setEventScale(0, 0, 0, 0);
        GDL_flushEvents(0xFFFF);
    }
    void TearDown() override {
        GDL_setTimerTick(0);
        GDL_initEvents(nullptr);
        platform::ClockUseVirtual(false);
    }
    static std::vector<GDLEvent> Drain(uint32_t mask = 0xFFFF) {
        std::vector<GDLEvent> out;
        GDLEvent e;
        while (GDL_getEvent(&e, mask))
            out.push_back(e);
        return out;
    }
    static std::vector<uint32_t> Whats(const std::vector<GDLEvent>& events) {
        std::vector<uint32_t> out;
        for (const GDLEvent& e : events)
            out.push_back(e.what);
        return out;
    }
    HWND window = nullptr;
};

using WhatList = std::vector<uint32_t>;

TEST_F(EventRingRules, GetTakesTheOldestMatchAndKeepsTheOrder) {
    const uint32_t posted[] = {GDL_USEREVENT, GDL_TIMER, 0x100, GDL_TIMER, 0x3000, GDL_KEYUP};
    for (uint32_t i = 0; i < 6; ++i)
        ASSERT_EQ(GDL_postEvent(i, posted[i], 100 + i, 200 + i), 1);
    GDLEvent e;
    ASSERT_EQ(GDL_getEvent(&e, GDL_TIMER), 1);
    EXPECT_EQ(e.which, 1u);
    EXPECT_EQ(e.message, 101u);
    EXPECT_EQ(e.modifiers, 201u);
    EXPECT_EQ(e.x, 0);
    EXPECT_EQ(e.when, platform::ClockNow());
    EXPECT_EQ(GDL_getEvent(&e, 0x800), 0);
    EXPECT_EQ(e.what, 0u) << "a failed get leaves what 0";
    GDL_flushEvents(0x1000); // 0x3000 shares the bit
    EXPECT_EQ(Whats(Drain()), (WhatList{GDL_USEREVENT, 0x100, GDL_TIMER, GDL_KEYUP}));
    // Freed records are used again: a full ring after many rounds still holds 100.
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < GDL_EVENT_SLOTS; ++i)
            ASSERT_EQ(GDL_postEvent(0, GDL_USEREVENT, static_cast<uintptr_t>(i), 0), 1);
        EXPECT_EQ(GDL_postEvent(0, GDL_USEREVENT, 0, 0), 0);
        std::vector<GDLEvent> got = Drain();
        ASSERT_EQ(got.size(), 100u);
        for (int i = 0; i < GDL_EVENT_SLOTS; ++i)
            EXPECT_EQ(got[static_cast<size_t>(i)].message, static_cast<uintptr_t>(i));
    }
}

TEST_F(EventRingRules, WindowMessagesMapToRecords) {
    struct Case {
        UINT message;
        WPARAM wParam;
        uint32_t what; // 0: not queued
        uintptr_t word;
        uintptr_t modifiers;
    } cases[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, GDL_MOUSEDOWN, 1, GDL_LEFTBUT | GDL_SHIFT},
        {WM_LBUTTONUP, MK_CONTROL, GDL_MOUSEUP, 1, GDL_CTRL},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, GDL_MOUSEDOWN, 1, GDL_LEFTBUT | GDL_DBLCLICK},
        {WM_RBUTTONDOWN, MK_RBUTTON | MK_LBUTTON, GDL_MOUSEDOWN, 4, GDL_RIGHTBUT | GDL_LEFTBUT},
        {WM_RBUTTONUP, 0, GDL_MOUSEUP, 4, 0},
        {WM_RBUTTONDBLCLK, MK_RBUTTON, GDL_MOUSEDOWN, 4, GDL_RIGHTBUT | GDL_DBLCLICK},
        {WM_MOUSEMOVE, MK_RBUTTON, GDL_MOUSEMOVE, 0, GDL_RIGHTBUT},
        {WM_TIMER, 1, GDL_TIMER, 0, 0},
        {WM_PAINT, 0, 0, 0, 0},
        {WM_QUERYENDSESSION, 0, 0, 0, 0}, // the engine's own pump maps this one
    };
    for (const Case& c : cases) {
        PostMessageA(window, c.message, c.wParam, 0);
        std::vector<GDLEvent> got = Drain();
        if (!c.what) {
            EXPECT_TRUE(got.empty()) << std::hex << c.message;
            continue;
        }
        ASSERT_EQ(got.size(), 1u) << std::hex << c.message;
        EXPECT_EQ(got[0].what, c.what) << std::hex << c.message;
        EXPECT_EQ(got[0].message, c.word) << std::hex << c.message;
        EXPECT_EQ(got[0].modifiers, c.modifiers) << std::hex << c.message;
        EXPECT_EQ(got[0].which, 0u);
    }
}

TEST_F(EventRingRules, MousePointsAreClientPixelsAndMovesCoalesceUntilTaken) {
    platform::InjectMouseMove(window, 5, 6);
    platform::InjectMouseMove(window, 15, 16);
    GDLEvent e;
    ASSERT_EQ(GDL_getEvent(&e, GDL_MOUSEMOVE), 1);
    EXPECT_EQ(e.x, 15); // client pixels of a window away from the origin
    EXPECT_EQ(e.y, 16);
    platform::InjectMouseMove(window, 25, 26);
    platform::InjectKey(platform::KeyCode::K, true);
    platform::InjectMouseMove(window, 35, 36);
    std::vector<GDLEvent> got = Drain();
    ASSERT_EQ(Whats(got), (WhatList{GDL_MOUSEMOVE, GDL_KEYDOWN, GDL_MOUSEMOVE}));
    EXPECT_EQ(got[0].x, 25);
    EXPECT_EQ(got[2].x, 35);
}

TEST_F(EventRingRules, TimerWithoutAWindowStopsAndIsReplaced) {
    GDL_initEvents(nullptr);
    EXPECT_EQ(GDL_setTimerTick(2), 0u); // 109 ms
    platform::ClockAdvance(109);
    EXPECT_EQ(Whats(Drain()), (WhatList{GDL_TIMER}));
    EXPECT_EQ(GDL_setTimerTick(1), 2u); // 54 ms, in place of the old timer
    for (int i = 0; i < 2; ++i) {
        platform::ClockAdvance(54);
        EXPECT_EQ(Whats(Drain()), (WhatList{GDL_TIMER}));
    }
    EXPECT_EQ(GDL_setTimerTick(0), 1u);
    platform::ClockAdvance(500);
    EXPECT_TRUE(Drain().empty());
}

} // namespace
