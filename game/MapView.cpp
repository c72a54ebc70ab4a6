#include "MapView.h"

#include "GameApp.h"
#include "GamePictures.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "ScriptRefs.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TEvent.h"

#include <algorithm>

namespace {
const TColor kKey(0, 255, 0);
constexpr int32_t kScreenWidth = 800, kScreenHeight = 600;
constexpr int32_t kReserved = 10;
} // namespace

MapView::MapView() {
    entries_.reserve(kReserved);
    Statics().map = this;
}

MapView::~MapView() {
    // A world that goes without its exit still owns its locations; nothing
    // of the world runs any more.
    DeleteEntries(false);
    GameStatics& s = Statics();
    if (s.map == this) s.map = nullptr;
}

MapView* MapView::Instance() {
    return Statics().map;
}

void MapView::Create(TControl* parent) {
    TMetaImg* map = NamedPicture("picMap");
    const int32_t w = map ? map->GetWidth() : 0;
    const int32_t h = map ? map->GetHeight() : 0;
    SetRect((kScreenWidth - w) / 2, (kScreenHeight - h) / 2, w, h);
    SetBorderWidth(0);
    SetStyle(stCountPresses | stHandleClicks | stTrackHover);
    SetTransparent(1);
    Add<MapView, &MapView::OnBack>(evRightDown, this);
    SetVisible(false);
    picture_.SetSource(map);
    picture_.SetTransparent(0);
    picture_.SetRect(0, 0, w, h);
    picture_.ShowNow();
    picture_.Attach(this);
    TMetaImg* back = NamedPicture("picMenuBtnGoBack1a");
    back_.SetRect(570, 529, back ? back->GetWidth() : 0, back ? back->GetHeight() : 0);
    SetButtonPictures(back_, "picMenuBtnGoBack1a", "picMenuBtnGoBack1a", "picMenuBtnGoBack1b",
                      "picMenuBtnGoBack1b");
    back_.SetTransparent(1);
    back_.SetColor(kKey);
    back_.Add<MapView, &MapView::OnBack>(evCommand, this);
    back_.Show(this);
    Show(parent);
}

bool MapView::SetEntry(TMapEntry* entry, int32_t index) {
    if (!entry || index < 0 || index >= kMaxEntries) return false;
    if (entries_.size() <= size_t(index)) entries_.resize(size_t(index) + 1);
    entry->Add<MapView, &MapView::OnEntryClick>(evCommand, this, uintptr_t(entry));
    if (TMapEntry* old = entries_[size_t(index)].Get()) {
        old->Hide();
        replaced_.emplace_back(old);
    }
    entries_[size_t(index)] = TRef<TMapEntry>(entry);
    return true;
}

TMapEntry* MapView::GetEntry(int32_t index) const {
    if (index < 0 || size_t(index) >= entries_.size()) return nullptr;
    return entries_[size_t(index)].Get();
}

int MapView::OnEntryClick(TObject*, TEvent* event) {
    if (!event || !event->userWord) return 0;
    // The word names the entry; only one that is still in the table counts.
    const auto same = [&](const TRef<TMapEntry>& ref) {
        return ref.Get() && uintptr_t(ref.Get()) == event->userWord;
    };
    const auto it = std::find_if(entries_.begin(), entries_.end(), same);
    if (it == entries_.end()) return 0;
    const int32_t reference = it->Get()->scriptRef;
    GameWorld* world = App().World();
    if (!world) return 0;
    world->HideMap();
    world->DoMapAction(reference);
    return 0;
}

int MapView::OnBack(TObject*, TEvent*) {
    if (GameWorld* world = App().World()) world->HideMap();
    return 1;
}

void MapView::Clear() {
    DeleteEntries(true);
    back_.Hide();
    picture_.Detach();
    Hide();
}

void MapView::DeleteEntries(bool later) {
    for (auto* list : {&entries_, &replaced_}) {
        while (!list->empty()) {
            if (TMapEntry* entry = list->back().Get()) {
                entry->Hide();
                // Released now, in this game's state: the entry may go
                // after the next game has begun.
                ScriptUnref(entry->scriptRef);
                // Clear may run under a script that a location's click
                // called: the entry goes where none of its clicks runs.
                if (later)
                    DeleteLater(entry);
                else
                    delete entry;
            }
            list->pop_back();
        }
    }
}
