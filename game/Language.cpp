#include "Language.h"

#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "MapView.h"
#include "TMapEntry.h"

#include "foundation/TError.h"
#include "foundation/TFile.h"
#include "foundation/TFileCtl.h"
#include "foundation/TSectTxt.h"

#include <string>

namespace {
// The texts that follow the language, in the order they are let go and
// loaded again.
constexpr const char* kTexts[] = {"txtDialoge", "txtHint", "txtMain"};

// The file name of the other language's index: only the part after the
// last folder or drive, which lies in the program's folder.
std::string NextIndexName() {
    if (!TFileCtl::HasKey("Main", "ResourceIni")) return "resource.ini";
    TString value;
    TFileCtl::GetPath("Main", "ResourceIni", value);
    const std::string path = value.c_str() ? value.c_str() : "";
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}
} // namespace

bool Language::Switch(int32_t index) {
    if (index == index_) return false;
    GameApp& app = App();
    const std::string name = NextIndexName();
    const std::string folder = app.GetProgramFolder().c_str() ? app.GetProgramFolder().c_str() : "";
    const std::string path = folder + name;
    // Check before anything is let go: without the other index the game
    // keeps the language it has.
    if (name.empty() || !TFile(path.c_str()).Exists()) {
        TError::Raise(2, nullptr, path.c_str(), "Int\\All\\Source\\Language", 1);
        return false;
    }
    for (const char* key : kTexts)
        if (TSectTxt* text = Resources().Text(key); text && *text->GetName()) {
            text->Unload();
            text->SetName("");
        }
    index_ = index;
    app.SetResourceFile(name.c_str());
    for (const char* key : kTexts)
        if (TSectTxt* text = Resources().Text(key)) {
            text->SetName(key);
            text->Load();
        }
    if (GameWorld* world = app.World()) {
        TRoom& room = world->RoomView();
        room.Load();
        room.Refresh();
        room.ReloadPictures();
        // The hints are copies of the old language's texts: the room's
        // elements, the slots' and the map's places take them anew.
        room.ReloadHints();
        world->InventoryView().Refresh();
        if (MapView* map = MapView::Instance())
            for (int32_t i = 0; i < map->EntryCount(); ++i)
                if (TMapEntry* entry = map->GetEntry(i)) entry->LoadHint();
    }
    return true;
}
