// The library's event ring over the platform's message queue, on virtual time
// and the memory host.
#include "gdl/event.h"

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/User.h"

#include "HeadlessWindow.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::KeyCode;

class EventRing : public ::testing::Test {
protected:
    void SetUp() override {
        // A popup at the desktop's origin: client and screen points agree.
        window = testsupport::OpenHeadlessWindow("RingTest", 1000, 0, 0, 1280, 1024);
        ASSERT_NE(window, nullptr);
        GDL_initEvents(window);
        GDL_setEventScale(0, 0, 0, 0);
        GDL_flushEvents(0xFFFF); // the window's own start-up messages
    }
    void TearDown() override {
        GDL_setTimerTick(0);
        GDL_setEventScale(0, 0, 0, 0);
        GDL_initEvents(nullptr);
        platform::ClockUseVirtual(false);
    }
    std::vector<GDLEvent> Drain(uint32_t mask = 0xFFFF) {
        std::vector<GDLEvent> out;
        GDLEvent e;
        while (GDL_getEvent(&e, mask))
            out.push_back(e);
        return out;
    }
    HWND window = nullptr;
};

TEST_F(EventRing, KeyCodesComeFromTheCharacters) {
    platform::InjectKey(KeyCode::A, true);
    platform::InjectKey(KeyCode::A, true, true);
    platform::InjectKey(KeyCode::A, false);
    std::vector<GDLEvent> got = Drain();
    ASSERT_EQ(got.size(), 3u);
    const uintptr_t code = 0x1E * 256 + 'a'; // scan code of A, then its character
    EXPECT_EQ(got[0].what, GDL_KEYDOWN);
    EXPECT_EQ(got[0].message, code);
    EXPECT_EQ(got[1].what, GDL_KEYREPEAT);
    EXPECT_EQ(got[1].message, code + (1u << 16)); // repeat count 1 in the upper half
    EXPECT_EQ(got[2].what, GDL_KEYUP);
    EXPECT_EQ(got[2].message, code); // the key-up repeats the key-down's character
    EXPECT_EQ(got[0].which, 0u);
}

TEST_F(EventRing, TheHundredAndFirstRecordIsDropped) {
    for (int i = 0; i < 60; ++i) {
        platform::InjectKey(KeyCode::B, true);
        platform::InjectKey(KeyCode::B, false);
    }
    GDL_pumpEvents();
    EXPECT_EQ(GDL_eventCount(), GDL_EVENT_SLOTS);
    EXPECT_EQ(GDL_postEvent(7, GDL_USEREVENT, 1, 2), 0);
    EXPECT_EQ(Drain().size(), 100u);
    EXPECT_EQ(GDL_postEvent(7, GDL_USEREVENT, 1, 2), 1);
    std::vector<GDLEvent> got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].which, 7u);
    EXPECT_EQ(got[0].when, platform::ClockNow());
}

TEST_F(EventRing, MovesCoalesceAndButtonsCarryTheirState) {
    platform::InjectMouseMove(window, 10, 10);
    platform::InjectMouseMove(window, 20, 30);
    platform::InjectMouseMove(window, 40, 50);
    platform::InjectMouseButton(window, platform::MouseButton::Left, true, 40, 50);
    platform::InjectMouseMove(window, 41, 51);
    std::vector<GDLEvent> got = Drain();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].what, GDL_MOUSEMOVE);
    EXPECT_EQ(got[0].x, 40);
    EXPECT_EQ(got[0].y, 50);
    EXPECT_EQ(got[1].what, GDL_MOUSEDOWN);
    EXPECT_EQ(got[1].message, 1u);
    EXPECT_EQ(got[1].modifiers, GDL_LEFTBUT);
    EXPECT_EQ(got[2].what, GDL_MOUSEMOVE);
    EXPECT_EQ(got[2].modifiers, GDL_LEFTBUT);
}

TEST_F(EventRing, FullScreenScalesFromTheDesktop) {
    GDL_setEventScale(1280, 1024, 640, 480);
    platform::InjectMouseMove(window, 1279, 1023);
    std::vector<GDLEvent> got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].x, 639);
    EXPECT_EQ(got[0].y, 479);
}

TEST_F(EventRing, TimerTicksAreWholeMilliseconds) {
    EXPECT_EQ(GDL_setTimerTick(18), 0u); // 18 x 54.925 = 988.65: a 988 ms timer
    platform::ClockAdvance(987);
    EXPECT_TRUE(Drain().empty());
    platform::ClockAdvance(1);
    std::vector<GDLEvent> got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].what, GDL_TIMER);
    EXPECT_EQ(GDL_setTimerTick(0), 18u);
}

TEST_F(EventRing, FlushingMouseRecordsKeepsTheRest) {
    GDL_setTimerTick(1);
    platform::InjectKey(KeyCode::C, true);
    platform::InjectMouseMove(window, 5, 5);
    platform::ClockAdvance(60);
    platform::InjectMouseButton(window, platform::MouseButton::Right, true, 5, 5);
    GDL_flushEvents(0x38);
    std::vector<GDLEvent> got = Drain();
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0].what, GDL_KEYDOWN);
    for (const GDLEvent& e : got)
        EXPECT_FALSE(e.what & 0x38);
    EXPECT_EQ(got[1].what, GDL_TIMER);
}

} // namespace
