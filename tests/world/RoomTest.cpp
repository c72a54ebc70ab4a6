// The room's clicks, keys, element order and deferred removal, with the game
// as a recording stand-in.
#include "RoomFixture.h"

#include "TActor.h"
#include "TAnimObject.h"
#include "foundation/TKeys.h"

#include <functional>

namespace {

using roomtest::RoomTest;

class RoomClicks : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        MakeRoom();
        object = static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, "lamp", 0));
        ASSERT_NE(object, nullptr);
        object->scriptRef = 5;
    }

public:
    TAnimObject* object = nullptr;
};

TEST_F(RoomClicks, BusyRoomsSendNoEvent) {
    struct Case {
        const char* name;
        std::function<void(RoomClicks&)> makeBusy;
    };
    const Case cases[] = {
        {"fade lock", [](RoomClicks&) { InputLocked() = 1; }},
        {"blocked", [](RoomClicks& t) { t.room->SetBlocked(1); }},
        {"dialog", [](RoomClicks& t) { t.game.dialogRunning = true; }},
        {"inventory", [](RoomClicks& t) { t.game.inventoryVisible = true; }},
        {"end action", [](RoomClicks& t) { t.object->endAction = 9; }},
    };
    for (const Case& c : cases) {
        c.makeBusy(*this);
        game.log.clear();
        Release(*object, evLeftUp);
        Release(*object, evRightUp);
        Release(*room, evLeftUp, 400, 300);
        Release(*room, evRightUp, 400, 300);
        EXPECT_TRUE(game.log.empty()) << c.name << ": " << game.log.front();
        InputLocked() = 0;
        room->SetBlocked(0);
        game.dialogRunning = game.inventoryVisible = false;
        object->endAction = -1;
    }
    game.log.clear();
    Release(*object, evLeftUp);
    Release(*object, evRightUp);
    Release(*room, evRightUp);
    EXPECT_EQ(game.log,
              (std::vector<std::string>{"DoAction 5 -1", "DoExamine 5 -1", "DoRoomExamine -1 -1"}));
}

TEST_F(RoomClicks, HeldItemsPlayerActorAndElementsWithoutScript) {
    game.heldItem = 12;
    Release(*object, evLeftUp);
    EXPECT_EQ(game.log, (std::vector<std::string>{"DoUseItem 5 12", "Drop"}));

    game.log.clear();
    game.heldItem = 13;
    Release(*object, evRightUp);
    EXPECT_EQ(game.log, (std::vector<std::string>{"Drop", "DoExamine 5 -1"}));

    // The player's own actor opens the inventory, except actor number 6.
    for (int32_t number : {3, 6}) {
        auto* actor = static_cast<TActor*>(room->CreateElement(TRoomElement::tyActor, "a", 0));
        actor->number = number;
        actor->scriptRef = 20 + number;
        room->SetPlayerActor(number);
        game.log.clear();
        Release(*actor, evLeftUp);
        EXPECT_EQ(game.log,
                  (std::vector<std::string>{number == 6 ? "DoAction 26 -1" : "ShowInventory"}));
        room->RemoveElement(actor);
    }

    object->scriptRef = -1;
    game.log.clear();
    Release(*object, evLeftUp);
    Release(*object, evRightUp);
    EXPECT_TRUE(game.log.empty());
}

TEST_F(RoomClicks, BackgroundClickWalksThePlayerToThePickedNode) {
    // Without a player, and with a player but no node, DoRoomAction alone.
    Release(*room, evLeftUp, 400, 300);
    auto* actor = static_cast<TActor*>(room->CreateElement(TRoomElement::tyActor, "p", 0));
    actor->number = 1;
    actor->walkEndAction = 44;
    room->SetPlayerActor(1);
    Release(*room, evLeftUp, 400, 300);
    EXPECT_EQ(game.log, (std::vector<std::string>{"DoRoomAction -1 -1", "DoRoomAction -1 -1"}));
    EXPECT_EQ(actor->GetWalker(), nullptr);

    // A line in front of the camera (it looks along +z from (5, 1.7, 0)).
    room->GetWayGraph().AddLine({4.0f, 0.0f, 5.0f}, {6.0f, 0.0f, 5.0f});
    room->GetWayGraph().AddLine({6.0f, 0.0f, 5.0f}, {6.0f, 0.0f, 8.0f});
    actor->SetPosition({4.0f, 0.0f, 5.0f});
    Point3D far{6.0f, 0.0f, 8.0f};
    room->GetCamera().Transform(far);
    room->GetCamera().Project(far);
    game.log.clear();
    Release(*room, evLeftUp, int32_t(far.x), int32_t(far.y));
    ASSERT_NE(actor->GetWalker(), nullptr);
    const Point3D* end = actor->GetWalker()->LastPoint();
    EXPECT_EQ(end->z, 8.0f);
    EXPECT_EQ(actor->walkEndAction, -1);
    EXPECT_EQ(game.log, (std::vector<std::string>{"Unref 44", "DoRoomAction -1 -1"}));
}

TEST_F(RoomClicks, EveryKeyReachingTheParentIsConsumed) {
    for (uint16_t key : {kKeyF1, kKeyF2, uint16_t(0x1E61)}) {
        TEvent down;
        down.SetType(evKeyDown);
        down.data[0] = key;
        down.passState = 2;
        EXPECT_TRUE(root.Dispatch(nullptr, &down));
        EXPECT_EQ(down.passState, 4);
    }
    EXPECT_EQ(game.log, (std::vector<std::string>{"OpenGameMenu", "DoShow"}));
}

TEST_F(RoomTest, ElementsOrderFarToNearAndTiesByCreation) {
    MakeRoom();
    std::vector<TRoomElement*> e;
    for (int i = 0; i < 4; ++i)
        e.push_back(room->CreateElement(TRoomElement::tyZone, "z", 0));
    e[0]->SetPosition({5.0f, 0.0f, 9.0f});
    e[1]->SetPosition({5.0f, 0.0f, 3.0f});
    e[2]->SetPosition({5.0f, 0.0f, 6.0f});
    e[3]->SetPosition({5.0f, 0.0f, 6.00001f}); // ties with e[2]: the later first
    const std::vector<TRoomElement*> expected{e[0], e[3], e[2], e[1]};
    for (int run = 0; run < 2; ++run) {
        room->SortElements(1);
        std::vector<TRoomElement*> order;
        for (int32_t i = 0; i < room->ElementCount(); ++i)
            order.push_back(room->ElementAt(i));
        EXPECT_EQ(order, expected);
    }
    // The component z-order equals the vector: the nearest is in front.
    std::vector<TComp*> front;
    room->WalkChildren(true, [&](TComp* c) {
        if (dynamic_cast<TRoomElement*>(c) && c != &room->GetSky()) front.push_back(c);
        return false;
    });
    EXPECT_EQ(front, (std::vector<TComp*>{e[1], e[2], e[3], e[0]}));
}

TEST_F(RoomTest, RemovedElementsWaitForTheDeletionQueue) {
    MakeRoom();
    TRoomElement* zone = room->CreateElement(TRoomElement::tyZone, "z", 0);
    const TRef<TRoomElement> handle(zone);
    zone->scriptRef = 3;
    room->RemoveElement(zone);
    EXPECT_EQ(room->ElementCount(), 0);
    EXPECT_TRUE(IsQueuedForDeletion(zone));
    EXPECT_EQ(zone->scriptRef, -1);
    EXPECT_TRUE(room->HasElement(handle));
    room->EnterRoom("hall", nullptr);
    game.menuOpen = true;
    Tick(room->TickTimer());
    game.menuOpen = false;
    Tick(room->TickTimer());
    EXPECT_TRUE(room->HasElement(handle));
    DrainDeleteLater();
    EXPECT_FALSE(room->HasElement(handle));
    EXPECT_EQ(room->Ticks(), 1u);
    // Clearing twice is harmless.
    room->Clear();
    room->Clear();
}

TEST(WorldRandomTest, ClassicSequenceAndPauses) {
    WorldSeed(1);
    EXPECT_EQ(WorldRand(), 41);
    EXPECT_EQ(WorldRand(), 18467);
    EXPECT_EQ(WorldRand(), 6334);
    AnimEntry e;
    for (auto [min, max, expected] : {std::tuple{30, 30, 100}, {200, 200, 200}, {50, 50, 100}}) {
        e.pauseMin = min;
        e.pauseMax = max;
        EXPECT_EQ(RandomInterval(e), expected);
    }
    // Bounds far apart in both directions neither overflow nor go below 100.
    e.pauseMin = INT32_MIN;
    e.pauseMax = INT32_MAX;
    for (int i = 0; i < 100; ++i)
        EXPECT_GE(RandomInterval(e), 100);
    e.pauseMin = 1000;
    e.pauseMax = 1010;
    for (int i = 0; i < 100; ++i) {
        const int32_t p = RandomInterval(e);
        EXPECT_TRUE(p >= 1000 && p < 1010) << p;
    }
}

} // namespace
