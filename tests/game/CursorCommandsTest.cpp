// The scripts' cursors: made once per name into the world's list, shown by
// the room and its elements, and freed with their own world only.
#include "GameTestFixture.h"

#include "TActor.h"
#include "TRoom.h"

#include "foundation/TDeleteQueue.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TCursorRes.h"

namespace gametest {
namespace {

TEST_F(GameTest, CursorCreateKeepsTheFirstCursorOfAName) {
    // curExit gets a file of its own: the cache shares one record, and so
    // one hot spot, between the keys of one file.
    WriteGame();
    const std::vector<unsigned char> bytes = dir.Read(dir.File("resource.ini"));
    const std::string index(bytes.begin(), bytes.end());
    const std::string shared = "curExit=cursors\\pointer.cur";
    ASSERT_NE(index.find(shared), std::string::npos);
    dir.Write("resource.ini", std::string(index).replace(index.find(shared), shared.size(),
                                                         "curExit=cursors\\exit.cur"));
    dir.Write("data/cursors/exit.cur", dir.Read(dir.File("data/cursors/pointer.cur")));
    Statics().noteHook = &RecordNote;
    ASSERT_TRUE(GameSetUp());
    App().Show();
    RunTicks(1);

    ScriptCursors& cursors = App().World()->Cursors();
    ASSERT_TRUE(Run("Cursor.Create('curHand', 3, 4) Cursor.Create('curHand', 9, 9)"
                    "Cursor.Create('curHand') Cursor.Create() Cursor.Create(nil, 1, 2)"));
    ASSERT_EQ(cursors.Count(), 1);
    TMetaCur* hand = cursors.Find("curHand");
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(hand->GetHotSpot().x, 3);
    EXPECT_EQ(hand->GetHotSpot().y, 4);
    // Its own resource, loaded from the key's file, not the shared curHand.
    EXPECT_NE(hand, Resources().Cursor("curHand"));
    EXPECT_STREQ(hand->GetName(), "curHand");
    EXPECT_EQ(hand->GetType(), TCursorRes::kSystem);
    // Without argument 3 the hot spot stays the file's; names match case
    // for case.
    ASSERT_TRUE(Run("Cursor.Create('curExit', 5) Cursor.Create('curexit', 1, 1)"));
    ASSERT_EQ(cursors.Count(), 3);
    EXPECT_EQ(cursors.Find("curExit")->GetHotSpot().x, 0);
    EXPECT_NE(cursors.Find("curexit"), cursors.Find("curExit"));
    Stop();
}

TEST_F(GameTest, RoomAndLayerCursorsComeFromTheScriptCursorList) {
    Start();
    TRoom& room = App().World()->RoomView();
    TActor* player = room.FindActor(0);
    ASSERT_NE(player, nullptr);
    TMetaCur* before = room.GetCursor();
    // A name not in the list changes nothing, even one of the shared cursors.
    ASSERT_TRUE(Run("Engine.SetRoomCursor('curHand') Engine.SetLayerCursor(PlayerHandle, 'curHand')"
                    "Engine.SetRoomCursor()"));
    EXPECT_EQ(room.GetCursor(), before);
    EXPECT_NE(player->GetCursor(), App().World()->Cursors().Find("curHand"));
    ASSERT_TRUE(Run(
        "Cursor.Create('curHand', 1, 1) Engine.SetRoomCursor('curHand')"
        "Engine.SetLayerCursor(PlayerHandle, 'curHand') Engine.SetLayerCursor(nil, 'curHand')"));
    TMetaCur* hand = App().World()->Cursors().Find("curHand");
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(room.GetCursor(), hand);
    EXPECT_EQ(player->GetCursor(), hand);
    Stop();
}

// A retired world waits in the deletion queue while the next game runs: it
// frees its own cursors, not the new world's of the same name.
TEST_F(GameTest, ARetiredWorldFreesOnlyItsOwnCursors) {
    Start();
    ASSERT_TRUE(Run("Cursor.Create('curHand', 1, 1)"));
    GameWorld* first = App().World();
    App().DestroyWorld();
    App().CreateWorld();
    App().World()->StartMain();
    ASSERT_NE(App().World(), first);
    ASSERT_TRUE(Run("Cursor.Create('curHand', 2, 2)"));
    TMetaCur* second = App().World()->Cursors().Find("curHand");
    ASSERT_NE(second, nullptr);
    const TRef<TMetaCur> kept(second);
    DrainDeleteLater();
    ASSERT_EQ(kept.Get(), second);
    EXPECT_EQ(second->GetHotSpot().x, 2);
    Stop();
}

// A name the resource index lacks makes a cursor without a file: the room and
// an element that show it draw on, and the world frees it with the device
// still pointing at it.
TEST_F(GameTest, ACursorWithoutAFileIsHarmless) {
    Start();
    TRoom& room = App().World()->RoomView();
    TActor* player = room.FindActor(0);
    ASSERT_NE(player, nullptr);
    ASSERT_TRUE(Run("Cursor.Create('curNowhere', 2, 3) Engine.SetRoomCursor('curNowhere')"
                    "Engine.SetLayerCursor(PlayerHandle, 'curNowhere')"));
    TMetaCur* nowhere = App().World()->Cursors().Find("curNowhere");
    ASSERT_NE(nowhere, nullptr);
    EXPECT_EQ(room.GetCursor(), nowhere);
    TCursDev::Global().SetCursorRes(nowhere, 0);
    room.Refresh();
    RunTicks(5);
    App().DestroyWorld();
    DrainDeleteLater();
    // The device keeps a shape of its own.
    EXPECT_NE(TCursDev::Global().GetCursorRes(0), nullptr);
    Stop();
}

} // namespace
} // namespace gametest
