// The inventory's records as the scripts keep them: thirty slots filled
// from the front, removal by id with the later slots moving down, the
// record at the pointer, and the window shown and hidden.
#include "GameTestFixture.h"

#include "InventorySlot.h"
#include "TInventoryView.h"

#include "GameServices.h"
#include "TRoom.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TEvent.h"

#include <set>
#include <string>

namespace gametest {
namespace {

// The ids of the slots, "-" for an empty one.
std::string Ids(const TInventoryView& view) {
    std::string ids;
    for (int32_t i = 0; i < view.SlotCount(); ++i) {
        const InventorySlot* record = view.SlotAt(i);
        ids += (record ? std::to_string(record->id) : "-") + " ";
    }
    return ids;
}

// Adds items with the ids first..last, each with a table of its own.
std::string AddItems(int first, int last, const char* take = "") {
    return "local i = " + std::to_string(first) + " while i <= " + std::to_string(last) +
           " do Engine.AddInventoryItem({id = i}, 'pic' .. i, i" + take + ") i = i + 1 end\n";
}

TEST_F(GameTest, TheInventoryHasThirtySlotsFilledFromTheFront) {
    Start();
    TInventoryView* view = TInventoryView::Instance();
    ASSERT_EQ(view, &App().World()->InventoryView());
    ASSERT_EQ(view->SlotCount(), 30);
    // nil adds nothing; an absent item adds a record without a script object.
    ASSERT_TRUE(Run("Engine.AddInventoryItem(nil, 'none', 99) Engine.AddInventoryItem()"));
    ASSERT_NE(view->SlotAt(0), nullptr);
    EXPECT_EQ(view->SlotAt(0)->id, 0);
    EXPECT_EQ(view->SlotAt(0)->scriptRef, -1);
    EXPECT_EQ(view->SlotAt(1), nullptr);
    ASSERT_TRUE(Run("Engine.RemInventoryItem(0)\n" + AddItems(1, 31)));
    std::string all;
    for (int i = 1; i <= 30; ++i)
        all += std::to_string(i) + " ";
    // The 31st is not added.
    EXPECT_EQ(Ids(*view), all);
    EXPECT_STREQ(view->SlotAt(4)->picture.c_str(), "pic5");
    EXPECT_NE(view->SlotAt(4)->scriptRef, -1);
    EXPECT_EQ(view->SlotCount(), 30);
    Stop();
}

TEST_F(GameTest, RemovingAnItemMovesTheLaterSlotsDown) {
    Start();
    TInventoryView& view = *TInventoryView::Instance();
    ASSERT_TRUE(Run(AddItems(1, 30) + "Engine.AddInventoryItem({}, 'again', 7, nil)"));
    ASSERT_TRUE(Run("Engine.RemInventoryItem(7) Engine.RemInventoryItem(42)"));
    std::string expected;
    for (int i = 1; i <= 30; ++i)
        if (i != 7) expected += std::to_string(i) + " ";
    EXPECT_EQ(Ids(view), expected + "- ");
    std::set<const InventorySlot*> records;
    for (int32_t i = 0; i < view.SlotCount(); ++i)
        if (view.SlotAt(i)) {
            EXPECT_TRUE(records.insert(view.SlotAt(i)).second) << i;
        }
    // The freed slot takes the next item; only the first record of an id goes.
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'b', 2) Engine.RemInventoryItem(2)"));
    EXPECT_EQ(Ids(view).substr(0, 6), "1 3 4 ");
    EXPECT_EQ(view.SlotAt(28)->id, 2);
    Stop();
}

// The fourth argument takes the new record to the pointer when nothing is
// held; removing the held record drops it first.
TEST_F(GameTest, TakingAndRemovingTheHeldItem) {
    Start();
    GameWorld& world = *App().World();
    int32_t held = -1;
    ASSERT_TRUE(Run("Key = {} Engine.AddInventoryItem(Key, 'key', 5, 0)"));
    EXPECT_FALSE(Game().GetHeldItem(&held));
    ASSERT_TRUE(Run("Lamp = {} Engine.AddInventoryItem(Lamp, 'lamp', 6, 1)"
                    "Engine.AddInventoryItem({}, 'rope', 8, 1)"));
    ASSERT_TRUE(Game().GetHeldItem(&held));
    const InventorySlot* lamp = TInventoryView::Instance()->SlotAt(1);
    ASSERT_NE(lamp, nullptr);
    EXPECT_EQ(world.HeldRecord(), lamp);
    EXPECT_EQ(held, lamp->scriptRef);
    ASSERT_TRUE(Run("Engine.RemInventoryItem(6)"));
    EXPECT_FALSE(Game().GetHeldItem(&held));
    EXPECT_EQ(world.HeldRecord(), nullptr);
    // A full inventory takes nothing to the pointer either.
    ASSERT_TRUE(Run(AddItems(10, 40, ", 1")));
    EXPECT_EQ(world.HeldRecord(), TInventoryView::Instance()->SlotAt(2));
    Game().DropHeldItem();
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'late', 99, 1)"));
    EXPECT_FALSE(Game().GetHeldItem(nullptr));
    Stop();
}

TEST_F(GameTest, InventoryShowAndHideAndTheWorldsExit) {
    Start();
    GameWorld& world = *App().World();
    TInventoryView& view = world.InventoryView();
    EXPECT_FALSE(view.IsVisible());
    ASSERT_TRUE(Run("Engine.InventoryShow()"));
    EXPECT_TRUE(view.IsVisible());
    EXPECT_TRUE(world.RoomView().IsBusy());
    ASSERT_TRUE(Run("Engine.InventoryHide()"));
    EXPECT_FALSE(view.IsVisible());
    EXPECT_FALSE(world.RoomView().IsBusy());
    // A left press outside the shown window hides it; a right one, or a
    // left one inside it, goes on to the panel.
    auto send = [&](int32_t type, int32_t x, int32_t y) {
        TEvent event;
        event.SetType(type);
        event.record.x = x;
        event.record.y = y;
        view.HandleEvent(&world, &event);
    };
    ASSERT_TRUE(Run("Engine.InventoryShow()"));
    send(evRightDown, 10, 10);
    send(evLeftDown, 100, 200);
    EXPECT_TRUE(view.IsVisible());
    send(evLeftDown, 10, 10);
    EXPECT_FALSE(view.IsVisible());
    EXPECT_FALSE(world.RoomView().IsBusy());
    // The exit destroys every record and leaves no slots at all.
    ASSERT_TRUE(Run(AddItems(1, 3) + "Engine.AddInventoryItem({}, 'x', 4, 1)"));
    App().DestroyWorld();
    EXPECT_EQ(view.SlotCount(), 0);
    EXPECT_EQ(world.HeldRecord(), nullptr);
    DrainDeleteLater();
    EXPECT_EQ(TInventoryView::Instance(), nullptr);
    Stop();
}

} // namespace
} // namespace gametest
