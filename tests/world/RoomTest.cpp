// The room's clicks, keys, element order and deferred removal, with the game
// as a recording stand-in.

#include "CheckBytes.h"
#include "RlaMemoryStream.h"
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

// The room checked against its rules: clicks against every busy condition,
// the player's actor, held items, background walks, keys, far-to-near order
// with ties, deferred removal, the clocks, the element base and zones, and the
// world's random generator.
namespace {

using roomtest::RoomTest;
using Lines = std::vector<std::string>;

// A frame of w x h pixels of one colour, with the columns [holeFrom, holeTo)
// transparent on every row.
check::Grid Block(int32_t w, int32_t h, int32_t colour, int32_t holeFrom = 0, int32_t holeTo = 0) {
    check::Grid g{w, h, std::vector<int32_t>(size_t(w) * h, colour)};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = holeFrom; x < holeTo; ++x)
            g.px[size_t(y) * w + x] = -1;
    return g;
}

class RoomCheck : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        MakeRoom();
    }
    TAnimObject* Object(const char* name, int32_t ref) {
        auto* o = static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, name, 0));
        if (o) o->scriptRef = ref;
        return o;
    }
    TActor* Actor(int32_t number, int32_t ref) {
        auto* a = static_cast<TActor*>(room->CreateElement(TRoomElement::tyActor, "act", 0));
        a->number = number;
        a->scriptRef = ref;
        return a;
    }
    // The elements of the room's z-order, back to front.
    std::vector<TComp*> ZOrder() {
        std::vector<TComp*> out;
        room->WalkChildren(false, [&](TComp* c) {
            for (int32_t i = 0; i < room->ElementCount(); ++i)
                if (room->ElementAt(i) == c) out.push_back(c);
            return false;
        });
        return out;
    }
    // Four clicks: left and right on the element, left and right on the room.
    void AllClicks(TComp& element) {
        Release(element, evLeftUp);
        Release(element, evRightUp);
        Release(*room, evLeftUp, 10, 10);
        Release(*room, evRightUp, 10, 10);
    }
    // The screen point of a world point through the room's camera.
    TPoint OnScreen(Point3D p) {
        room->GetCamera().Transform(p);
        room->GetCamera().Project(p);
        return TPoint(int32_t(p.x), int32_t(p.y));
    }
};

TEST_F(RoomCheck, EveryBusyConditionSilencesEveryClickAndEachIsCheckedAlone) {
    TAnimObject* object = Object("lamp", 5);
    TAnimObject* other = Object("door", 6);
    struct Case {
        const char* name;
        std::function<void()> on, off;
    };
    const Case cases[] = {
        {"fade lock", [] { InputLocked() = 1; }, [] { InputLocked() = 0; }},
        {"blocked", [&] { room->SetBlocked(1); }, [&] { room->SetBlocked(0); }},
        {"dialog", [&] { game.dialogRunning = true; }, [&] { game.dialogRunning = false; }},
        {"inventory", [&] { game.inventoryVisible = true; },
         [&] { game.inventoryVisible = false; }},
        // Any object of the room holding an end action, not only the clicked one.
        {"other's end action", [&] { other->endAction = 40; }, [&] { other->endAction = -1; }},
    };
    for (const Case& c : cases) {
        c.on();
        EXPECT_TRUE(room->IsBusy()) << c.name;
        game.log.clear();
        AllClicks(*object);
        EXPECT_TRUE(game.log.empty()) << c.name;
        c.off();
        EXPECT_FALSE(room->IsBusy()) << c.name;
        game.log.clear();
        AllClicks(*object);
        EXPECT_EQ(game.log, (Lines{"DoAction 5 -1", "DoExamine 5 -1", "DoRoomAction -1 -1",
                                   "DoRoomExamine -1 -1"}))
            << c.name;
    }
}

TEST_F(RoomCheck, ClicksOnElementsWithItemsActorsAndWithoutScript) {
    TAnimObject* object = Object("lamp", 5);
    TActor* player = Actor(3, 30);
    TActor* six = Actor(6, 60);
    TActor* stranger = Actor(4, 40);
    struct Case {
        const char* name;
        TComp* target;
        int32_t type;
        int32_t held;
        int32_t player;
        Lines expected;
    };
    const Case cases[] = {
        {"use item", object, evLeftUp, 12, -1, {"DoUseItem 5 12", "Drop"}},
        {"examine drops", object, evRightUp, 13, -1, {"Drop", "DoExamine 5 -1"}},
        {"own actor", player, evLeftUp, -1, 3, {"ShowInventory"}},
        {"own actor examined", player, evRightUp, -1, 3, {"DoExamine 30 -1"}},
        {"item on own actor", player, evLeftUp, 14, 3, {"DoUseItem 30 14", "Drop"}},
        {"player number 6", six, evLeftUp, -1, 6, {"DoAction 60 -1"}},
        {"other actor", stranger, evLeftUp, -1, 3, {"DoAction 40 -1"}},
    };
    for (const Case& c : cases) {
        game.log.clear();
        game.heldItem = c.held;
        room->SetPlayerActor(c.player);
        Release(*c.target, c.type);
        EXPECT_EQ(game.log, c.expected) << c.name;
    }
    // No script behind the element: nothing at all, not even a drop.
    object->scriptRef = -1;
    game.heldItem = 15;
    game.log.clear();
    Release(*object, evLeftUp);
    Release(*object, evRightUp);
    EXPECT_TRUE(game.log.empty());
}

TEST_F(RoomCheck, BackgroundClickWalksThePlayerToTheNearestNodeThenSendsRoomAction) {
    room->EnterRoom("yard", nullptr);
    TActor* player = Actor(3, 30);
    player->SetPosition({3.0f, 0.0f, 5.0f});
    room->GetWayGraph().AddLine({3.0f, 0.0f, 5.0f}, {7.0f, 0.0f, 5.0f});
    room->GetWayGraphView().SetGraph(&room->GetWayGraph());
    player->walkEndAction = 77;

    // No player set: only the room event.
    const TPoint far = OnScreen({7.0f, 0.0f, 5.0f});
    Release(*room, evLeftUp, far.x, far.y);
    EXPECT_EQ(game.log, (Lines{"DoRoomAction -1 -1"}));
    EXPECT_EQ(player->GetWalker(), nullptr);

    room->SetPlayerActor(3);
    game.log.clear();
    Release(*room, evLeftUp, far.x + 3, far.y - 2);
    ASSERT_NE(player->GetWalker(), nullptr);
    const Point3D* end = player->GetWalker()->LastPoint();
    EXPECT_EQ(end->x, 7.0f);
    EXPECT_EQ(player->GetState(), TActor::asWalking);
    // The old walk end action is released, never called.
    EXPECT_EQ(game.log, (Lines{"Unref 77", "DoRoomAction -1 -1"}));
    EXPECT_EQ(player->walkEndAction, -1);

    // A player number with no such actor, or a graph without nodes.
    player->CancelWalk(1);
    for (int32_t number : {9, 3}) {
        if (number == 3) room->GetWayGraph().Reset();
        room->SetPlayerActor(number);
        game.log.clear();
        Release(*room, evLeftUp, far.x, far.y);
        EXPECT_EQ(game.log, (Lines{"DoRoomAction -1 -1"})) << number;
        EXPECT_EQ(player->GetWalker(), nullptr) << number;
    }
}

TEST_F(RoomCheck, EveryKeyReachingTheParentIsConsumed) {
    struct Case {
        uint16_t key;
        Lines expected;
    };
    const Case cases[] = {
        {kKeyF1, {"OpenGameMenu"}}, {kKeyF2, {"DoShow"}}, {kKeyEnter, {}}, {kKeySpace, {}}};
    for (const Case& c : cases) {
        game.log.clear();
        TEvent key;
        key.SetType(evKeyDown);
        key.data[0] = c.key;
        key.passState = 2;
        root.Dispatch(nullptr, &key);
        EXPECT_EQ(game.log, c.expected) << std::hex << c.key;
        EXPECT_EQ(key.passState, 4) << std::hex << c.key;
    }
    // The handler itself: a null event is not taken.
    EXPECT_EQ(room->OnKey(nullptr, nullptr), 0);
}

TEST_F(RoomCheck, ElementsDrawFarToNearWithTiesByCreationLaterFirst) {
    // The camera looks along +z: a larger z is farther away.
    TAnimObject* a = Object("a", 1);
    TAnimObject* b = Object("b", 2);
    TAnimObject* c = Object("c", 3);
    a->SetPosition({5.0f, 0.0f, 4.0f});
    b->SetPosition({5.0f, 0.0f, 9.0f});
    c->SetPosition({5.0f, 0.0f, 6.0f});
    const std::vector<TComp*> expected{b, c, a};
    ASSERT_EQ(room->ElementCount(), 3);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(room->ElementAt(i), expected[size_t(i)]) << i;
    EXPECT_EQ(ZOrder(), expected);

    // Equal depths (and depths closer than 0.0001): the later element first,
    // whatever order the moves come in.
    for (float dz : {0.0f, 0.00005f}) {
        a->SetPosition({1.0f, 0.0f, 7.0f});
        c->SetPosition({9.0f, 0.0f, 7.0f + dz});
        b->SetPosition({5.0f, 0.0f, 7.0f - dz});
        const std::vector<TComp*> tie{c, b, a};
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_EQ(room->ElementAt(i), tie[size_t(i)]) << dz << " " << i;
        EXPECT_EQ(ZOrder(), tie) << dz;
    }
    // A depth word does not order the room; a nearer move does.
    b->SetDepth(1000);
    EXPECT_EQ(room->ElementAt(1), b);
    c->SetPosition({9.0f, 0.0f, 2.0f});
    EXPECT_EQ(room->ElementAt(2), c);
    EXPECT_EQ(ZOrder().back(), c);
}

// A removed element is hidden at once and deleted by the deletion queue,
// whatever the room's ticks do meanwhile.
TEST_F(RoomCheck, RemovalIsDeferredToTheDeletionQueue) {
    room->EnterRoom("yard", nullptr);
    TAnimObject* a = Object("a", 8);
    const TRef<TRoomElement> handle(a);
    Object("b", 9);
    room->RemoveElement(a);
    EXPECT_EQ(room->ElementCount(), 1);
    EXPECT_TRUE(IsQueuedForDeletion(a));
    EXPECT_FALSE(a->IsVisible());
    EXPECT_EQ(game.Lines("Unref"), (Lines{"Unref 8"}));
    EXPECT_TRUE(room->HasElement(handle));

    // Ticks, skipped or not, leave it to the queue.
    game.menuOpen = true;
    room->OnTick(nullptr, nullptr);
    game.menuOpen = false;
    InputLocked() = 1;
    room->OnTick(nullptr, nullptr);
    InputLocked() = 0;
    EXPECT_EQ(room->Ticks(), 0u);
    room->OnTick(nullptr, nullptr);
    EXPECT_EQ(room->Ticks(), 1u);
    EXPECT_TRUE(room->HasElement(handle));
    DrainDeleteLater();
    EXPECT_FALSE(room->HasElement(handle));

    // Null and unknown elements change nothing.
    room->RemoveElement(nullptr);
    EXPECT_EQ(room->ElementCount(), 1);
    EXPECT_EQ(room->CreateElement(4, "sky", 0), nullptr);
    EXPECT_EQ(room->CreateElement(-1, "x", 0), nullptr);
    EXPECT_EQ(room->ElementCount(), 1);
}

TEST_F(RoomCheck, ClockOfSecondsAsksForTickActionUnlessLockedOrInMenu) {
    struct Case {
        bool menu;
        uint8_t locked;
        bool called;
    };
    for (const Case& c : {Case{false, 0, true}, Case{true, 0, false}, Case{false, 1, false}}) {
        game.log.clear();
        game.menuOpen = c.menu;
        InputLocked() = c.locked;
        EXPECT_EQ(room->OnSecond(nullptr, nullptr), 1);
        EXPECT_EQ(game.Lines("DoTickAction").size(), c.called ? 1u : 0u);
    }
    InputLocked() = 0;
}

TEST_F(RoomCheck, ClearRunsTwiceAndEmptiesEverything) {
    Object("a", 1);
    Actor(2, 2);
    room->RemoveElement(room->ElementAt(0));
    room->Clear();
    EXPECT_EQ(room->ElementCount(), 0);
    DrainDeleteLater();
    room->Clear();
    EXPECT_EQ(room->ElementCount(), 0);
}

TEST_F(RoomCheck, ActorQueriesAndStateOfTheRoom) {
    // The first in drawing order: the farther one.
    TActor* first = Actor(2, 1);
    first->SetPosition({5.0f, 0.0f, 9.0f});
    Actor(2, 2)->SetPosition({5.0f, 0.0f, 4.0f});
    EXPECT_EQ(room->FindActor(2), first);
    EXPECT_EQ(room->FindActor(5), nullptr);
    EXPECT_FALSE(room->IsActorBusy());
    first->animEndAction = 4;
    EXPECT_FALSE(room->IsActorBusy()); // not in a script animation
    first->PlayAnim(ActorAnimRecord{});
    EXPECT_TRUE(room->IsActorBusy());
    EXPECT_FALSE(room->IsBusy()); // an actor's end action does not lock clicks

    room->SetImage(3);
    EXPECT_EQ(room->GetImage(), 3);
}

TEST_F(RoomCheck, ElementBaseNamesFlagsHoverAndZones) {
    TAnimObject loose;
    EXPECT_STREQ(loose.GetName().c_str(), "Err: Missing Name");
    EXPECT_EQ(loose.GetElementFlags(), 1u);
    EXPECT_EQ(loose.scriptRef, -1);

    TAnimObject* object = Object("lamp", 5);
    EXPECT_STREQ(object->GetName().c_str(), "lamp");
    EXPECT_EQ(object->CachedType(), 0);
    TEvent enter;
    enter.SetType(evMouseEnter);
    object->Dispatch(nullptr, &enter);
    game.heldItem = 3;
    TEvent leave;
    leave.SetType(evMouseLeave);
    object->Dispatch(nullptr, &leave);
    EXPECT_EQ(game.log, (Lines{"DoMouseEnter 5 -1", "Hold-", "DoMouseLeave 5 -1"}));

    auto* zone = static_cast<TRoomZone*>(room->CreateElement(TRoomElement::tyZone, "z", 0));
    zone->scriptRef = 11;
    zone->SetRect(100, 200, 50, 40);
    Phase(TGraphic::phLayout);
    EXPECT_EQ(zone->CachedType(), 2);
    EXPECT_TRUE(zone->HitTest(100, 200));
    EXPECT_TRUE(zone->HitTest(149, 239));
    EXPECT_FALSE(zone->HitTest(150, 239));
    game.heldItem = -1;
    game.log.clear();
    Release(*zone, evLeftUp);
    EXPECT_EQ(game.log, (Lines{"DoAction 11 -1"}));
}

TEST_F(RoomCheck, HitsArePixelExactOnTheEntrysFrame) {
    check::ContainerBytes file;
    // 8 x 4 at (20, 30), columns 2 and 3 transparent.
    file.Add(0, 0x00010001, check::SpriteRecord(Block(8, 4, 0xF800, 2, 4), 0, 20, 30));
    auto* stream = new RlaMemoryStream(file.Finish());
    TRlaFile pictures;
    ASSERT_TRUE(pictures.Open(stream));
    TAnimObject* object = Object("lamp", 5);
    object->SetSource(&pictures);
    AnimEntry* entry = object->MakeEntry();
    entry->group = 0;
    entry->x = 100;
    entry->y = 50;
    struct Case {
        int32_t x, y;
        bool hit;
    };
    const Case cases[] = {{120, 80, true},  {121, 83, true}, {122, 80, false}, {123, 81, false},
                          {124, 80, true},  {127, 83, true}, {128, 80, false}, {119, 80, false},
                          {120, 79, false}, {120, 84, false}};
    for (const Case& c : cases)
        EXPECT_EQ(object->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
    object->SetElementFlags(0);
    EXPECT_FALSE(object->HitTest(120, 80));
    entry->frame = 1; // no such frame
    object->SetElementFlags(1);
    EXPECT_FALSE(object->HitTest(120, 80));
    object->SetSource(nullptr);
    pictures.Close();
    delete stream;
}

// The classic runtime generator, computed here from its constants.
int32_t Classic(uint32_t& state) {
    state = state * 214013u + 2531011u;
    return int32_t((state >> 16) & 0x7FFF);
}

TEST(WorldRandomCheck, ClassicSequenceAndPauses) {
    WorldSeed(1);
    const int32_t known[] = {41, 18467, 6334, 26500, 19169};
    for (int32_t v : known)
        EXPECT_EQ(WorldRand(), v);
    uint32_t state = 77;
    WorldSeed(77);
    int32_t max = 0;
    for (int i = 0; i < 5000; ++i) {
        const int32_t r = WorldRand();
        EXPECT_EQ(r, Classic(state));
        max = std::max(max, r);
    }
    EXPECT_LE(max, 32767);
    EXPECT_GT(max, 32000);

    struct Case {
        int32_t min, max, expected;
    };
    WorldSeed(1); // next numbers 41, 18467
    const Case cases[] = {
        {30, 30, 100}, {200, 200, 200}, {50, 50, 100}, {200, 300, 241}, {1000, 1100, 1067}};
    for (const Case& c : cases) {
        AnimEntry e;
        e.pauseMin = c.min;
        e.pauseMax = c.max;
        EXPECT_EQ(RandomInterval(e), c.expected) << c.min << ".." << c.max;
    }
    // Bounds of opposite signs far apart: no overflow, result in range.
    AnimEntry wide;
    wide.pauseMin = -2000000000;
    wide.pauseMax = 2000000000;
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(RandomInterval(wide), 100);
}

} // namespace
