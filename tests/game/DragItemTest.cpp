// The picture of the held item: parked off the screen when taken, centred on
// the pointer by its moves, highlighted while room elements take it, and
// dropped by a right button press.
#include "GameTestFixture.h"

#include "DragItem.h"
#include "InventorySlot.h"
#include "TInventoryView.h"

#include "GameServices.h"

#include "foundation/TEvent.h"
#include "media/devices/TDispDev.h"

namespace gametest {
namespace {

TEvent Pointer(int32_t type, int32_t x, int32_t y) {
    TEvent event;
    event.SetType(type);
    event.record.x = x;
    event.record.y = y;
    return event;
}

TRectArea Bounds(DragItem& item) {
    TRectArea bounds;
    item.GetBounds(bounds);
    return bounds;
}

TEST_F(GameTest, TheDraggedItemIsParkedThenCentredOnThePointer) {
    Start();
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'key', 5, 1)"));
    GameWorld& world = *App().World();
    DragItem& item = world.Dragged();
    ASSERT_EQ(item.Item(), world.InventoryView().SlotAt(0));
    EXPECT_EQ(item.GetParent(), &world);
    // Off the screen: nothing of it is left of or above the origin.
    RunTicks(1);
    TRectArea parked = Bounds(item);
    EXPECT_LE(parked.right, 0);
    EXPECT_LE(parked.bottom, 0);
    // The picture is 44 x 40; the event is in screen coordinates.
    const TPoint origin = item.ScreenToParent(TPoint(0, 0));
    TEvent move = Pointer(evMouseMove, 300, 200);
    item.HandleEvent(&world, &move);
    TRectArea at = Bounds(item);
    EXPECT_EQ(at.left, origin.x + 278);
    EXPECT_EQ(at.top, origin.y + 180);
    EXPECT_EQ(at.right - at.left, 44);
    // Half of an odd width is truncated.
    item.SetAutoSize(0);
    item.SetRect(0, 0, 45, 41);
    item.Follow(&move);
    at = Bounds(item);
    EXPECT_EQ(at.left, origin.x + 278);
    EXPECT_EQ(at.top, origin.y + 180);
    TEvent right = Pointer(evRightDown, 300, 200);
    item.HandleEvent(&world, &right);
    EXPECT_EQ(world.HeldRecord(), nullptr);
    EXPECT_EQ(item.GetParent(), nullptr);
    Stop();
}

TEST_F(GameTest, TheHoldCountIsNotClampedAndOnlyAPositiveOneHighlights) {
    Start();
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'key', 5, 1)"));
    DragItem& item = App().World()->Dragged();
    struct Step {
        bool enter;
        int32_t count;
        int32_t index;
    } steps[] = {{true, 1, 1},  {true, 2, 1},   {false, 1, 1},
                 {false, 0, 0}, {false, -1, 0}, {true, 0, 0}};
    for (const Step& step : steps) {
        Game().HoldDragItem(step.enter);
        EXPECT_EQ(item.HoldCount(), step.count);
        EXPECT_EQ(item.GetIndex(), step.index);
    }
    // Dropping keeps the count; the next take starts again from none.
    Game().HoldDragItem(true);
    Game().DropHeldItem();
    EXPECT_EQ(item.HoldCount(), 1);
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'lamp', 6, 1)"));
    EXPECT_EQ(item.HoldCount(), 0);
    EXPECT_EQ(item.GetSubIndex(), 6);
    Stop();
}

// Through the running game's loop: the window's pointer moves reach the
// picture, and a right button press drops the item.
TEST_F(GameTest, ThePointerOfTheRunningGameMovesAndDropsTheHeldItem) {
    Start();
    GameWorld& world = *App().World();
    HWND window = TDispDev::Global().GetWindow();
    TRectArea screen;
    const auto move = [&](int x, int y) {
        world.GetScreenRect(screen);
        platform::InjectMouseMove(window, screen.left + x, screen.top + y);
        RunTicks(1);
    };
    // The pointer shows once it has come into the window; the world has
    // its place on the screen after the first frame.
    move(400, 300);
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'key', 5, 1)"));
    move(300, 200);
    TRectArea at = Bounds(world.Dragged());
    EXPECT_EQ(at.left, 278);
    EXPECT_EQ(at.top, 180);
    platform::InjectMouseButton(window, platform::MouseButton::Right, true, screen.left + 300,
                                screen.top + 200);
    platform::InjectMouseButton(window, platform::MouseButton::Right, false, screen.left + 300,
                                screen.top + 200);
    RunTicks(1);
    EXPECT_EQ(world.HeldRecord(), nullptr);
    Stop();
}

} // namespace
} // namespace gametest
