// The room fade on virtual time: the modal loop's idle waits move the clock
// to each tick, and the fader steps the display's level on its timer.
#include "RoomFixture.h"

#include "TFadeForm.h"

#include "foundation/TEventMgr.h"
#include "ui/TWinApp.h"

namespace {

// Records the display level at every notification of the fader.
struct LevelProbe : TObject {
    int Record(TObject*, TEvent*) {
        levels.push_back(TDispDev::Global().GetAdjustLevel());
        return 0;
    }
    std::vector<int32_t> levels;
};

std::vector<int32_t> Range(int32_t from, int32_t to) {
    std::vector<int32_t> out;
    for (int32_t v = from; from <= to ? v <= to : v >= to; v += from <= to ? 1 : -1)
        out.push_back(v);
    return out;
}

using FadeTest = roomtest::RoomFadeFixture;

TEST_F(FadeTest, AFadeAppliesTheLevelsBetweenItsEndsButNotTheTarget) {
    for (auto [from, to] : {std::pair{256, 0}, std::pair{0, 256}}) {
        TFadeForm form;
        form.SetUp();
        LevelProbe probe;
        form.Fader().Add<LevelProbe, &LevelProbe::Record>(evNone, &probe);
        EXPECT_EQ(form.Run(from, to, 350.0f), 1);
        form.Close();
        const int32_t first = from > to ? from - 1 : from + 1;
        const int32_t last = from > to ? to + 1 : to - 1;
        EXPECT_EQ(probe.levels, Range(first, last)) << from << " to " << to;
        EXPECT_EQ(display.GetAdjustLevel(), last);
    }
}

TEST_F(FadeTest, RangeRateAndRestart) {
    TRoomFader fader;
    fader.SetRange(10, 20);
    fader.SetRange(600, 0);
    fader.SetRange(0, 600);
    EXPECT_EQ(fader.GetFrom(), 10);
    EXPECT_EQ(fader.GetTo(), 20);
    fader.SetRate(-5.0f);
    EXPECT_EQ(fader.GetRate(), 0.0f);
    fader.SetRate(250.0f);
    EXPECT_EQ(fader.Timer().GetInterval(), 4.0f);
    fader.Start();
    EXPECT_EQ(display.GetAdjustLevel(), 10);
    display.SetAdjustLevel(15);
    fader.Start(); // already running: nothing happens
    EXPECT_EQ(display.GetAdjustLevel(), 15);
    fader.Detach();
    EXPECT_FALSE(fader.IsRunning());
}

TEST_F(FadeTest, FadeOutLocksInputUntilTheFadeInEndsAtFullLevel) {
    MakeRoom();
    room->EnterRoom("hall", nullptr);
    TRoomElement* zone = room->CreateElement(TRoomElement::tyZone, "z", 0);
    zone->scriptRef = 4;
    room->FadeRoom(0);
    EXPECT_EQ(InputLocked(), 1);
    EXPECT_EQ(display.GetAdjustLevel(), 1);
    Release(*zone, evLeftUp);
    Tick(room->SecondTimer(), 1001);
    EXPECT_TRUE(game.log.empty());
    room->FadeRoom(1);
    EXPECT_EQ(InputLocked(), 0);
    EXPECT_EQ(display.GetAdjustLevel(), 256);
    Release(*zone, evLeftUp);
    EXPECT_EQ(game.log, (std::vector<std::string>{"DoAction 4 -1"}));
}

TEST_F(FadeTest, WithoutAnApplicationTheFadeRunsAtOnce) {
    MakeRoom();
    TGraphic::SetApplication(nullptr);
    room->FadeRoom(0);
    EXPECT_EQ(display.GetAdjustLevel(), 1);
    room->FadeRoom(1);
    EXPECT_EQ(display.GetAdjustLevel(), 256);
    EXPECT_EQ(InputLocked(), 0);
}

} // namespace
