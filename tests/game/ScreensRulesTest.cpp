// The game's screens driven as the player drives them: pointer and buttons
// through the headless window, hostile settings and item numbers, and the
// screens' layout checked slot by slot and button by button.
#include "GameTestFixture.h"

#include "GamePictures.h"
#include "IntroScreen.h"
#include "InventorySlot.h"
#include "MapView.h"
#include "TInventoryView.h"
#include "TaskBarPanel1.h"
#include "TaskBarPanel2.h"
#include "TTextSequence.h"

#include "foundation/TEvent.h"
#include "foundation/TIniFile.h"
#include "media/animation/TMetaAni.h"
#include "media/devices/TDispDev.h"
#include "ui/TLabel.h"

#include "platform/MMSystem.h"

#include <algorithm>
#include <string>
#include <vector>

namespace gametest {
namespace {

// Every room event the player's clicks could reach reports itself.
const char* const kReportingScript = "Game = {} Map = {} Here = {}"
                                     " function Game.DoRoomAction() Error('room') end"
                                     " function Game.DoRoomExamine() Error('examine') end"
                                     " function Game.DoAction(e) Error('action') end"
                                     " function Game.DoMapAction(v) Error('location') end"
                                     " function main() end";

class ScreensRulesTest : public GameTest {
protected:
    static GameWorld& World() { return *App().World(); }
    static HWND Window() { return TDispDev::Global().GetWindow(); }
    // (x, y) of the game screen on the desktop.
    static TPoint OnScreen(int x, int y) {
        TRectArea screen;
        World().GetScreenRect(screen);
        return TPoint(screen.left + x, screen.top + y);
    }
    static void MoveTo(int x, int y) {
        const TPoint at = OnScreen(x, y);
        platform::InjectMouseMove(Window(), at.x, at.y);
        RunTicks(1);
    }
    // A press and a release of `button` at (x, y), each routed by a step.
    static void ClickAt(int x, int y, platform::MouseButton button) {
        MoveTo(x, y);
        const TPoint at = OnScreen(x, y);
        platform::InjectMouseButton(Window(), button, true, at.x, at.y);
        RunTicks(1);
        platform::InjectMouseButton(Window(), button, false, at.x, at.y);
        RunTicks(2);
    }
    static void Command(TListForm& control) {
        TEvent command;
        command.SetType(evCommand);
        control.Dispatch(&control, &command);
    }
    static TRectArea Bounds(TRectComp& comp) {
        TRectArea bounds;
        comp.GetBounds(bounds);
        return bounds;
    }
    // The credits screen of `ini` over the application, shown as the modal
    // run shows it.
    static void Open(TTextSequence& screen, TIniFile& ini) {
        screen.SetRect(0, 0, 800, 600);
        screen.SetIniFile(&ini);
        screen.Load(&App());
        screen.Show();
    }
    // Credits of one line that wait ten seconds before they scroll.
    void UseLongCredits() {
        fixture.settings = {{"iniCredits", "[Global]\r\nTextResource=txtCredits\r\nWait=10000\r\n"
                                           "Scrollspeed=10\r\nLoop=no\r\n[Item0]\r\nText=LINE\r\n"
                                           "SizeX=100\r\nSizeY=20\r\n"}};
        fixture.creditTexts = {{"LINE", "A line"}};
    }
    // The game with its intro before a new game, whose main reports itself.
    void WriteIntroGame() {
        fixture.intro = true;
        fixture.mainScript = "function main() Error('main') end";
        WriteDevOptions("[DEBUG]\r\nShowIntro=1\r\nShowGameMenu=0\r\n");
        WriteGame();
    }
    // Left, top, width and height.
    static std::vector<int32_t> Place(TRectComp& comp) {
        const TRectArea r = Bounds(comp);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
};

TEST_F(ScreensRulesTest, EverySlotStandsInItsColumnAndRowAndHandsOverItsOwnItem) {
    fixture.mainScript = "Game = {} Map = {} function main() end";
    Start();
    ASSERT_TRUE(Run("Items = {} local i = 0 while i < 30 do Items[i] = {}"
                    " Engine.AddInventoryItem(Items[i], 'key', i) i = i + 1 end"));
    GameWorld& world = World();
    TInventoryView& view = world.InventoryView();
    world.ShowInventory();
    EXPECT_EQ(Place(view), (std::vector<int32_t>{80, 120, 635, 352}));
    for (int32_t i = 0; i < TInventoryView::kSlots; ++i) {
        SCOPED_TRACE(i);
        TListForm& control = view.SlotControl(i);
        EXPECT_EQ(Place(control),
                  (std::vector<int32_t>{280 + 58 * (i % 6), 30 + 58 * (i / 6), 54, 54}));
        EXPECT_TRUE(control.IsVisible());
        // Without a DoItemAction the clicked slot's own record goes to the
        // pointer, and only its slot hides.
        Command(control);
        ASSERT_NE(world.HeldRecord(), nullptr);
        EXPECT_EQ(world.HeldRecord()->id, i);
        EXPECT_FALSE(control.IsVisible());
        world.DropHeldItem();
        EXPECT_TRUE(control.IsVisible());
    }
    Stop();
}

// The press outside hides the window; neither it nor its release reaches
// the room behind. A right click outside goes on to the window's panel
// handler and leaves the window up; a click inside hides nothing.
TEST_F(ScreensRulesTest, ALeftClickOutsideTheInventoryOnlyHidesIt) {
    fixture.mainScript = kReportingScript;
    Start();
    MoveTo(400, 300);
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'key', 1)"));
    GameWorld& world = World();
    world.ShowInventory();
    RunTicks(1);
    ClickAt(400, 330, platform::MouseButton::Right);
    EXPECT_TRUE(world.InventoryView().IsVisible());
    ClickAt(90, 130, platform::MouseButton::Left);
    EXPECT_TRUE(world.InventoryView().IsVisible());
    ClickAt(40, 300, platform::MouseButton::Left);
    EXPECT_FALSE(world.InventoryView().IsVisible());
    EXPECT_EQ(world.HeldRecord(), nullptr);
    EXPECT_TRUE(Boxes().empty());
    // With the window gone the same click reaches the room.
    ClickAt(40, 300, platform::MouseButton::Left);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"room"});
    Stop();
}

TEST_F(ScreensRulesTest, TheMapTakesItsClicksThroughTheWindow) {
    fixture.mainScript = kReportingScript;
    Start();
    MoveTo(400, 300);
    ASSERT_TRUE(Run("Engine.CreateMapEntry(Here, 'Hall', 1, 100, 100)"));
    GameWorld& world = World();
    ASSERT_EQ(world.DoShow(), 0);
    RunTicks(1);
    // The map stands at (60, 10); the location's picture is 40 wide.
    ClickAt(60 + 110, 10 + 110, platform::MouseButton::Left);
    EXPECT_FALSE(world.MapVisible());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"location"});
    // The right button anywhere on it only hides it.
    world.DoShow();
    RunTicks(1);
    ClickAt(60 + 300, 10 + 50, platform::MouseButton::Right);
    EXPECT_FALSE(world.MapVisible());
    EXPECT_EQ(Boxes().size(), 1u);
    // So does the back button, which the map's picture holds at (570, 529).
    world.DoShow();
    RunTicks(1);
    ClickAt(60 + 575, 10 + 535, platform::MouseButton::Left);
    EXPECT_FALSE(world.MapVisible());
    EXPECT_EQ(Boxes().size(), 1u);
    Stop();
}

TEST_F(ScreensRulesTest, TaskBarPanelsAndButtonsStandWhereTheyBelong) {
    Start();
    GameWorld& world = World();
    TaskBarPanel1& left = world.LeftPanel();
    TaskBarPanel2& right = world.RightPanel();
    const struct {
        TRectComp* comp;
        std::vector<int32_t> place;
    } places[] = {
        {&left, {0, 543, 108, 57}},         {&left.Background(), {0, 0, 108, 57}},
        {&left.Button(0), {5, 3, 48, 49}},  {&left.Button(1), {55, 3, 48, 49}},
        {&right, {692, 543, 108, 57}},      {&right.Background(), {0, 0, 108, 57}},
        {&right.Button(0), {6, 6, 48, 45}}, {&right.Button(1), {55, 6, 48, 45}},
    };
    for (size_t i = 0; i < std::size(places); ++i)
        EXPECT_EQ(Place(*places[i].comp), places[i].place) << i;
    // The menu and replay buttons: "a" normal and with the pointer over it,
    // "b" pressed.
    const struct {
        TListForm* button;
        const char* a;
        const char* b;
    } pictures[] = {{&left.Button(1), "picGameBtnMenu1a", "picGameBtnMenu1b"},
                    {&right.Button(0), "picGameBtnRepeatDialgo1a", "picGameBtnRepeatDialgo1b"},
                    {&right.Button(1), "picGameBtnLanguage1a", "picGameBtnLanguage1b"}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.a);
        const TStyle& style = p.button->GetStyleRecords();
        EXPECT_EQ(style.GetRecord(1).source, NamedPicture(p.a));
        EXPECT_EQ(style.GetRecord(4).source, NamedPicture(p.a));
        EXPECT_EQ(style.GetRecord(2).source, NamedPicture(p.b));
        EXPECT_EQ(style.GetRecord(5).source, NamedPicture(p.b));
        EXPECT_NE(style.GetRecord(1).source, nullptr);
    }
    Stop();
}

// Item numbers pick the pictures of albInventory: numbers it has no
// picture for show nothing, in the slots and at the pointer, and read
// nothing outside the album.
TEST_F(ScreensRulesTest, ItemNumbersWithoutAPictureShowNothing) {
    fixture.mainScript = "Game = {} Map = {} function main() end";
    Start();
    MoveTo(400, 300);
    ASSERT_TRUE(Run("Engine.AddInventoryItem({}, 'key', -1)"
                    "Engine.AddInventoryItem({}, 'key', 2147483647)"
                    "Engine.AddInventoryItem({}, 'key', -2147483648)"
                    "Engine.AddInventoryItem({}, 'key', 100000, 1)"));
    GameWorld& world = World();
    world.ShowInventory();
    for (int x : {300, 420, 500}) {
        MoveTo(x, 250);
        RunTicks(1);
    }
    ASSERT_NE(world.HeldRecord(), nullptr);
    EXPECT_EQ(world.HeldRecord()->id, 100000);
    for (int32_t slot = 0; slot < 3; ++slot) {
        world.DropHeldItem();
        Command(world.InventoryView().SlotControl(slot));
        ASSERT_NE(world.HeldRecord(), nullptr) << slot;
        MoveTo(350 + slot, 250);
    }
    world.DropHeldItem();
    RunTicks(2);
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

// Offsets at the ends of the number range: the running top stays at the end
// it reached instead of wrapping round, and a step from the lowest place
// wraps the item to the bottom.
TEST_F(ScreensRulesTest, CreditOffsetsAtTheEndsOfTheRangeStayThere) {
    const std::string text = "Text=LINE\r\nSizeX=100\r\nSizeY=20\r\n";
    fixture.settings = {
        {"iniCase0", "[Global]\r\nTextResource=txtCredits\r\nLoop=no\r\n[Item0]\r\n" + text +
                         "OffsetY=2147483647\r\n[Item1]\r\n" + text +
                         "OffsetY=2147483647\r\nOffsetX=-2147483648\r\n[Item2]\r\n" + text +
                         "OffsetY=-2147483648\r\n[Item3]\r\n[Item4]\r\n"},
        {"iniCase1",
         "[Global]\r\nTextResource=txtCredits\r\n[Item0]\r\n" + text + "OffsetY=-2147483648\r\n"},
    };
    fixture.creditTexts = {{"LINE", "A line"}};
    Start();
    const int32_t kMax = 2147483647, kMin = -kMax - 1;
    const struct {
        std::vector<int32_t> built, stepped;
        int32_t height;
    } expects[] = {
        // Newest first: Item2, Item1, Item0.
        {{-1, kMax, kMax}, {-2, kMax - 1, kMax - 1}, 59},
        {{kMin}, {600}, kMin + 20},
    };
    for (int n = 0; n < 2; ++n) {
        SCOPED_TRACE(n);
        TIniFile ini(("iniCase" + std::to_string(n)).c_str());
        TTextSequence screen;
        Open(screen, ini);
        const auto tops = [&] {
            std::vector<int32_t> tops;
            for (TGraphic* item : screen.Items())
                tops.push_back(item->GetY());
            return tops;
        };
        EXPECT_EQ(tops(), expects[n].built);
        EXPECT_EQ(screen.ContentHeight(), expects[n].height);
        screen.OnScrollTimer(nullptr, nullptr);
        EXPECT_EQ(tops(), expects[n].stepped);
        RunTicks(1);
        EXPECT_TRUE(screen.IsVisible());
        screen.Close();
    }
    Stop();
}

// Credits settings are data: sizes far beyond the screen and names of resources the game does not
// have build a screen that steps, draws and closes; what is missing is reported.
TEST_F(ScreensRulesTest, CreditsFromHostileSettingsStepDrawAndClose) {
    const std::vector<std::string> cases = {
        "[Global]\r\nTextResource=txtCredits\r\nScrollspeed=2147483647\r\nWait=-2147483648\r\n"
        "[Item0]\r\nText=LINE\r\nSizeX=2147483647\r\nSizeY=2147483647\r\n"
        "[Item1]\r\nImage=picMapBeach\r\nSizeX=2147483647\r\nSizeY=2147483647\r\n"
        "[Item2]\r\nImage=picMapBeach\r\nSizeX=-5\r\nSizeY=-2147483648\r\n",
        "[Global]\r\nTextResource=txtNone\r\nBackImage=picNone\r\nBackAnim=aniNone\r\n"
        "Wave=wavNone\r\nFontName=fntNone\r\n"
        "[Item0]\r\nText=NONE\r\n[Item1]\r\nImage=picNone\r\n[Item2]\r\nAnim=aniNone\r\n",
    };
    for (size_t i = 0; i < cases.size(); ++i)
        fixture.settings.push_back({"iniCase" + std::to_string(i), cases[i]});
    fixture.creditTexts = {{"LINE", "A line"}};
    Start();
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        TIniFile ini(("iniCase" + std::to_string(i)).c_str());
        TTextSequence screen;
        Open(screen, ini);
        for (int step = 0; step < 3; ++step) {
            screen.OnScrollTimer(nullptr, nullptr);
            RunTicks(1);
        }
        screen.Close();
        RunTicks(1);
    }
    const std::vector<std::string> boxes = Boxes();
    for (const char* missing : {"txtNone", "picNone", "aniNone", "wavNone", "fntNone"}) {
        const auto names = [&](const std::string& box) { return box.find(missing) != box.npos; };
        EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(), names)) << missing;
    }
    Stop();
}

// Without TextResource no text resource is looked up: the texts stay empty
// and nothing is reported.
TEST_F(ScreensRulesTest, CreditsWithoutATextResourceReportNothing) {
    fixture.settings = {{"iniCase0", "[Global]\r\nLoop=no\r\n[Item0]\r\nText=LINE\r\n"}};
    fixture.creditTexts = {{"LINE", "A line"}};
    Start();
    TIniFile ini("iniCase0");
    TTextSequence screen;
    Open(screen, ini);
    ASSERT_EQ(screen.Items().size(), 1u);
    auto* label = dynamic_cast<TLabel*>(screen.Items()[0]);
    ASSERT_NE(label, nullptr);
    EXPECT_STREQ(label->GetText() ? label->GetText() : "", "");
    RunTicks(1);
    screen.Close();
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

// DisableMap leaves a shown map on the screen, switched off; the next
// request for the map switches it on again.
TEST_F(ScreensRulesTest, TheNextShowEnablesADisabledMap) {
    fixture.mainScript = "Game = {} Map = {} function main() end";
    Start();
    GameWorld& world = World();
    world.DoShow();
    ASSERT_TRUE(Run("Engine.DisableMap()"));
    EXPECT_TRUE(world.MapVisible());
    EXPECT_FALSE(world.Map().IsEnabled());
    world.HideMap();
    world.DoShow();
    EXPECT_TRUE(world.MapVisible());
    EXPECT_TRUE(world.Map().IsEnabled());
    Stop();
}

// An intro whose animation cannot be read is reported and ends by itself:
// the game starts without a key pressed.
TEST_F(ScreensRulesTest, AnUnreadableIntroEndsByItself) {
    WriteIntroGame();
    // An album of a version the reader does not take.
    dir.Write("data/int/all/video/intro.alb", std::string(300, '\0'));
    ASSERT_TRUE(GameSetUp());
    App().Show();
    RunTicks(1);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), "main");
    EXPECT_GE(boxes.size(), 2u);
    Stop();
}

// The whole use of an item by the player's clicks: the first click takes the
// key to the pointer, whose picture then stands under it; the click on the
// lamp's slot reaches the slot, not the picture, and uses the key on it.
TEST_F(ScreensRulesTest, AnItemTakenAndUsedByClicksInTheInventory) {
    fixture.mainScript = "Game = {} Map = {} Key = {} Lamp = {}"
                         " function Game.DoUseItem(a, b)"
                         "  Error(tostring(a == Lamp) .. ' ' .. tostring(b == Key)) end"
                         " function main() end";
    Start();
    MoveTo(400, 300);
    ASSERT_TRUE(Run("Engine.AddInventoryItem(Key, 'key', 1)"
                    "Engine.AddInventoryItem(Lamp, 'lamp', 2)"));
    GameWorld& world = World();
    world.ShowInventory();
    RunTicks(1);
    // Slot i's middle: the window at (80, 120), the slot 54 wide.
    const auto middle = [](int32_t i) {
        return TPoint(80 + 280 + 58 * (i % 6) + 27, 120 + 30 + 58 * (i / 6) + 27);
    };
    ClickAt(middle(0).x, middle(0).y, platform::MouseButton::Left);
    ASSERT_NE(world.HeldRecord(), nullptr);
    EXPECT_EQ(world.HeldRecord()->id, 1);
    MoveTo(middle(1).x, middle(1).y);
    TRectArea at = Bounds(world.Dragged());
    EXPECT_LE(at.left, middle(1).x);
    EXPECT_GT(at.right, middle(1).x);
    ClickAt(middle(1).x, middle(1).y, platform::MouseButton::Left);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"1 1"});
    EXPECT_EQ(world.HeldRecord(), nullptr);
    EXPECT_TRUE(world.InventoryView().IsVisible());
    Stop();
}

// Player input queued before a screen runs, as the platform delivers it.
enum class Input { Key, Escape, Left, Right };

void Queue(Input input) {
    HWND window = TDispDev::Global().GetWindow();
    if (input == Input::Key || input == Input::Escape) {
        const auto key = input == Input::Key ? platform::KeyCode::Space : platform::KeyCode::Escape;
        platform::InjectKey(key, true);
        platform::InjectKey(key, false);
        return;
    }
    const auto button =
        input == Input::Left ? platform::MouseButton::Left : platform::MouseButton::Right;
    platform::InjectMouseMove(window, 400, 300);
    platform::InjectMouseButton(window, button, true, 400, 300);
    platform::InjectMouseButton(window, button, false, 400, 300);
}

// The intro ends at once on a key or on either button's release.
TEST_F(ScreensRulesTest, AnyKeyOrButtonEndsTheIntro) {
    fixture.intro = true;
    Start();
    for (Input input : {Input::Key, Input::Left, Input::Right}) {
        SCOPED_TRACE(int(input));
        IntroScreen intro;
        intro.SetRect(0, 0, 800, 600);
        intro.Open(&App(), dynamic_cast<TMetaAni*>(Resources().Find("aniIntro")));
        intro.ToFront();
        intro.Show();
        RunTicks(1);
        ASSERT_TRUE(intro.IsVisible() && intro.IsEnabled());
        Queue(input);
        RunTicks(1);
        EXPECT_FALSE(intro.IsVisible() && intro.IsEnabled());
        intro.Close();
    }
    Stop();
}

// The credits end early on Esc and on the left button's release only; else
// they run their ten seconds' wait and their steps.
TEST_F(ScreensRulesTest, EscOrALeftClickEndsTheCreditsEarly) {
    UseLongCredits();
    Start();
    const struct {
        Input input;
        bool early;
    } cases[] = {
        {Input::Escape, true}, {Input::Left, true}, {Input::Key, false}, {Input::Right, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.input));
        Queue(c.input);
        const DWORD start = timeGetTime();
        App().ShowCredits();
        const DWORD took = timeGetTime() - start;
        if (c.early)
            EXPECT_LT(took, 1000u);
        else
            EXPECT_GE(took, 10000u);
    }
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

void NewGameNow() {
    App().OpenMenu();
    App().NewGame();
}

// A DoUseItem that begins a new game: the item held in the old game goes
// with it; the new game's own held item stays at the pointer.
TEST_F(ScreensRulesTest, AUseThatBeginsANewGameLeavesItsHeldItem) {
    fixture.mainScript = "Game = {} Map = {}"
                         " function Game.DoUseItem(a, b) NewGameNow() end"
                         " function main() Engine.AddInventoryItem({}, 'key', 1, 1)"
                         "  Engine.AddInventoryItem({}, 'lamp', 2) end";
    Start();
    App().World()->MainState()->RegisterGlobalFunction(&NewGameNow, "NewGameNow");
    GameWorld& old = World();
    ASSERT_NE(old.HeldRecord(), nullptr);
    Command(old.InventoryView().SlotControl(1));
    ASSERT_NE(App().World(), &old);
    InventorySlot* held = World().HeldRecord();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->id, 1);
    RunTicks(2);
    Stop();
}

void CALLBACK PressCloseButton(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    platform::InjectCloseButton(TDispDev::Global().GetWindow());
}

// The credits run as the program ends: the close button then ends it at
// once, without asking about a game that is over and without a second run
// of the credits over the first.
TEST_F(ScreensRulesTest, TheCloseButtonDuringTheCreditsEndsTheProgramAtOnce) {
    UseLongCredits();
    Start();
    const DWORD start = timeGetTime();
    ASSERT_TRUE(Run("Engine.QuitGame()"));
    ASSERT_NE(timeSetEvent(2000, 0, &PressCloseButton, 0, TIME_ONESHOT), 0u);
    RunTicks(1000);
    EXPECT_FALSE(App().IsEnabled());
    EXPECT_LT(timeGetTime() - start, 3000u);
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

// The close button answered yes during the intro ends the program: the game
// does not begin behind it.
TEST_F(ScreensRulesTest, TheCloseButtonDuringTheIntroBeginsNoGame) {
    WriteIntroGame();
    ASSERT_TRUE(GameSetUp());
    ASSERT_NE(timeSetEvent(200, 0, &PressCloseButton, 0, TIME_ONESHOT), 0u);
    App().Show();
    RunTicks(100);
    EXPECT_FALSE(App().IsEnabled());
    EXPECT_EQ(App().World(), nullptr);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"QuitPage"});
    Stop();
}

} // namespace
} // namespace gametest
