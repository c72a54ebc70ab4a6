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
        if (c.file) WriteDevOptions(c.file);
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
