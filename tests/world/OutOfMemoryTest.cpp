// Room elements out of memory: an object's animation entry and an actor's
// animation record are refused with error 9 instead of an exception, and
// memory back, the same calls work.
#include "FailingAllocator.h"
#include "RoomFixture.h"

#include "TActor.h"
#include "TAnimObject.h"

namespace {

using roomtest::RoomTest;

int32_t NewestCode() {
    TListNode* head = TError::ShownList().Head();
    return head ? static_cast<TErrorRec*>(head->item)->code : 0;
}

class WorldOutOfMemory : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        MakeRoom();
    }
};

TEST_F(WorldOutOfMemory, ObjectEntryIsRefusedWithErrorNine) {
    auto* object = static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, "o", 0));
    ASSERT_NE(object, nullptr);
    AnimEntry* entry = nullptr;
    {
        testsupport::AllocationsFail fail;
        EXPECT_NO_THROW(entry = object->MakeEntry());
    }
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(object->GetEntry(), nullptr);
    EXPECT_EQ(NewestCode(), 9);
    entry = object->MakeEntry();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->interval, 0);
}

TEST_F(WorldOutOfMemory, ActorRecordIsRefusedWithErrorNine) {
    auto* actor = static_cast<TActor*>(room->CreateElement(TRoomElement::tyActor, "a", 0));
    ASSERT_NE(actor, nullptr);
    ActorAnimRecord record;
    record.entries[0].group = 3;
    {
        testsupport::AllocationsFail fail;
        EXPECT_NO_THROW(actor->AddAnim(TActor::alWalk, record));
    }
    EXPECT_EQ(actor->ListCount(TActor::alWalk), 0);
    EXPECT_EQ(NewestCode(), 9);
    actor->AddAnim(TActor::alWalk, record);
    EXPECT_EQ(actor->ListCount(TActor::alWalk), 1);
}

} // namespace
