// What the player sees and what a click does, checked on the frames the
// headless window presents: the pointer's shapes over the room, the held
// item's picture at the pointer, the dialog choice under the pointer, the
// credits after the room faded out, and where a right click goes.
#include "GameTestFixture.h"
#include "MenuClicks.h"
#include "ReplayGame.h"

#include "IconWriter.h"
#include "TRoom.h"
#include "TRoomElement.h"
#include "TInventoryView.h"

#include "media/devices/TDispDev.h"
#include "ui/TEngine.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace gametest {
namespace {

// A cursor drawn from rows of '#' (black), 'o' (white) and '.' (nothing),
// with its hot spot.
struct Shape {
    std::vector<std::string> rows;
    int hotX, hotY;
};

const Shape kArrow{{"#####", "#ooo#", "#ooo#", "#ooo#", "#####"}, 2, 2};
const Shape kHand{{"#######", "#ooooo#", "#######"}, 0, 1};

std::string CursorFile(const Shape& shape) {
    tools::IconImage image;
    image.bitCount = 1;
    image.palette = {{0, 0, 0}, {255, 255, 255}};
    image.pixels.assign(32 * 4, 0);
    image.andMask.assign(32 * 4, 0xFF);
    for (size_t y = 0; y < shape.rows.size(); ++y)
        for (size_t x = 0; x < shape.rows[y].size(); ++x) {
            const char c = shape.rows[y][x];
            if (c == '.') continue;
            const uint8_t bit = uint8_t(0x80 >> (x % 8));
            image.andMask[y * 4 + x / 8] &= uint8_t(~bit);
            if (c == 'o') image.pixels[y * 4 + x / 8] |= bit;
        }
    image.hotX = uint16_t(shape.hotX);
    image.hotY = uint16_t(shape.hotY);
    const std::vector<uint8_t> bytes = tools::WriteCur({image});
    return std::string(bytes.begin(), bytes.end());
}

uint32_t At(const platform::Frame& frame, int x, int y) {
    if (x < 0 || y < 0 || x >= frame.width || y >= frame.height) return 0xFF000000;
    return frame.pixels[size_t(y) * size_t(frame.width) + size_t(x)] & 0xFFFFFF;
}
int Red(uint32_t p) {
    return int(p >> 16) & 0xFF;
}
int Green(uint32_t p) {
    return int(p >> 8) & 0xFF;
}
int Blue(uint32_t p) {
    return int(p) & 0xFF;
}
bool White(uint32_t p) {
    return Red(p) > 0xF0 && Green(p) > 0xF0 && Blue(p) > 0xF0;
}
bool Black(uint32_t p) {
    return Red(p) < 0x10 && Green(p) < 0x10 && Blue(p) < 0x10;
}

class PlayerScreen : public GameTest {
protected:
    // The fixture's game with cursors of their own shapes for the arrow and
    // the hand.
    void StartWithCursors() {
        fixture.extraFiles.push_back({"data/cursors/arrow.cur", CursorFile(kArrow)});
        fixture.extraFiles.push_back({"data/cursors/hand.cur", CursorFile(kHand)});
        WriteGame();
        const std::vector<unsigned char> bytes =
            testsupport::TempDir::Read(dir.File("resource.ini"));
        std::string index(bytes.begin(), bytes.end());
        for (const auto& [key, file] :
             {std::pair{"curArrow", "arrow"}, std::pair{"curHand", "hand"}}) {
            const std::string line = std::string(key) + "=cursors\\pointer.cur";
            const size_t at = index.find(line);
            ASSERT_NE(at, std::string::npos) << line;
            index.replace(at, line.size(), std::string(key) + "=cursors\\" + file + ".cur");
        }
        dir.Write("resource.ini", index);
        Statics().noteHook = &RecordNote;
        ASSERT_TRUE(GameSetUp());
        ASSERT_TRUE(App().IsStarted());
        App().Show();
        RunTicks(1);
        TRectArea screen;
        App().GetScreenRect(screen);
        left_ = screen.left;
        top_ = screen.top;
    }

    void MoveTo(int x, int y) {
        platform::InjectMouseMove(Window(), left_ + x, top_ + y);
        RunTicks(3);
    }
    void Click(platform::MouseButton button, int x, int y) {
        platform::InjectMouseMove(Window(), left_ + x, top_ + y);
        platform::InjectMouseButton(Window(), button, true, left_ + x, top_ + y);
        platform::InjectMouseButton(Window(), button, false, left_ + x, top_ + y);
        RunTicks(3);
    }
    // The game screen's pixel at (x, y) of the last presented frame.
    uint32_t Pixel(const platform::Frame& frame, int x, int y) const {
        return At(frame, left_ + x, top_ + y);
    }
    platform::Frame Grab() const { return platform::PresentedFrame(Window()); }

    // Whether the frame shows `shape` with its hot spot at (x, y).
    bool Shows(const platform::Frame& frame, const Shape& shape, int x, int y) const {
        for (size_t row = 0; row < shape.rows.size(); ++row)
            for (size_t col = 0; col < shape.rows[row].size(); ++col) {
                const uint32_t p =
                    Pixel(frame, x - shape.hotX + int(col), y - shape.hotY + int(row));
                const char c = shape.rows[row][col];
                if ((c == '#' && !Black(p)) || (c == 'o' && !White(p))) return false;
            }
        return true;
    }

    // The middle of the room element named `name`, on the game screen.
    static std::pair<int, int> Middle(const char* name) {
        TRoom& room = App().World()->RoomView();
        for (int32_t i = 0; i < room.ElementCount(); ++i) {
            TRoomElement* e = room.ElementAt(i);
            if (std::string(e->GetName().c_str()) != name) continue;
            // The room fills the game screen from its corner.
            return {e->GetX() + e->GetWidth() / 2, e->GetY() + e->GetHeight() / 2};
        }
        ADD_FAILURE() << "no element " << name;
        return {0, 0};
    }

    static HWND Window() { return TDispDev::Global().GetWindow(); }

    int left_ = 0, top_ = 0;
};

// The arrow over the floor, the hand over a room element, each drawn with
// its hot spot on the pointer; an item taken to the pointer is centred on
// it, under the pointer's own shape, and a right click lets it go.
TEST_F(PlayerScreen, PointerShapesAndTheHeldItemFollowThePointer) {
    fixture.mainScript = tools::FullMainScript();
    StartWithCursors();
    const auto [lampX, lampY] = Middle("Lamp4");
    const int floorX = 700, floorY = 250;

    MoveTo(floorX, floorY);
    platform::Frame frame = Grab();
    EXPECT_TRUE(Shows(frame, kArrow, floorX, floorY));
    EXPECT_FALSE(Shows(frame, kHand, floorX, floorY));
    MoveTo(lampX, lampY);
    frame = Grab();
    EXPECT_TRUE(Shows(frame, kHand, lampX, lampY));
    EXPECT_FALSE(Shows(frame, kArrow, lampX, lampY));
    EXPECT_FALSE(Shows(frame, kArrow, floorX, floorY)) << "the arrow stayed where it was";

    // The key (id 1): 44 x 40 pixels of one dark green.
    GameWorld& world = *App().World();
    ASSERT_GE(world.InventoryView().SlotCount(), 1);
    world.TakeItem(world.InventoryView().SlotAt(0));
    RunTicks(3);
    const auto item = [](uint32_t p) {
        return Red(p) < 0x10 && Green(p) > 0x70 && Green(p) < 0x90 && Blue(p) < 0x20;
    };
    MoveTo(floorX, floorY);
    frame = Grab();
    for (const auto& [dx, dy, inside] :
         {std::tuple{-22, -20, true}, std::tuple{21, 19, true}, std::tuple{21, -20, true},
          std::tuple{-23, 0, false}, std::tuple{22, 0, false}, std::tuple{0, 20, false}})
        EXPECT_EQ(item(Pixel(frame, floorX + dx, floorY + dy)), inside) << dx << "," << dy;
    EXPECT_TRUE(Shows(frame, kArrow, floorX, floorY)) << "the pointer is drawn over the item";

    Click(platform::MouseButton::Right, floorX, floorY);
    EXPECT_EQ(world.HeldRecord(), nullptr);
    frame = Grab();
    EXPECT_FALSE(item(Pixel(frame, floorX + 15, floorY + 15)));
    Stop();
}

// The choices wait at the top; the line under the pointer is drawn too (in
// the dialog font's second face), and the others stay as they were.
TEST_F(PlayerScreen, TheChoiceUnderThePointerIsDrawn) {
    StartWithCursors();
    App().World()->RoomView().SetPlayerActor(0);
    ASSERT_TRUE(Run("Dialog.Do('chat', 0)"));
    RunTicks(3);
    ASSERT_TRUE(App().World()->DialogRunning());
    // A row of text: the pixels of the choice at y 70 * row that are not the
    // dark panel or room behind it.
    const auto text = [this](const platform::Frame& frame, int row) {
        std::vector<uint32_t> pixels;
        for (int y = 70 * row; y < 70 * row + 68; ++y)
            for (int x = 40; x < 800; ++x) {
                const uint32_t p = Pixel(frame, x, y);
                pixels.push_back(Red(p) > 0xC0 && Blue(p) < 0x60 ? p : 0);
            }
        return pixels;
    };
    const auto count = [](const std::vector<uint32_t>& pixels) {
        return std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p != 0; });
    };
    MoveTo(400, 560);
    const platform::Frame away = Grab();
    MoveTo(20, 70 + 30);
    const platform::Frame over = Grab();
    for (int row = 0; row < 3; ++row) {
        EXPECT_GT(count(text(away, row)), 0) << "row " << row;
        EXPECT_GT(count(text(over, row)), 0) << "row " << row << " under the pointer";
    }
    EXPECT_EQ(text(away, 0), text(over, 0));
    EXPECT_EQ(text(away, 2), text(over, 2));
    Stop();
}

// A right click on a room element is a look at it and nothing more; the
// game menu belongs to a right click on the floor, also after the menu was
// opened that way and closed again.
TEST_F(PlayerScreen, ARightClickOnAnElementIsALookAndNeverTheMenu) {
    fixture.mainScript = tools::DefaultMainScript() +
                         "function Game.DoExamine(e) Error('look') end\n"
                         "function Game.DoAction(e) Error('use') end\n"
                         "function Game.DoRoomAction() Error('walk') end\n"
                         "function Game.DoRoomExamine() Error('menu') Engine.GameMenuShow() end\n";
    StartWithCursors();
    const auto [lampX, lampY] = Middle("Lamp4");
    using B = platform::MouseButton;
    const struct {
        B button;
        bool onLamp;
        const char* said;
        int32_t menu;
    } steps[] = {
        {B::Right, true, "look", 0},  {B::Right, false, "menu", 1}, {B::Left, true, "", 0},
        {B::Right, true, "look", 0},  {B::Left, true, "use", 0},    {B::Right, true, "look", 0},
        {B::Right, false, "menu", 1}, {B::Left, true, "", 0},       {B::Left, false, "walk", 0},
    };
    int n = 0;
    for (const auto& s : steps) {
        platform::ClearMessageBoxLog();
        // With the menu open the left clicks go to its Back button.
        const bool back = App().MenuFlag() != 0;
        if (back)
            Click(B::Left, menuclicks::kBack.x, menuclicks::kBack.y);
        else
            Click(s.button, s.onLamp ? lampX : 300, s.onLamp ? lampY : 450);
        const std::vector<std::string> said = Boxes();
        EXPECT_EQ(said, s.said[0] ? std::vector<std::string>{s.said} : std::vector<std::string>{})
            << "step " << n;
        EXPECT_EQ(App().MenuFlag(), s.menu) << "step " << n;
        ++n;
    }
    Stop();
}

// The credits come up readable however the game ended, and a click ends
// them: after the room faded to black (which hid the pointer too), by the
// half-second quit and by the three-second one.
TEST(PlayerScreenCredits, ShowAfterTheRoomFadedOut) {
    for (const auto& [command, checkAt] :
         {std::pair{"Engine.QuitGame()", 2600}, std::pair{"Engine.QuitApp()", 5100}}) {
        TEngine engine;
        testsupport::TempDir dir;
        tools::GameFixture fixture;
        fixture.mainScript = tools::DefaultMainScript() +
                             "function Game.DoRoomExamine() Engine.FadeRoom(0) " +
                             std::string(command) + " end\n";
        tools::AddDefaultCredits(fixture);
        std::string error;
        ASSERT_TRUE(tools::WriteGameFixture(dir.File("game"), fixture, &error)) << error;
        std::vector<testsupport::ReplayStep> steps;
        const std::string script = "0 dev ShowGameMenu 0\n0 dev ShowIntro 0\n0 dev ShowCredits 1\n"
                                   "500 rclick 600 450\n" +
                                   std::to_string(checkAt) + " check credits\n" +
                                   std::to_string(checkAt + 200) + " click 400 300\n";
        ASSERT_TRUE(testsupport::ParseReplay(script, &steps, &error)) << error;
        const auto run = testsupport::ReplayGame(steps, dir.File("game"), true, 5000);
        EXPECT_EQ(run.failure, "") << command;
        ASSERT_EQ(run.checkpoints.size(), 1u) << command;
        EXPECT_NE(run.checkpoints[0].state.find("world=none"), std::string::npos)
            << run.checkpoints[0].state;
        // The credits' text colour (250, 230, 160) on the screen.
        int lit = 0;
        for (uint32_t p : run.checkpoints[0].picture.pixels)
            if (Red(p) > 0xE0 && Green(p) > 0xC8 && Blue(p) > 0x80 && Blue(p) < 0xC0) ++lit;
        EXPECT_GT(lit, 50) << command;
    }
}

} // namespace
} // namespace gametest
