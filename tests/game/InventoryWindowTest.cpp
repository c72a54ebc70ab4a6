// The inventory window on the screen: its slot controls, the held item's
// slots hidden, and what a click on a slot hands to the scripts and to the
// pointer.
#include "GameTestFixture.h"

#include "InventorySlot.h"
#include "TInventoryView.h"

#include "GameServices.h"

#include "foundation/TEvent.h"

#include <string>
#include <vector>

namespace gametest {
namespace {

class InventoryWindowTest : public GameTest {
protected:
    // The game with the items Key (id 1), Lamp (2) and a second lamp (2).
    void StartWithItems() {
        Start();
        ASSERT_TRUE(Run("Key = {} Lamp = {} Lamp2 = {}"
                        "Engine.AddInventoryItem(Key, 'key', 1)"
                        "Engine.AddInventoryItem(Lamp, 'lamp', 2)"
                        "Engine.AddInventoryItem(Lamp2, 'lamp', 2)"));
        // As the click on the player's own actor asks for it.
        Game().ShowInventory();
        ASSERT_TRUE(Game().InventoryVisible());
    }
    static TInventoryView& View() { return App().World()->InventoryView(); }
    // A click on slot `slot` as its control reports it.
    static void Click(int32_t slot) {
        TEvent command;
        command.SetType(evCommand);
        TListForm& control = View().SlotControl(slot);
        control.Dispatch(&control, &command);
    }
    // Which of the first `count` slot controls are visible, "x" or "-" each.
    static std::string Shown(int32_t count = 4) {
        std::string shown;
        for (int32_t i = 0; i < count; ++i)
            shown += View().SlotControl(i).IsVisible() ? "x" : "-";
        return shown;
    }
};

TEST_F(InventoryWindowTest, SlotsAreLaidOutInSixColumnsAndShowTheirItems) {
    StartWithItems();
    TRectArea bounds;
    View().SlotControl(7).GetBounds(bounds);
    EXPECT_EQ(bounds.left, 338);
    EXPECT_EQ(bounds.top, 88);
    EXPECT_EQ(bounds.right - bounds.left, 54);
    View().SlotControl(29).GetBounds(bounds);
    EXPECT_EQ(bounds.left, 570);
    EXPECT_EQ(bounds.top, 262);
    EXPECT_EQ(Shown(), "xxx-");
    TListForm& key = View().SlotControl(0);
    EXPECT_STREQ(key.GetHint().c_str(), "A key");
    const TStyleRec normal = key.GetStyleRecords().GetRecord(1);
    const TStyleRec lit = key.GetStyleRecords().GetRecord(4);
    EXPECT_NE(normal.source, nullptr);
    EXPECT_EQ(normal.variant, 1);
    EXPECT_EQ(normal.index, 0);
    EXPECT_EQ(lit.index, 1);
    Stop();
}

// Every slot of the held item's id is hidden while it is held.
TEST_F(InventoryWindowTest, TheHeldItemsSlotsAreHiddenUntilItIsDropped) {
    StartWithItems();
    Click(1);
    GameWorld& world = *App().World();
    ASSERT_EQ(world.HeldRecord(), View().SlotAt(1));
    EXPECT_EQ(Shown(), "x---");
    world.DropHeldItem();
    EXPECT_EQ(Shown(), "xxx-");
    EXPECT_EQ(world.HeldRecord(), nullptr);
    Stop();
}

TEST_F(InventoryWindowTest, AClickWithAnItemHeldUsesItAndAlwaysDropsIt) {
    StartWithItems();
    ASSERT_TRUE(Run("function Game.DoUseItem(a, b)"
                    "  Error(tostring(a == Key) .. ' ' .. tostring(b == Lamp))"
                    "  Engine.AddInventoryItem({}, 'late', 3)"
                    "  return 1 end"));
    Click(1);
    Click(0);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"1 1"});
    // The held item is dropped although the handler answered; the item it
    // added shows.
    EXPECT_EQ(App().World()->HeldRecord(), nullptr);
    EXPECT_EQ(Shown(), "xxxx");
    // A click on the held item's own slot only drops it.
    App().World()->TakeItem(View().SlotAt(0));
    Click(0);
    EXPECT_EQ(App().World()->HeldRecord(), nullptr);
    EXPECT_EQ(Boxes().size(), 1u);
    Stop();
}

// What the script's DoItemAction answers decides whether the item goes to
// the pointer; one that removes the item leaves nothing to take.
TEST_F(InventoryWindowTest, DoItemActionDecidesWhatGoesToThePointer) {
    struct Case {
        const char* handler;
        bool taken;
    } cases[] = {
        {"Game.DoItemAction = nil", true},
        {"function Game.DoItemAction(i) end", true},
        {"function Game.DoItemAction(i) return 1 end", false},
        {"function Game.DoItemAction(i) Engine.RemInventoryItem(1) end", false},
        {"function Game.DoItemAction(i) Engine.RemInventoryItem(1)"
         " Engine.AddInventoryItem({}, 'again', 1) end",
         false},
    };
    StartWithItems();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handler);
        ASSERT_TRUE(Run(std::string(c.handler) +
                        " Engine.RemInventoryItem(1) Engine.AddInventoryItem(Key, 'key', 1)"));
        const int32_t slot = View().Find(1);
        InventorySlot* record = View().SlotAt(slot);
        Click(slot);
        GameWorld& world = *App().World();
        EXPECT_EQ(world.HeldRecord() != nullptr, c.taken);
        if (c.taken) {
            EXPECT_EQ(world.HeldRecord(), record);
        }
        world.DropHeldItem();
    }
    Stop();
}

TEST_F(InventoryWindowTest, ClearDropsTheHeldItemBeforeTheRecordsGo) {
    StartWithItems();
    Click(0);
    ASSERT_NE(App().World()->HeldRecord(), nullptr);
    View().Clear();
    EXPECT_EQ(App().World()->HeldRecord(), nullptr);
    EXPECT_EQ(View().SlotCount(), 0);
    EXPECT_EQ(View().GetParent(), nullptr);
    Stop();
}

} // namespace
} // namespace gametest
