// Room elements that die while something still holds them: a handle whose
// element was deleted and whose address a new element took, and elements
// that remove themselves in their own end action and then fade the room in
// (a nested modal loop whose ticks run the room's clock).
#include "RoomFixture.h"

#include "CheckBytes.h"
#include "RlaMemoryStream.h"
#include "TActor.h"
#include "TAnimObject.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TRef.h"

#include <functional>
#include <utility>
#include <vector>

// The address reuse below needs a freed block handed out again at once.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=0";
}

namespace {

using roomtest::RoomFadeFixture;
using roomtest::RoomTest;

// The end actions run a scripted step of their own.
struct ScriptedGame : roomtest::FakeGame {
    void CallRefOnce(int32_t& field) override {
        FakeGame::CallRefOnce(field);
        if (!script) return;
        std::function<void()> once = std::move(script);
        script = nullptr;
        once();
        ++runs;
    }
    std::function<void()> script;
    int runs = 0;
};

TEST_F(RoomTest, AHandleDoesNothingOnceANewElementTookItsAddress) {
    MakeRoom();
    TRoomElement* zone = room->CreateElement(TRoomElement::tyZone, "z", 0);
    const TRef<TRoomElement> handle(zone);
    const void* address = zone;
    room->RemoveElement(zone);
    DrainDeleteLater();
    TRoomElement* reused = nullptr;
    for (int i = 0; i < 1000 && !reused; ++i) {
        TRoomElement* next = room->CreateElement(TRoomElement::tyZone, "y", 0);
        if (static_cast<const void*>(next) == address) reused = next;
    }
    ASSERT_NE(reused, nullptr) << "no element took the freed address";
    EXPECT_FALSE(room->HasElement(handle));
    EXPECT_EQ(handle.Get(), nullptr);
    EXPECT_TRUE(room->HasElement(TRef<TRoomElement>(reused)));
}

// The world is rebuilt (a new game, a load) while the script still keeps
// handles, as serials and as references: the old room goes with its
// elements still queued, a new one is built with elements of the same kinds
// and names. No old handle finds anything, in the new room or elsewhere.
TEST_F(RoomTest, ScriptHandlesKeptAcrossARoomRebuildFindNothing) {
    const std::pair<int32_t, const char*> kinds[] = {{TRoomElement::tyObject, "door"},
                                                     {TRoomElement::tyActor, "Actor02"},
                                                     {TRoomElement::tyZone, "z"},
                                                     {TRoomElement::tySound, "s"}};
    MakeRoom();
    std::vector<TRef<TRoomElement>> handles;
    for (const auto& [kind, name] : kinds) {
        TRoomElement* element = room->CreateElement(kind, name, 0);
        ASSERT_NE(element, nullptr) << name;
        handles.emplace_back(element);
    }
    room.reset(); // its elements wait in the deletion queue
    MakeRoom();
    for (const auto& [kind, name] : kinds)
        ASSERT_NE(room->CreateElement(kind, name, 0), nullptr) << name;
    for (const TRef<TRoomElement>& handle : handles) {
        EXPECT_FALSE(room->HasElement(handle)); // queued, but the old room's
        EXPECT_FALSE(room->HasElement(TRef<TRoomElement>::FromSerial(handle.Serial())));
    }
    DrainDeleteLater();
    for (const TRef<TRoomElement>& handle : handles) {
        const auto fromScript = TRef<TRoomElement>::FromSerial(handle.Serial());
        EXPECT_EQ(fromScript.Get(), nullptr);
        EXPECT_EQ(handle.Get(), nullptr);
        EXPECT_FALSE(room->HasElement(handle));
    }
}

class RoomLifetime : public RoomFadeFixture {
protected:
    void SetUp() override {
        RoomFadeFixture::SetUp();
        SetGameServices(&scripted);
        room = std::make_unique<TRoom>();
        room->Init(&app);
        room->EnterRoom("hall", nullptr);
        InputLocked() = 0;
    }
    // Steps the application's loop until the end action has run, then once
    // more; the element is freed after the step that ran it.
    void RunUntilTheEndAction() {
        for (int guard = 0; guard < 500 && scripted.runs == 0; ++guard)
            app.ModalStep();
        EXPECT_EQ(scripted.runs, 1);
    }
    // Ticks handed straight to the element's timer, outside any step of a
    // loop (as a harness or a caller of its own may): the fade's loop is then
    // the outermost one, and its steps run under the timer's handler.
    void TickUntilTheEndAction(TTimer& timer) {
        for (int guard = 0; guard < 50 && scripted.runs == 0; ++guard)
            Tick(timer, 150);
        EXPECT_EQ(scripted.runs, 1);
    }
    // An object whose once-animation ends on its first step: its end action
    // removes it and fades the room in.
    TAnimObject* EndingObject() {
        auto* object =
            static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, "door", 0));
        AnimEntry* entry = object->MakeEntry();
        EXPECT_NE(entry, nullptr);
        if (!entry) return object;
        entry->interval = 100;
        object->endAction = 5;
        object->SetAnimMode(2); // once: ends on its first step without frames
        HideThenFade(object, [this, object] { room->RemoveElement(object); });
        return object;
    }
    // An actor whose two-frame animation ends on the wrap: its end action
    // hides it and fades the room in.
    TActor* EndingActor() {
        auto* actor =
            static_cast<TActor*>(room->CreateElement(TRoomElement::tyActor, "Actor02", 0));
        check::ContainerBytes file;
        const check::Grid block{4, 4, std::vector<int32_t>(16, 0x001F)};
        for (int i = 0; i < 2; ++i)
            file.Add(0, 0x00010001, check::SpriteRecord(block));
        auto* stream = new RlaMemoryStream(file.Finish());
        auto* pictures = new TRlaFile;
        EXPECT_TRUE(pictures->Open(stream));
        actor->SetPictures(pictures, stream);
        ActorAnimRecord record;
        for (AnimEntry& e : record.entries) {
            e.group = 0;
            e.interval = 100;
            e.pauseMin = e.pauseMax = 100;
        }
        actor->PlayAnim(record); // two frames: the end action fires on the wrap
        actor->animEndAction = 6;
        HideThenFade(actor, [this, actor] { room->HideActor(actor); });
        return actor;
    }
    // The end action's script: `hide`, then the fade, which returns with the
    // element still alive (queued, not freed under its own handler).
    void HideThenFade(TRoomElement* element, std::function<void()> hide) {
        handle = TRef<TRoomElement>(element);
        scripted.script = [this, hide] {
            hide();
            room->FadeRoom(1);
            aliveAfterFade = handle.Get() != nullptr;
        };
    }
    void ExpectFreedAfterTheFade() {
        EXPECT_TRUE(aliveAfterFade);
        EXPECT_EQ(InputLocked(), 0);
        EXPECT_EQ(handle.Get(), nullptr);
        EXPECT_FALSE(room->HasElement(handle));
    }
    ScriptedGame scripted;
    TRef<TRoomElement> handle;
    bool aliveAfterFade = false;
};

TEST_F(RoomLifetime, AnObjectHidesItselfInItsEndActionAndFadesTheRoomIn) {
    EndingObject();
    RunUntilTheEndAction();
    ExpectFreedAfterTheFade();
}

TEST_F(RoomLifetime, AnActorHidesItselfInItsEndActionAndFadesTheRoomIn) {
    EndingActor();
    RunUntilTheEndAction();
    ExpectFreedAfterTheFade();
}

TEST_F(RoomLifetime, HideThenFadeFromATickDeliveredOutsideTheLoop) {
    TAnimObject* object = EndingObject();
    TickUntilTheEndAction(object->Timer());
    EXPECT_TRUE(handle.Get() != nullptr); // queued: goes with the next drain
    DrainDeleteLater();
    ExpectFreedAfterTheFade();

    scripted.runs = 0;
    aliveAfterFade = false;
    TActor* actor = EndingActor();
    TickUntilTheEndAction(actor->AnimTimer());
    DrainDeleteLater();
    ExpectFreedAfterTheFade();
}

} // namespace
