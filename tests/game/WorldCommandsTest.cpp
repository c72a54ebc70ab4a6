// The commands on the world around the room's elements, as scripts call
// them in a running game: camera, way network, music and sound, debug
// output, random numbers, night vision, brightness, click lock and menu.
#include "GameTestFixture.h"

#include "RoomGlobals.h"
#include "TActor.h"
#include "TRoom.h"

#include <cmath>
#include <string>
#include <vector>

namespace gametest {
namespace {

// A global of the main state as a number; NaN when it is not one.
double Global(const char* name) {
    LuaStateScope scope(App().World()->MainState()->State());
    lua_beginblock();
    const lua_Object value = lua_getglobal(name);
    const double number = lua_isnumber(value) ? lua_getnumber(value) : NAN;
    lua_endblock();
    return number;
}

TRoom& Room() {
    return App().World()->RoomView();
}

TEST_F(GameTest, CameraCommandsSetTheCameraAndRedrawTheRoom) {
    Start();
    Camera3D& camera = Room().GetCamera();
    ASSERT_TRUE(
        Run("Camera.SetPosition(1, 2, 3) Camera.SetRotation(10, 20, 30)"
            "Camera.SetDistance(500) Camera.SetOriginalDistance(4) Camera.SetBaseScale(2)"));
    EXPECT_EQ(camera.Position().x, 1.0f);
    EXPECT_EQ(camera.Position().y, 2.0f);
    EXPECT_EQ(camera.Position().z, 3.0f);
    EXPECT_EQ(camera.Rotation().x, 10.0f);
    EXPECT_EQ(camera.Rotation().z, 30.0f);
    EXPECT_EQ(camera.Focal(), 500.0f);
    EXPECT_EQ(camera.originalDistance, 4.0f);
    EXPECT_EQ(camera.BaseScale(), 2.0f);
    // Missing coordinates are 0, and the first one missing is noted first
    // (z is read before y and x).
    Notes().clear();
    ASSERT_TRUE(Run("Camera.SetPosition(7)"));
    EXPECT_EQ(camera.Position().x, 7.0f);
    EXPECT_EQ(camera.Position().z, 0.0f);
    ASSERT_FALSE(Notes().empty());
    EXPECT_NE(Notes().front().find("parameter 3"), std::string::npos) << Notes().front();
    Stop();
}

// The scale adjust is taken by the next redraw that something else causes;
// the other settings redraw the room and its elements at once.
TEST_F(GameTest, ScaleAdjustWaitsForTheNextRedraw) {
    Start();
    TActor* player = Room().FindActor(0);
    ASSERT_NE(player, nullptr);
    const struct {
        const char* script;
        bool redraws;
    } cases[] = {
        {"Camera.SetScaleAdjust(0.5)", false},
        {"Camera.SetBaseScale(1)", true},
        {"Camera.SetDistance(400)", true},
        {"Camera.SetPosition(0, 0, 0)", true},
    };
    for (const auto& c : cases) {
        RunTicks(1);
        Room().Invalidate(false);
        player->Invalidate(false);
        ASSERT_TRUE(Run(c.script));
        EXPECT_EQ(Room().IsDirty(), c.redraws) << c.script;
        EXPECT_EQ(player->IsDirty(), c.redraws) << c.script;
    }
    EXPECT_EQ(Room().GetCamera().ScaleAdjust(), 0.5f);
    Stop();
}

TEST_F(GameTest, PathCommandsBuildTheWayNetworkAndPriceRoutes) {
    Start();
    WayGraph& graph = Room().GetWayGraph();
    ASSERT_TRUE(
        Run("Path.Reset() Path.AddLine(0, 0, 0, 10, 0, 0) Path.AddLine(10, 0, 0, 10, 0, 10)"));
    ASSERT_EQ(graph.NodeCount(), 3);
    // Each route found is deleted once priced (a leak shows under ASan).
    ASSERT_TRUE(Run("Far = Path.GetCost(0, 0, 0, 10, 0, 10) Near = Path.GetCost(0, 0, 0, 0.1, 0, 0)"
                    "if Near ~= nil then Error('near') end"));
    EXPECT_GE(Global("Far"), 20.0);
    EXPECT_TRUE(Boxes("near").empty());

    // The node commands read their arguments and leave the network alone.
    auto shape = [&] {
        std::string s;
        for (int32_t i = 0; i < graph.NodeCount(); ++i) {
            const WayNode* n = graph.GetNode(i);
            s += std::to_string(n->x) + "," + std::to_string(n->z) + ":";
            for (int32_t k = 0; k < n->neighbours.Count(); ++k)
                s += std::to_string(n->neighbours[k]) + " ";
            s += ";";
        }
        return s;
    };
    const std::string before = shape();
    ASSERT_TRUE(Run("Path.AddNode(5, 0, 5) Path.RemNode(1) Path.AddNodeNeighbor(0, 2)"
                    "Path.RemNodeNeighbor(0, 1) Found = Path.FindNode(10, 0, 0)"
                    "if Found ~= nil then Error('found') end"));
    EXPECT_EQ(shape(), before);
    EXPECT_TRUE(Boxes("found").empty());

    ASSERT_TRUE(
        Run("Path.Reset() if Path.GetCost(0, 0, 0, 10, 0, 10) ~= nil then Error('route') end"));
    EXPECT_EQ(graph.NodeCount(), 0);
    EXPECT_TRUE(Boxes("route").empty());
    Stop();
}

// The sound takes its volume unsigned, so a negative one must not reach it.
TEST_F(GameTest, MusicVolumeIsHeldToItsRangeAndSoundPlayPlaysNothing) {
    Start();
    const struct {
        const char* script;
        uint32_t volume;
    } cases[] = {
        {"Music.SetVolume(64)", 64},   {"Music.SetVolume(-1)", 0}, {"Music.SetVolume(200)", 127},
        {"Music.SetVolume(12.9)", 12}, {"Music.SetVolume()", 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run(c.script));
        EXPECT_EQ(Room().Music().Audio().GetVolume(), c.volume) << c.script;
    }
    ASSERT_TRUE(Run("Sound.Play('step', 1) Sound.Play('step') Music.Play() Music.Stop()"));
    EXPECT_EQ(Room().PlayingSoundCount(), 0);
    EXPECT_FALSE(Room().Music().IsPlaying());
    Stop();
}

TEST_F(GameTest, DebugCommandsWriteTheDebugOutputAndTheLabel) {
    Start();
    testing::internal::CaptureStderr();
    ASSERT_TRUE(Run("Debug.WriteString('checkpoint 7') Debug.WriteString(12)"));
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("checkpoint 7\n12\n"), std::string::npos) << written;
    ASSERT_TRUE(Run("Debug.WriteLabel('where am I')"));
    EXPECT_STREQ(Room().DebugLabel().GetText(), "where am I");
    ASSERT_TRUE(Run("Debug.WriteLabel()"));
    EXPECT_STREQ(Room().DebugLabel().GetText(), "");
    Stop();
}

TEST_F(GameTest, RandomDrawsFromLowToHigh) {
    Start();
    // Lua 3.2 has no numeric for: a while loop draws 300 times.
    ASSERT_TRUE(Run("Hits = {0, 0, 0, 0, 0, 0} Bad = 0 Threes = 0 local i = 0\n"
                    "while i < 300 do\n"
                    "  local r = Engine.Random(1, 6)\n"
                    "  if Hits[r] then Hits[r] = Hits[r] + 1 else Bad = Bad + 1 end\n"
                    "  if Engine.Random(3, 3) == 3 then Threes = Threes + 1 end\n"
                    "  i = i + 1\n"
                    "end\n"
                    "Covered = 0 local k = 1\n"
                    "while k <= 6 do if Hits[k] > 0 then Covered = Covered + 1 end k = k + 1 end"));
    EXPECT_EQ(Global("Bad"), 0.0);
    EXPECT_EQ(Global("Covered"), 6.0);
    EXPECT_EQ(Global("Threes"), 300.0);
    // A count of draws that is not between 1 and 2^32 - 1 answers low.
    const struct {
        const char* script;
        double result;
    } cases[] = {
        {"R = Engine.Random(6, 1)", 6},
        {"R = Engine.Random(-5, -5)", -5},
        {"R = Engine.Random(-2147483648, 2147483647)", -2147483648.0},
        {"R = Engine.Random()", 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run(c.script));
        EXPECT_EQ(Global("R"), c.result) << c.script;
    }
    // The widest range the source draws from still lies between its bounds.
    ASSERT_TRUE(Run("R = Engine.Random(-2147483647, 2147483647)"));
    EXPECT_GE(Global("R"), -2147483647.0);
    EXPECT_LE(Global("R"), 2147483647.0);
    Stop();
}

TEST_F(GameTest, NightVisionIsAFlagOfTheGameThatANewGameClears) {
    Start();
    RunTicks(1);
    Room().Invalidate(false);
    ASSERT_TRUE(Run("Engine.EnableNightVision()"));
    EXPECT_EQ(Statics().nightVision, 1);
    EXPECT_TRUE(Room().IsDirty());
    ASSERT_TRUE(Run("Engine.DisableNightVision()"));
    EXPECT_EQ(Statics().nightVision, 0);
    ASSERT_TRUE(Run("Engine.EnableNightVision()"));
    App().NewGame();
    EXPECT_EQ(Statics().nightVision, 0);
    Stop();
}

TEST_F(GameTest, ObjectBrightnessIsHeldToZeroToOne) {
    Start();
    const struct {
        const char* script;
        float brightness;
    } cases[] = {
        {"Engine.SetObjectBrightness(0.25)", 0.25f}, {"Engine.SetObjectBrightness(2)", 1.0f},
        {"Engine.SetObjectBrightness()", 1.0f},      {"Engine.SetObjectBrightness(-1)", 0.0f},
        {"Engine.SetObjectBrightness(0.5)", 0.5f},   {"Engine.SetObjectBrightness(0/0)", 0.0f},
        {"Engine.SetObjectBrightness(1)", 1.0f},     {"Engine.SetObjectBrightness('dim')", 0.0f},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run(c.script));
        EXPECT_EQ(ObjectBrightness(), c.brightness) << c.script;
    }
    Stop();
}

TEST_F(GameTest, ClickLockAndGameMenu) {
    Start();
    const struct {
        const char* script;
        uint8_t blocked;
    } cases[] = {
        {"Engine.LocationSetBlocked(1)", 1},  {"Engine.LocationSetBlocked(0)", 0},
        {"Engine.LocationSetBlocked(7)", 1},  {"Engine.LocationSetBlocked()", 0},
        {"Engine.LocationSetBlocked(-2)", 1}, {"Engine.LocationSetBlocked(0.5)", 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run(c.script));
        EXPECT_EQ(Room().IsBlocked(), c.blocked) << c.script;
    }
    // A busy room keeps the menu shut.
    const int32_t menus = App().MenuCount();
    ASSERT_TRUE(Run("Engine.LocationSetBlocked(1) Engine.GameMenuShow()"));
    EXPECT_EQ(App().MenuCount(), menus);
    ASSERT_TRUE(Run("Engine.LocationSetBlocked(0) Engine.GameMenuShow()"));
    EXPECT_EQ(App().MenuCount(), menus + 1);
    EXPECT_EQ(App().MenuFlag(), 1);
    Stop();
}

// The notes of missing arguments name them in the order each command reads
// them: points z, y, x (the second point after the first), the hot spot's y
// before its x, optional arguments never.
TEST_F(GameTest, MissingArgumentsOfTheWorldCommandsAreNotedInReadingOrder) {
    Start();
    const struct {
        const char* call;
        std::vector<int> missing;
    } cases[] = {
        {"Camera.SetPosition()", {3, 2, 1}},
        {"Camera.SetRotation(1)", {3, 2}},
        {"Camera.SetScaleAdjust()", {1}},
        {"Path.AddLine(1, 2, 3)", {6, 5, 4}},
        {"Path.GetCost()", {3, 2, 1, 6, 5, 4}},
        {"Path.AddNode()", {3, 2, 1}},
        {"Path.AddNodeNeighbor(1)", {2}},
        {"Sky.SetSpeed(1)", {2}},
        {"Sound.Play('x')", {}},
        {"Music.SetVolume()", {1}},
        {"Engine.Random(1)", {2}},
        {"Engine.SetObjectBrightness()", {}},
        {"Engine.AddInventoryItem({})", {2, 3}},
        {"Engine.AddInventoryItem({}, 'p', 1)", {}},
        {"Engine.RemInventoryItem()", {1}},
        {"Cursor.Create('curHand', 1)", {}},
        {"Engine.SetRoomCursor()", {1}},
        {"Engine.LocationSetBlocked()", {1}},
    };
    for (const auto& c : cases) {
        Notes().clear();
        ASSERT_TRUE(Run(c.call));
        EXPECT_EQ(Notes(), MissingNotes(c.missing)) << c.call;
    }
    Stop();
}

} // namespace
} // namespace gametest
