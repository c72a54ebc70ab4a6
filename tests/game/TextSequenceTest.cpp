// The scrolling text screen of the credits, from settings written by the
// test: which items it builds and where, how its timers run, how a step moves
// and wraps the items, and how the screen ends.
#include "GameTestFixture.h"

#include "media/devices/TDispDev.h"

#include "TTextSequence.h"

#include "foundation/TEvent.h"
#include "foundation/TIniFile.h"
#include "ui/TLabel.h"

#include <memory>
#include <string>

namespace gametest {
namespace {

// A text item of `height` pixels, `offset` below the one before.
std::string TextItem(int n, int offset, int height = 20, const std::string& more = "") {
    return "[Item" + std::to_string(n) + "]\r\nText=LINE\r\nOffsetY=" + std::to_string(offset) +
           "\r\nSizeX=200\r\nSizeY=" + std::to_string(height) + "\r\n" + more;
}

const std::string kGlobal = "[Global]\r\nTextResource=txtCredits\r\n";

class TextSequenceTest : public GameTest {
protected:
    // The game with the settings `cases` (keys iniCase0, iniCase1 ...).
    void StartWith(const std::vector<std::string>& cases) {
        for (size_t i = 0; i < cases.size(); ++i)
            fixture.settings.push_back({"iniCase" + std::to_string(i), cases[i]});
        fixture.creditTexts = {{"LINE", "A line"}};
        Start();
    }
    // The screen of case `n`, loaded over the application and shown.
    std::unique_ptr<TTextSequence> Load(int n) {
        ini = std::make_unique<TIniFile>(("iniCase" + std::to_string(n)).c_str());
        auto screen = std::make_unique<TTextSequence>();
        screen->SetRect(0, 0, 800, 600);
        screen->SetIniFile(ini.get());
        screen->Load(&App());
        // As the modal run shows it.
        screen->Show();
        return screen;
    }
    // The tops of the items, the last built first in each kind: images,
    // then texts.
    static std::vector<int32_t> Tops(TTextSequence& screen) {
        std::vector<int32_t> tops;
        for (TGraphic* item : screen.Items())
            tops.insert(tops.begin(), item->GetY());
        return tops;
    }
    static void Step(TTextSequence& screen, int times = 1) {
        for (int i = 0; i < times; ++i)
            screen.OnScrollTimer(nullptr, nullptr);
    }

    std::unique_ptr<TIniFile> ini;
};

TEST_F(TextSequenceTest, ItemsStandBelowEachOtherFromTheirOffsets) {
    StartWith({
        kGlobal + TextItem(0, 10) + TextItem(1, 10) + TextItem(2, 10),
        kGlobal + TextItem(0, 0) + TextItem(1, 0) + TextItem(3, 0),
        kGlobal + TextItem(0, 0) + "[Item1]\r\nOffsetY=5\r\n" + TextItem(2, 0),
        kGlobal,
    });
    const struct {
        std::vector<int32_t> tops;
        int32_t height;
    } expects[] = {
        {{10, 40, 70}, 90},
        // Item3 without an Item2 is never read.
        {{0, 20}, 40},
        // A section without Text, Image or Anim leaves the space of the
        // item before it (its offset does not count).
        {{0, 40}, 60},
        {{}, 0},
    };
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        auto screen = Load(n);
        EXPECT_EQ(Tops(*screen), expects[n].tops);
        EXPECT_EQ(screen->ContentHeight(), expects[n].height);
        screen->Close();
    }
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

TEST_F(TextSequenceTest, TheFirstStepWaitsThenEveryStepTakesTheScrollInterval) {
    StartWith({kGlobal + "Wait=2000\r\nScrollspeed=40\r\n" + TextItem(0, 0),
               kGlobal + TextItem(0, 0), kGlobal + "Scrollspeed=0\r\n",
               kGlobal + "Scrollspeed=-5\r\nWait=\r\n"});
    const struct { float first, then; } expects[] = {{2000, 40}, {40, 40}, {40, 40}, {500, 40}};
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        auto screen = Load(n);
        EXPECT_EQ(screen->ScrollTimer().GetInterval(), expects[n].first);
        Step(*screen);
        EXPECT_EQ(screen->ScrollTimer().GetInterval(), expects[n].then);
        screen->Close();
    }
    Stop();
}

// Each item wraps by itself to the bottom while looping; only "no" stops,
// and the step stops at the item that ended the screen. Texts step before
// images: the text at the top ends it, the image below keeps its place.
TEST_F(TextSequenceTest, ContentWrapsWhileLoopingAndEndsTheScreenWithout) {
    const std::string items = TextItem(0, 0) + "[Item1]\r\nImage=picMapBeach\r\n";
    StartWith({kGlobal + "Loop=No\r\n" + items, kGlobal + "Loop=no\r\n" + items});
    auto looping = Load(0);
    EXPECT_TRUE(looping->Loops());
    EXPECT_EQ(looping->ContentHeight(), 60);
    Step(*looping, 61);
    EXPECT_EQ(Tops(*looping), (std::vector<int32_t>{-41, 600}));
    Step(*looping);
    EXPECT_EQ(Tops(*looping), (std::vector<int32_t>{-42, 599}));
    looping->Close();
    auto ending = Load(1);
    EXPECT_FALSE(ending->Loops());
    Step(*ending, 60);
    EXPECT_TRUE(ending->IsVisible());
    Step(*ending);
    EXPECT_FALSE(ending->IsVisible());
    EXPECT_EQ(Tops(*ending), (std::vector<int32_t>{-40, -61}));
    ending->Close();
    Stop();
}

TEST_F(TextSequenceTest, NothingScrollsWithoutItemsAndAClickOrEscEndsTheScreen) {
    StartWith({kGlobal + "Loop=no\r\n"});
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        auto screen = Load(0);
        Step(*screen, 100);
        EXPECT_TRUE(screen->IsVisible());
        TEvent event;
        event.data[TControl::kwKey] = way == 1 ? 0x011B : 0x1C0D;
        if (way == 0)
            screen->OnClick(screen.get(), &event);
        else
            screen->OnKeyDown(&event);
        EXPECT_EQ(screen->IsVisible(), way == 2);
        screen->Close();
    }
    Stop();
}

TEST_F(TextSequenceTest, StylesSizesAndColoursOfTheItems) {
    StartWith({kGlobal + "FontStyle=3D\r\n" + TextItem(0, 0) +
               "[Item1]\r\nText=LINE\r\nSizeX=0\r\nSizeY=50\r\n"
               "[Item2]\r\nImage=picMapBeach\r\nSizeX=0\r\nSizeY=50\r\n"
               "[Item3]\r\nImage=picMapBeach\r\nSizeX=10\r\nSizeY=12\r\nAspect=Scale\r\n"
               "[Item4]\r\nText=LINE\r\nFontStyle=Bold\r\nFontColorR=256\r\n"
               "FontColorG=511\r\nFontColorB=7\r\nFontBackR=1\r\nFontBackG=2\r\nFontBackB=3\r\n"});
    auto screen = Load(0);
    const std::vector<TGraphic*> items = screen->Items();
    ASSERT_EQ(items.size(), 5u);
    // Newest first: texts 4, 1, 0, then images 3, 2.
    auto* bold = dynamic_cast<TLabel*>(items[0]);
    auto* sized = dynamic_cast<TLabel*>(items[1]);
    auto* embossed = dynamic_cast<TLabel*>(items[2]);
    ASSERT_TRUE(bold && sized && embossed);
    EXPECT_EQ(embossed->GetStyle(), 32u);
    EXPECT_EQ(embossed->GetLightColor().Value(), 0u);
    EXPECT_EQ(embossed->GetShadowColor().Value(), 0u);
    EXPECT_EQ(sized->GetWidth(), 0);
    EXPECT_EQ(sized->GetHeight(), 50);
    EXPECT_EQ(bold->GetStyle(), 1u);
    EXPECT_EQ(bold->GetTextColor().Value(), 0x00FF07u);
    EXPECT_EQ(bold->GetBackColor().Value(), 0x010203u);
    EXPECT_FALSE(bold->IsTransparent());
    EXPECT_EQ(items[3]->GetWidth(), 10);
    EXPECT_EQ(items[3]->GetFitFlags(), 1);
    EXPECT_EQ(items[4]->GetWidth(), 40);
    EXPECT_EQ(items[4]->GetHeight(), 40);
    EXPECT_EQ(items[4]->GetFitFlags(), 4);
    screen->Close();
    Stop();
}

// An item's own alignment, style or fit that names none of the values sets
// nothing: the label or image keeps what it was built with, and the
// screen's defaults go only to items without the key.
TEST_F(TextSequenceTest, AnItemsUnknownValueSetsNothing) {
    StartWith({kGlobal +
               "HAlign=Right\r\nVAlign=Bottom\r\nFontStyle=Bold\r\nAspect=Scale\r\n"
               "[Item0]\r\nText=LINE\r\n"
               "[Item1]\r\nText=LINE\r\nHAlign=Middle\r\nVAlign=Up\r\nFontStyle=Italic\r\n"
               "[Item2]\r\nImage=picMapBeach\r\n"
               "[Item3]\r\nImage=picMapBeach\r\nAspect=Wide\r\n"});
    auto screen = Load(0);
    const std::vector<TGraphic*> items = screen->Items();
    ASSERT_EQ(items.size(), 4u);
    // Newest first: texts 1, 0, then images 3, 2.
    auto* unknown = dynamic_cast<TLabel*>(items[0]);
    auto* defaulted = dynamic_cast<TLabel*>(items[1]);
    ASSERT_TRUE(unknown && defaulted);
    EXPECT_EQ(defaulted->GetAlign(), 2);
    EXPECT_EQ(defaulted->GetVertAlign(), 2);
    EXPECT_EQ(defaulted->GetStyle(), 1u);
    const TLabel built;
    EXPECT_EQ(unknown->GetAlign(), built.GetAlign());
    EXPECT_EQ(unknown->GetVertAlign(), built.GetVertAlign());
    EXPECT_EQ(unknown->GetStyle(), built.GetStyle());
    EXPECT_EQ(items[3]->GetFitFlags(), 1);
    EXPECT_EQ(items[2]->GetFitFlags(), TImage().GetFitFlags());
    screen->Close();
    Stop();
}

// A screen that goes without Close lets its items go before their
// pictures, fonts and animations (clean under the address sanitizer).
TEST_F(TextSequenceTest, AScreenThatGoesWithoutCloseIsClean) {
    fixture.intro = true;
    StartWith({kGlobal + "BackImage=picMap\r\nBackAnim=aniIntro\r\n" + TextItem(0, 0) +
               "[Item1]\r\nImage=picMapBeach\r\n[Item2]\r\nAnim=aniIntro\r\n"});
    auto screen = Load(0);
    EXPECT_EQ(screen->Items().size(), 3u);
    Step(*screen, 3);
    screen.reset();
    RunTicks(2);
    Stop();
}

// The end of the program by script shows the credits when ShowCredits is
// set: the loop ends only after the content has scrolled off.
TEST_F(TextSequenceTest, QuitGameShowsTheCreditsFirst) {
    for (const char* shown : {"0", "1"}) {
        SCOPED_TRACE(shown);
        TEngine engine;
        testsupport::UseMemoryDesktop(16);
        WriteDevOptions(std::string("[DEBUG]\r\nShowIntro=0\r\nShowCredits=") + shown + "\r\n");
        fixture.settings = {
            {"iniCredits", kGlobal + "Scrollspeed=10\r\nLoop=no\r\n" + TextItem(0, 0)}};
        fixture.creditTexts = {{"LINE", "A line"}};
        Start();
        const DWORD start = timeGetTime();
        // The game ends faded out, as a room's fade to black leaves it: the
        // credits come at full brightness all the same.
        TDispDev::Global().SetAdjustLevel(0);
        ASSERT_TRUE(Run("Engine.QuitGame()"));
        RunTicks(100);
        EXPECT_FALSE(App().IsEnabled());
        const DWORD took = timeGetTime() - start;
        if (shown[0] == '1') {
            EXPECT_EQ(TDispDev::Global().GetAdjustLevel(), 256);
        }
        // The quit timer's half second, then 21 steps of 10 ms.
        if (shown[0] == '1')
            EXPECT_GE(took, 700u);
        else
            EXPECT_LT(took, 700u);
        Stop();
    }
}

} // namespace
} // namespace gametest
