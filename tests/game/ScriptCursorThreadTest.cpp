// A world whose script cursor the cursor device shows, as its normal and
// its override shape, goes while the cursor thread runs: the device is left
// with the arrow, and the thread never meets a deleted shape (run under the
// address and the thread sanitizer).
#include "GameTestFixture.h"

#include "foundation/TDeleteQueue.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TCursorRes.h"

namespace gametest {
namespace {

TEST_F(GameTest, AWorldGoingWhileItsCursorIsShownLeavesTheArrow) {
    Start();
    TCursDev& device = TCursDev::Global();
    device.SetMTCursor(1);
    ASSERT_TRUE(Run("Cursor.Create('curHand', 2, 2) Engine.SetRoomCursor('curHand')"
                    "Engine.SetLayerCursor(PlayerHandle, 'curHand')"));
    TMetaCur* hand = App().World()->Cursors().Find("curHand");
    ASSERT_NE(hand, nullptr);
    RunTicks(2);
    device.Update();
    EXPECT_TRUE(device.ThreadRunning());
    // Retired, the world waits for its deletion while the device still
    // shows its cursor.
    App().DestroyWorld();
    device.SetCursorRes(hand, 0);
    device.SetCursorRes(hand, 1);
    device.Poll();
    DrainDeleteLater();
    TMetaCur* arrow = Resources().Cursor("curArrow");
    EXPECT_EQ(device.GetCursorRes(0), arrow);
    EXPECT_EQ(device.GetCursorRes(1), arrow);
    device.Poll();
    RunTicks(2);
    device.SetMTCursor(0);
    Stop();
}

} // namespace
} // namespace gametest
