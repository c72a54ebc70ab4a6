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

#include <cstring>
#include <iterator>

namespace {

enum Kind { kPalette, kFont0, kFont1, kCursor, kText, kIni, kImage, kAlbum, kAnimation, kWave };

struct Row {
    const char* key;
    Kind kind;
};

// Every object, in the order it is built.
constexpr Row kRows[] = {
    {"palMain", kPalette},
    {"fntMain", kFont0},
    {"fntDialog", kFont0},
    {"fntDialog", kFont1},
    {"fntGameMenu", kFont0},
    {"fntScript", kFont0},
    {"fntBlende", kFont0},
    {"curArrow", kCursor},
    {"curClock", kCursor},
    {"curHand", kCursor},
    {"curExit", kCursor},
    {"curNoEntry", kCursor},
    {"curExitArrow", kCursor},
    {"curClock", kCursor},
    {"txtMain", kText},
    {"txtHint", kText},
    {"txtDialoge", kText},
    {"iniGui", kIni},
    {"iniKeys", kIni},
    {"iniCredits", kIni},
    {"picError", kImage},
    {"picQuest", kImage},
    {"picMain", kImage},
    {"picMain2", kImage},
    {"picDrive", kImage},
    {"picExec", kImage},
    {"picFile", kImage},
    {"picFolder", kImage},
    {"albPanels", kImage},
    {"albTaskBar", kImage},
    {"albInvItems", kImage},
    {"albInvItemsDD", kImage},
    {"albInventory", kImage},
    {"albSpeechAnims", kImage},
    {"picQuestBtn", kImage},
    {"picQuestBtnUC", kImage},
    {"picBtnGameMenu", kImage},
    {"picBtnGameMenuTouched", kImage},
    {"aniIntro", kAnimation},
    {"wavMain", kWave},
    {"fntFileDialog", kFont0},
    {"picMenu1", kImage},
    {"picMenu2", kImage},
    {"picMenuQuestExit", kImage},
    {"picMenuMusic", kImage},
    {"picMenuSpeech", kImage},
    {"picMenuBtnNew1a", kImage},
    {"picMenuBtnNew1b", kImage},
    {"picMenuBtnLoad1a", kImage},
    {"picMenuBtnLoad1b", kImage},
    {"picMenuBtnLoad2a", kImage},
    {"picMenuBtnLoad2b", kImage},
    {"picMenuBtnLoad2c", kImage},
    {"picMenuBtnSave1a", kImage},
    {"picMenuBtnSave1b", kImage},
    {"picMenuBtnSave1c", kImage},
    {"picMenuBtnSave2a", kImage},
    {"picMenuBtnSave2b", kImage},
    {"picMenuBtnSave2c", kImage},
    {"picMenuBtnExit1a", kImage},
    {"picMenuBtnExit1b", kImage},
    {"picMenuBtnCancel1a", kImage},
    {"picMenuBtnCancel1b", kImage},
    {"picMenuBtnOptions1a", kImage},
    {"picMenuBtnOptions1b", kImage},
    {"picMenuBtnGoBack1a", kImage},
    {"picMenuBtnGoBack1b", kImage},
    {"picMenuBtnGoBack1c", kImage},
    {"picMenuBtnGoBack2a", kImage},
    {"picMenuBtnGoBack2b", kImage},
    {"picMenuBtnYes1a", kImage},
    {"picMenuBtnYes1b", kImage},
    {"picMenuBtnNo1a", kImage},
    {"picMenuBtnNo1b", kImage},
    {"picMenuBtnShadowOn1a", kImage},
    {"picMenuBtnShadowOn1b", kImage},
    {"picMenuBtnShadowOff1a", kImage},
    {"picMenuBtnShadowOff1b", kImage},
    {"picMenuBtnFilterOn1a", kImage},
    {"picMenuBtnFilterOn1b", kImage},
    {"picMenuBtnFilterOff1a", kImage},
    {"picMenuBtnFilterOff1b", kImage},
    {"picMenuBtnMouseTextOn1a", kImage},
    {"picMenuBtnMouseTextOn1b", kImage},
    {"picMenuBtnMouseTextOff1a", kImage},
    {"picMenuBtnMouseTextOff1b", kImage},
    {"picMenuBtnDialogTextOn1a", kImage},
    {"picMenuBtnDialogTextOn1b", kImage},
    {"picMenuBtnDialogTextOff1a", kImage},
    {"picMenuBtnDialogTextOff1b", kImage},
    {"picMenuScrollBar", kAlbum},
    {"picPanel1", kImage},
    {"picGameBtnMap1a", kImage},
    {"picGameBtnMenu1a", kImage},
    {"picGameBtnMenu1b", kImage},
    {"picPanel2", kImage},
    {"picGameBtnRepeatDialgo1a", kImage},
    {"picGameBtnRepeatDialgo1b", kImage},
    {"picGameBtnLanguage1a", kImage},
    {"picGameBtnLanguage1b", kImage},
    {"picGameBtnLanguage2a", kImage},
    {"picGameBtnLanguage2b", kImage},
    {"picMap", kImage},
    {"picMapExcavation", kImage},
    {"picMapBeach", kImage},
    {"picMapBrackleCottage", kImage},
    {"picMapLightHouse", kImage},
};

TSwpFile* Make(const Row& row) {
    switch (row.kind) {
        case kPalette: return new TPalette(row.key);
        case kFont0: return new TMetaFnt(row.key, 0);
        case kFont1: return new TMetaFnt(row.key, 1);
        case kCursor: return new TMetaCur(row.key);
        case kText: return new TSectTxt(row.key);
        case kIni: return new TIniFile(row.key);
        case kImage: return new TMetaImg(row.key);
        case kAlbum: return new TAlbum(row.key);
        case kAnimation: return new TMetaAni(row.key);
        case kWave: return new TWave(row.key);
    }
    return nullptr;
}

// What the application keeps loaded for the whole run, in the order it loads
// them (and releases them again).
constexpr const char* kSharedTexts[] = {"txtMain", "txtHint", "txtDialoge"};
constexpr const char* kSharedCursors[] = {"curArrow", "curClock",   "curHand",
                                          "curExit",  "curNoEntry", "curExitArrow"};

} // namespace

NamedResources::NamedResources() {
    objects_.reserve(std::size(kRows));
    for (const Row& row : kRows)
        objects_.emplace_back(Make(row));
}

NamedResources::~NamedResources() {
    while (!objects_.empty())
        objects_.pop_back();
}

TSwpFile* NamedResources::At(int32_t index) const {
    return index >= 0 && index < Count() ? objects_[size_t(index)].get() : nullptr;
}

const char* NamedResources::KeyAt(int32_t index) const {
    return index >= 0 && index < Count() ? kRows[index].key : nullptr;
}

TSwpFile* NamedResources::Find(const char* key, int32_t nth) const {
    if (!key) return nullptr;
    for (int32_t i = 0; i < Count(); ++i)
        if (std::strcmp(kRows[i].key, key) == 0 && nth-- == 0) return At(i);
    return nullptr;
}

TSectTxt* NamedResources::Text(const char* key) const {
    return dynamic_cast<TSectTxt*>(Find(key));
}

TIniFile* NamedResources::Ini(const char* key) const {
    return dynamic_cast<TIniFile*>(Find(key));
}

TMetaCur* NamedResources::Cursor(const char* key, int32_t nth) const {
    return dynamic_cast<TMetaCur*>(Find(key, nth));
}

TMetaFnt* NamedResources::Font(const char* key, int32_t nth) const {
    return dynamic_cast<TMetaFnt*>(Find(key, nth));
}

void NamedResources::LoadShared() {
    if (sharedLoaded_) return;
    sharedLoaded_ = true;
    for (const char* key : kSharedTexts)
        if (TSectTxt* text = Text(key)) text->Load();
    if (TIniFile* keys = Ini("iniKeys")) keys->Load();
    for (TMetaFnt* font : {Font("fntMain"), Font("fntDialog", 0), Font("fntDialog", 1)})
        if (font) font->Open();
    for (const char* key : kSharedCursors)
        if (TMetaCur* cursor = Cursor(key)) cursor->Reload(0);
}

void NamedResources::ReleaseShared() {
    if (!sharedLoaded_) return;
    sharedLoaded_ = false;
    for (const char* key : kSharedTexts)
        if (TSectTxt* text = Text(key)) text->Unload();
    if (TIniFile* keys = Ini("iniKeys")) keys->Detach();
    for (TMetaFnt* font : {Font("fntMain"), Font("fntDialog", 0), Font("fntDialog", 1)})
        if (font) font->Release();
    for (const char* key : kSharedCursors)
        if (TMetaCur* cursor = Cursor(key)) cursor->MarkCacheEntry();
}
