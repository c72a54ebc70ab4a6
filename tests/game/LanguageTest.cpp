// The language switch between two resource indexes that name each other:
// the texts follow the index in force, a switch to the language in force
// changes nothing, and a missing other index is reported once and changes
// nothing either.
#include "GameTestFixture.h"

#include "CtfWriter.h"
#include "RlaWriter.h"
#include "SectionWriter.h"
#include "MapView.h"
#include "TMapEntry.h"
#include "TQuestionBox.h"

#include "foundation/TSectTxt.h"

#include <algorithm>

namespace gametest {
namespace {

class Languages : public GameTest {
protected:
    // The second index: the first one with its own main texts, naming the
    // first as the other one. The first names `other` (with drive and
    // folders, which do not count).
    void WriteSecondLanguage(const std::string& other) {
        const std::vector<unsigned char> bytes =
            testsupport::TempDir::Read(dir.File("resource.ini"));
        const std::string first(bytes.begin(), bytes.end());
        std::string second = first;
        Replace(second, "text\\main.ctf", "text\\main_de.ctf");
        Replace(second, "rooms\\HallBack.rla", "rooms\\HallBack_de.rla");
        Replace(second, "Path=data\r\n", "Path=data\r\nResourceIni=resource.ini\r\n");
        dir.Write("resource_de.ini", second);
        std::string named = first;
        Replace(named, "Path=data\r\n", "Path=data\r\nResourceIni=" + other + "\r\n");
        dir.Write("resource.ini", named);
        dir.Write("data/text/main_de.ctf",
                  tools::WriteCtf(tools::WriteSections({{"STDQUEST_YES", "Ja"}}),
                                  tools::CtfPacking::Stored));
        // The other language's room background has two pictures.
        tools::RlaWriter back;
        tools::RgbaImage plain;
        plain.width = 8;
        plain.height = 8;
        plain.rgba.assign(8 * 8 * 4, 255);
        back.AddSprite(0, plain);
        back.AddSprite(0, plain);
        dir.Write("data/int/all/pictures/rooms/HallBack_de.rla", back.Finish());
    }
    static int32_t RoomBackPictures() {
        return App().World()->RoomView().Background().FrameCount(0);
    }
    static void Replace(std::string& text, const std::string& what, const std::string& with) {
        const size_t at = text.find(what);
        ASSERT_NE(at, std::string::npos) << what;
        text.replace(at, what.size(), with);
    }
    // Start without writing the game again.
    void StartWritten() {
        Statics().noteHook = &RecordNote;
        ASSERT_TRUE(GameSetUp());
        App().Show();
        RunTicks(1);
    }
    static std::string Yes() {
        TSectTxt* main = Resources().Text("txtMain");
        main->SetSection("STDQUEST_YES");
        const char* text = main->GetSection();
        return text ? text : "";
    }
};

TEST_F(Languages, TextsFollowTheIndexInForce) {
    WriteGame();
    WriteSecondLanguage("c:\\elsewhere\\deep\\resource_de.ini");
    StartWritten();
    Language& language = Statics().language;
    EXPECT_EQ(Yes(), "Yes");
    EXPECT_EQ(RoomBackPictures(), 1);
    EXPECT_FALSE(language.Switch(0)) << "the language in force";
    EXPECT_TRUE(language.Switch(1));
    EXPECT_EQ(language.Index(), 1);
    EXPECT_EQ(Yes(), "Ja");
    EXPECT_EQ(RoomBackPictures(), 2) << "the room's pictures follow";
    {
        TQuestionBox box;
        box.Layout(&App(), "?");
        EXPECT_STREQ(box.First().GetText(), "Ja") << "the box follows the language";
        box.Close();
    }
    EXPECT_FALSE(language.Switch(1));
    EXPECT_EQ(Yes(), "Ja");
    EXPECT_TRUE(language.Switch(0));
    EXPECT_EQ(Yes(), "Yes");
    EXPECT_EQ(RoomBackPictures(), 1);
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

// Every hint the player can hover is the new language's at once: the
// room's elements, the player, the map's places and the inventory's items.
TEST_F(Languages, HintsOnScreenFollowTheLanguage) {
    fixture.mainScript = tools::FullMainScript();
    WriteGame();
    WriteSecondLanguage("resource_de.ini");
    for (const char* name : {"resource.ini", "resource_de.ini"}) {
        const std::vector<unsigned char> bytes = testsupport::TempDir::Read(dir.File(name));
        std::string index(bytes.begin(), bytes.end());
        const bool german = std::string(name) == "resource_de.ini";
        Replace(index, "[Text]\r\n",
                std::string("[Text]\r\ntxtHall=text\\hall") + (german ? "_de" : "") + ".ctf\r\n");
        if (german) Replace(index, "text\\hint.ctf", "text\\hint_de.ctf");
        dir.Write(name, index);
    }
    const auto ctf = [](const std::vector<tools::TextSection>& sections) {
        return tools::WriteCtf(tools::WriteSections(sections), tools::CtfPacking::Stored);
    };
    dir.Write("data/text/hall.ctf", ctf({{"Lamp0", "A lamp"}}));
    dir.Write("data/text/hall_de.ctf", ctf({{"Lamp0", "Eine Lampe"}}));
    dir.Write("data/text/hint_de.ctf", ctf({{"Actor00", "Der Spieler"},
                                            {"key", "Ein Schluessel"},
                                            {"MapHall", "Die Halle"},
                                            {"MapGarden", "Der Garten"}}));
    StartWritten();
    const auto hints = [] {
        std::vector<std::string> words;
        TRoom& room = App().World()->RoomView();
        for (int32_t i = 0; i < room.ElementCount(); ++i) {
            const std::string hint = room.ElementAt(i)->GetHint().c_str();
            if (!hint.empty()) words.push_back(hint);
        }
        MapView* map = MapView::Instance();
        for (int32_t i = 0; map && i < map->EntryCount(); ++i)
            if (TMapEntry* entry = map->GetEntry(i)) words.push_back(entry->GetHint().c_str());
        // The inventory's slot of the key, whose hint shows once it is open.
        words.push_back(App().World()->InventoryView().SlotControl(0).GetHint().c_str());
        std::sort(words.begin(), words.end());
        return words;
    };
    EXPECT_EQ(hints(), (std::vector<std::string>{"A key", "A lamp", "The garden", "The hall",
                                                 "The player"}));
    ASSERT_TRUE(Statics().language.Switch(1));
    EXPECT_EQ(hints(), (std::vector<std::string>{"Der Garten", "Der Spieler", "Die Halle",
                                                 "Ein Schluessel", "Eine Lampe"}));
    ASSERT_TRUE(Statics().language.Switch(0));
    EXPECT_EQ(hints(), (std::vector<std::string>{"A key", "A lamp", "The garden", "The hall",
                                                 "The player"}));
    Stop();
}

TEST_F(Languages, AMissingIndexChangesNothingAndIsReportedOnce) {
    WriteGame();
    WriteSecondLanguage("resource_xx.ini");
    StartWritten();
    Language& language = Statics().language;
    platform::ClearMessageBoxLog();
    EXPECT_FALSE(language.Switch(1));
    EXPECT_EQ(language.Index(), 0);
    EXPECT_EQ(Yes(), "Yes");
    RunTicks(2);
    const std::vector<std::string> boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("resource_xx.ini"), std::string::npos) << boxes[0];
    Stop();
}

} // namespace
} // namespace gametest
