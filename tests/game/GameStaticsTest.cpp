// The developer options and the named resources.
#include "GameTestFixture.h"

#include "DevOptions.h"
#include "NamedResources.h"

#include "foundation/TIniFile.h"
#include "foundation/TSectTxt.h"
#include "media/resources/TAlbum.h"
#include "media/resources/TCursorRes.h"
#include "media/animation/TMetaAni.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "media/resources/TPalette.h"
#include "media/sound/TWave.h"

#include <typeinfo>

namespace gametest {
namespace {

struct Switches {
    int32_t intro, zones, taskbar, menu, label, credits, save;
};

Switches Read(const DevOptions& o) {
    return {o.showIntro,      o.showZones,   o.showTaskbar,   o.showGameMenu,
            o.showDebugLabel, o.showCredits, o.enableSaveGame};
}

bool operator==(const Switches& a, const Switches& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Values are kept as written: the readers test "equals 1" or "non-zero".
TEST_F(GameTest, DeveloperOptionsReadFromDriveE) {
    const Switches finished{1, 0, 0, 1, 0, 1, 1};
    const struct {
        const char* file;
        Switches expected;
    } cases[] = {
        {nullptr, finished},
        {"[DEBUG]\r\nEnableSaveGame=2\r\nShowCredits=2\r\n", {1, 0, 0, 1, 0, 2, 2}},
        {"[DEBUG]\r\nShowZones=0x1\r\nShowIntro=0\r\nShowGameMenu=0\r\n", {0, 1, 0, 0, 0, 1, 1}},
        {"[DEBUG]\r\nShowDebugLabel=1\r\nShowTaskbar=1\r\n", {1, 0, 1, 1, 1, 1, 1}},
        {"[OTHER]\r\nShowIntro=0\r\n", finished},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "no file");
        platform::RemoveFile(dir.File("e/Adventuredev.ini").c_str());
        if (c.file) WriteDevFile(c.file);
        EXPECT_TRUE(Read(DevOptions()) == c.expected);
    }
}

TEST_F(GameTest, WithoutDriveEEverySwitchHasItsDefault) {
    WriteDevOptions("[DEBUG]\r\nShowIntro=0\r\n");
    platform::UnmapAllDrives();
    EXPECT_EQ(DevOptions().showIntro, 1);
}

TEST(NamedResources, BuiltInTheTablesOrderWithTwoObjectsForTwoKeys) {
    NamedResources r;
    ASSERT_EQ(r.Count(), 107);
    EXPECT_STREQ(r.KeyAt(0), "palMain");
    EXPECT_STREQ(r.KeyAt(r.Count() - 1), "picMapLightHouse");
    EXPECT_STREQ(r.KeyAt(2), "fntDialog");
    EXPECT_STREQ(r.KeyAt(3), "fntDialog");
    EXPECT_STREQ(r.KeyAt(8), "curClock");
    EXPECT_STREQ(r.KeyAt(13), "curClock");
    EXPECT_EQ(r.Find("fntDialog", 1), r.At(3));
    EXPECT_EQ(r.Find("curClock", 1), r.At(13));
    EXPECT_EQ(r.Find("curClock", 2), nullptr);
    EXPECT_EQ(r.Font("fntDialog", 0)->GetSubFont(), 0);
    EXPECT_EQ(r.Font("fntDialog", 1)->GetSubFont(), 1);
    // Each key's class and its default folder.
    EXPECT_NE(dynamic_cast<TPalette*>(r.Find("palMain")), nullptr);
    EXPECT_NE(dynamic_cast<TMetaCur*>(r.Find("curHand")), nullptr);
    EXPECT_NE(dynamic_cast<TSectTxt*>(r.Find("txtHint")), nullptr);
    EXPECT_NE(dynamic_cast<TIniFile*>(r.Find("iniCredits")), nullptr);
    EXPECT_NE(dynamic_cast<TMetaImg*>(r.Find("albInventory")), nullptr);
    EXPECT_NE(dynamic_cast<TMetaAni*>(r.Find("aniIntro")), nullptr);
    EXPECT_NE(dynamic_cast<TWave*>(r.Find("wavMain")), nullptr);
    EXPECT_NE(dynamic_cast<TAlbum*>(r.Find("picMenuScrollBar")), nullptr);
    EXPECT_EQ(dynamic_cast<TMetaImg*>(r.Find("picMenuScrollBar")), nullptr);
    EXPECT_STREQ(r.Font("fntFileDialog")->GetFolder(), "Fonts");
    EXPECT_STREQ(r.Text("txtMain")->GetFolder(), "Text");
}

enum class Class { Palette, MetaFnt, MetaCur, SectTxt, IniFile, MetaImg, Album, MetaAni, Wave };

// Whether `object` is exactly of `kind`, with that class's default folder (the
// palette finds its file through its own section).
bool IsOfClass(TSwpFile* object, Class kind) {
    const struct {
        const std::type_info& type;
        const char* folder;
    } classes[] = {{typeid(TPalette), nullptr},   {typeid(TMetaFnt), "Fonts"},
                   {typeid(TMetaCur), "Cursors"}, {typeid(TSectTxt), "Text"},
                   {typeid(TIniFile), "Data"},    {typeid(TMetaImg), "Pictures"},
                   {typeid(TAlbum), "Pictures"},  {typeid(TMetaAni), "Animations"},
                   {typeid(TWave), "Waves"}};
    const auto& c = classes[int(kind)];
    if (!object || typeid(*object) != c.type) return false;
    const auto* resource = dynamic_cast<TResource*>(object);
    return !c.folder || (resource && std::string(resource->GetFolder()) == c.folder);
}

// The whole set, in the order of building: key, class and a font's mode.
TEST(NamedResources, EveryObjectWithItsKeyClassAndFontMode) {
    const struct {
        const char* key;
        Class kind;
        int32_t fontMode; // -1: not a font
    } rows[] = {
        {"palMain", Class::Palette, -1},
        {"fntMain", Class::MetaFnt, 0},
        {"fntDialog", Class::MetaFnt, 0},
        {"fntDialog", Class::MetaFnt, 1},
        {"fntGameMenu", Class::MetaFnt, 0},
        {"fntScript", Class::MetaFnt, 0},
        {"fntBlende", Class::MetaFnt, 0},
        {"curArrow", Class::MetaCur, -1},
        {"curClock", Class::MetaCur, -1},
        {"curHand", Class::MetaCur, -1},
        {"curExit", Class::MetaCur, -1},
        {"curNoEntry", Class::MetaCur, -1},
        {"curExitArrow", Class::MetaCur, -1},
        {"curClock", Class::MetaCur, -1},
        {"txtMain", Class::SectTxt, -1},
        {"txtHint", Class::SectTxt, -1},
        {"txtDialoge", Class::SectTxt, -1},
        {"iniGui", Class::IniFile, -1},
        {"iniKeys", Class::IniFile, -1},
        {"iniCredits", Class::IniFile, -1},
        {"picError", Class::MetaImg, -1},
        {"picQuest", Class::MetaImg, -1},
        {"picMain", Class::MetaImg, -1},
        {"picMain2", Class::MetaImg, -1},
        {"picDrive", Class::MetaImg, -1},
        {"picExec", Class::MetaImg, -1},
        {"picFile", Class::MetaImg, -1},
        {"picFolder", Class::MetaImg, -1},
        {"albPanels", Class::MetaImg, -1},
        {"albTaskBar", Class::MetaImg, -1},
        {"albInvItems", Class::MetaImg, -1},
        {"albInvItemsDD", Class::MetaImg, -1},
        {"albInventory", Class::MetaImg, -1},
        {"albSpeechAnims", Class::MetaImg, -1},
        {"picQuestBtn", Class::MetaImg, -1},
        {"picQuestBtnUC", Class::MetaImg, -1},
        {"picBtnGameMenu", Class::MetaImg, -1},
        {"picBtnGameMenuTouched", Class::MetaImg, -1},
        {"aniIntro", Class::MetaAni, -1},
        {"wavMain", Class::Wave, -1},
        {"fntFileDialog", Class::MetaFnt, 0},
        {"picMenu1", Class::MetaImg, -1},
        {"picMenu2", Class::MetaImg, -1},
        {"picMenuQuestExit", Class::MetaImg, -1},
        {"picMenuMusic", Class::MetaImg, -1},
        {"picMenuSpeech", Class::MetaImg, -1},
        {"picMenuBtnNew1a", Class::MetaImg, -1},
        {"picMenuBtnNew1b", Class::MetaImg, -1},
        {"picMenuBtnLoad1a", Class::MetaImg, -1},
        {"picMenuBtnLoad1b", Class::MetaImg, -1},
        {"picMenuBtnLoad2a", Class::MetaImg, -1},
        {"picMenuBtnLoad2b", Class::MetaImg, -1},
        {"picMenuBtnLoad2c", Class::MetaImg, -1},
        {"picMenuBtnSave1a", Class::MetaImg, -1},
        {"picMenuBtnSave1b", Class::MetaImg, -1},
        {"picMenuBtnSave1c", Class::MetaImg, -1},
        {"picMenuBtnSave2a", Class::MetaImg, -1},
        {"picMenuBtnSave2b", Class::MetaImg, -1},
        {"picMenuBtnSave2c", Class::MetaImg, -1},
        {"picMenuBtnExit1a", Class::MetaImg, -1},
        {"picMenuBtnExit1b", Class::MetaImg, -1},
        {"picMenuBtnCancel1a", Class::MetaImg, -1},
        {"picMenuBtnCancel1b", Class::MetaImg, -1},
        {"picMenuBtnOptions1a", Class::MetaImg, -1},
        {"picMenuBtnOptions1b", Class::MetaImg, -1},
        {"picMenuBtnGoBack1a", Class::MetaImg, -1},
        {"picMenuBtnGoBack1b", Class::MetaImg, -1},
        {"picMenuBtnGoBack1c", Class::MetaImg, -1},
        {"picMenuBtnGoBack2a", Class::MetaImg, -1},
        {"picMenuBtnGoBack2b", Class::MetaImg, -1},
        {"picMenuBtnYes1a", Class::MetaImg, -1},
        {"picMenuBtnYes1b", Class::MetaImg, -1},
        {"picMenuBtnNo1a", Class::MetaImg, -1},
        {"picMenuBtnNo1b", Class::MetaImg, -1},
        {"picMenuBtnShadowOn1a", Class::MetaImg, -1},
        {"picMenuBtnShadowOn1b", Class::MetaImg, -1},
        {"picMenuBtnShadowOff1a", Class::MetaImg, -1},
        {"picMenuBtnShadowOff1b", Class::MetaImg, -1},
        {"picMenuBtnFilterOn1a", Class::MetaImg, -1},
        {"picMenuBtnFilterOn1b", Class::MetaImg, -1},
        {"picMenuBtnFilterOff1a", Class::MetaImg, -1},
        {"picMenuBtnFilterOff1b", Class::MetaImg, -1},
        {"picMenuBtnMouseTextOn1a", Class::MetaImg, -1},
        {"picMenuBtnMouseTextOn1b", Class::MetaImg, -1},
        {"picMenuBtnMouseTextOff1a", Class::MetaImg, -1},
        {"picMenuBtnMouseTextOff1b", Class::MetaImg, -1},
        {"picMenuBtnDialogTextOn1a", Class::MetaImg, -1},
        {"picMenuBtnDialogTextOn1b", Class::MetaImg, -1},
        {"picMenuBtnDialogTextOff1a", Class::MetaImg, -1},
        {"picMenuBtnDialogTextOff1b", Class::MetaImg, -1},
        {"picMenuScrollBar", Class::Album, -1},
        {"picPanel1", Class::MetaImg, -1},
        {"picGameBtnMap1a", Class::MetaImg, -1},
        {"picGameBtnMenu1a", Class::MetaImg, -1},
        {"picGameBtnMenu1b", Class::MetaImg, -1},
        {"picPanel2", Class::MetaImg, -1},
        {"picGameBtnRepeatDialgo1a", Class::MetaImg, -1},
        {"picGameBtnRepeatDialgo1b", Class::MetaImg, -1},
        {"picGameBtnLanguage1a", Class::MetaImg, -1},
        {"picGameBtnLanguage1b", Class::MetaImg, -1},
        {"picGameBtnLanguage2a", Class::MetaImg, -1},
        {"picGameBtnLanguage2b", Class::MetaImg, -1},
        {"picMap", Class::MetaImg, -1},
        {"picMapExcavation", Class::MetaImg, -1},
        {"picMapBeach", Class::MetaImg, -1},
        {"picMapBrackleCottage", Class::MetaImg, -1},
        {"picMapLightHouse", Class::MetaImg, -1},
    };
    NamedResources r;
    ASSERT_EQ(r.Count(), int32_t(std::size(rows)));
    for (int32_t i = 0; i < r.Count(); ++i) {
        SCOPED_TRACE(rows[i].key);
        EXPECT_STREQ(r.KeyAt(i), rows[i].key);
        EXPECT_TRUE(IsOfClass(r.At(i), rows[i].kind));
        if (rows[i].fontMode >= 0) {
            EXPECT_EQ(dynamic_cast<TMetaFnt*>(r.At(i))->GetSubFont(), rows[i].fontMode);
        }
    }
}

// The fixture's index names only what the application keeps loaded: the
// rest is never looked up. One fntDialog object let go leaves the other.
TEST_F(GameTest, SharedResourcesLoadWithoutTheUnusedKeys) {
    Start();
    EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
    TMetaFnt* first = Resources().Font("fntDialog", 0);
    TMetaFnt* second = Resources().Font("fntDialog", 1);
    ASSERT_GT(first->LoadCount(), 0);
    ASSERT_GT(second->LoadCount(), 0);
    first->Release();
    EXPECT_EQ(first->LoadCount(), 0);
    EXPECT_GT(second->LoadCount(), 0);
    first->Open();
    Stop();
    EXPECT_EQ(second->LoadCount(), 0);
    EXPECT_EQ(Resources().Text("txtMain")->LoadCount(), 0);
}

} // namespace
} // namespace gametest
