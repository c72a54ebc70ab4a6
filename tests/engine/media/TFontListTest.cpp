// The system font list: filled from the display's window, sorted by face
// name, refilled without doubles, entries carrying the family's records.
#include "drawing/TFontList.h"

#include "media/devices/TDispDev.h"
#include "platform/Host.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<const TFontEntry*> entries(TFontList& list) {
    std::vector<const TFontEntry*> out;
    list.Rewind(1);
    while (void* item = list.Next())
        out.push_back(static_cast<const TFontEntry*>(item));
    return out;
}

class FontList : public ::testing::Test {
protected:
    void SetUp() override { platform::UseHost(platform::HostKind::Memory); }
    void TearDown() override {
        TFontList::Global().Empty();
        TDispDev::Global().Close();
        TDispDev::Global().ReleaseLibrary();
    }
};

TEST_F(FontList, FillsSortedEntriesFromTheDisplayWindow) {
    TDispDev& display = TDispDev::Global();
    display.SetClassName("FontListTest");
    display.SetDriverFlags(0x600);
    display.SetMode(320, 200, 16);
    ASSERT_TRUE(display.Open());
    TFontList& list = TFontList::Global();
    list.Fill();
    const std::vector<const TFontEntry*> first = entries(list);
    ASSERT_FALSE(first.empty());
    for (size_t i = 0; i < first.size(); ++i) {
        const TFontEntry* e = first[i];
        EXPECT_TRUE(e->kind == TFontEntry::kRaster || e->kind == TFontEntry::kTrueType ||
                    e->kind == TFontEntry::kOther);
        EXPECT_STREQ(e->face, e->record.elfLogFont.lfFaceName);
        if (i > 0) {
            EXPECT_LE(std::strcmp(first[i - 1]->face, e->face), 0);
        }
        EXPECT_EQ(list.Find(e->face), e);
    }
    EXPECT_EQ(list.Find("No Such Family"), nullptr);
    EXPECT_EQ(list.Find(nullptr), nullptr);
    // Filling again replaces the entries rather than adding to them.
    list.Fill();
    EXPECT_EQ(list.Count(), int32_t(first.size()));
}

TEST_F(FontList, FillsFromTheScreenWithoutAWindow) {
    TFontList& list = TFontList::Global();
    list.Fill();
    EXPECT_GT(list.Count(), 0);
    list.Empty();
    EXPECT_EQ(list.Count(), 0);
}

} // namespace
