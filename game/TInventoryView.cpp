#include "TInventoryView.h"

#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"

#include "ScriptEvents.h"

#include "foundation/TEvent.h"
#include "foundation/TRef.h"
#include "foundation/TSectTxt.h"
#include "media/resources/TMetaImg.h"

namespace {
constexpr int32_t kWidth = 635, kHeight = 352;
constexpr int32_t kColumns = 6, kSlotSize = 54;
constexpr int32_t kFirstColumn = 280, kFirstRow = 30, kPitch = 58;
const TColor kKey(0, 255, 0);

TMetaImg* Album(const char* key) {
    return dynamic_cast<TMetaImg*>(Resources().Find(key));
}

// A picture of `album` at its own size placed at (x, y); x and y may
// depend on the size.
template <class Place>
void PlacePicture(TImage& image, TMetaImg* album, int32_t entry, Place place) {
    image.SetSource(album);
    image.SetIndex(0);
    image.SetSubIndex(entry);
    const int32_t w = album ? album->GetWidthOf(0, entry) : 0;
    const int32_t h = album ? album->GetHeightOf(0, entry) : 0;
    const TPoint at = place(w, h);
    image.SetRect(at.x, at.y, w, h);
}
} // namespace

TInventoryView::TInventoryView() {
    Statics().inventory = this;
}

TInventoryView::~TInventoryView() {
    // The world that goes without its exit still owns records here.
    DestroyRecords();
    GameStatics& s = Statics();
    if (s.inventory == this) s.inventory = nullptr;
}

TInventoryView* TInventoryView::Instance() {
    return Statics().inventory;
}

bool TInventoryView::HandleEvent(TObject* sender, TEvent* event) {
    if (IsVisible() && event && (event->type == evLeftDown || event->type == evLeftUp)) {
        // The window's rectangle on the screen, as it stands now: the
        // layout pass may not have run since it was shown.
        TRectArea r;
        GetBounds(r);
        const TPoint origin = ParentToScreen(TPoint(r.left, r.top));
        const int64_t x = int64_t(event->record.x) - origin.x;
        const int64_t y = int64_t(event->record.y) - origin.y;
        const bool inside =
            x >= 0 && x < int64_t(r.right) - r.left && y >= 0 && y < int64_t(r.bottom) - r.top;
        GameWorld* world = App().World();
        if (!inside && world && &world->InventoryView() == this) {
            world->HideInventory();
            return true;
        }
    }
    return TPanel::HandleEvent(sender, event);
}

void TInventoryView::Create(TControl* parent) {
    SetRect(80, 120, kWidth, kHeight);
    TMetaImg* panels = Album("albPanels");
    PlacePicture(panel_, panels, 1,
                 [](int32_t w, int32_t h) { return TPoint(kWidth - w, (kHeight - h) / 2); });
    panel_.SetAlpha(127);
    panel_.Attach(this);
    PlacePicture(frame_, panels, 0, [](int32_t, int32_t) { return TPoint(0, 0); });
    frame_.SetTransparent(1);
    frame_.SetColor(kKey);
    frame_.Attach(this);
    slots_.clear();
    LayOutSlots();
    Show(parent);
}

void TInventoryView::LayOutSlots() {
    TMetaCur* hand = Resources().Cursor("curHand");
    for (int32_t i = 0; i < kSlots; ++i) {
        TListForm& control = controls_[size_t(i)];
        control.SetRect(kFirstColumn + (i % kColumns) * kPitch, kFirstRow + (i / kColumns) * kPitch,
                        kSlotSize, kSlotSize);
        control.SetCursor(hand);
        control.Show(this);
        control.SetVisible(false);
        control.SetTransparent(1);
        control.SetColor(kKey);
        // The word is the slot's number: the entries the table holds now.
        control.Add<TInventoryView, &TInventoryView::OnClick>(evCommand, this,
                                                              uintptr_t(slots_.size()));
        slots_.push_back(nullptr);
    }
}

void TInventoryView::Refresh() {
    GameWorld* world = App().World();
    const InventorySlot* held = world ? world->HeldRecord() : nullptr;
    const int32_t heldId = held ? held->id : -1;
    TSectTxt* hints = Resources().Text("txtHint");
    TMetaImg* items = Album("albInventory");
    for (int32_t i = 0; i < kSlots; ++i) {
        TListForm& control = controls_[size_t(i)];
        const InventorySlot* record = SlotAt(i);
        if (!record || record->id == heldId) {
            control.Dismiss();
            continue;
        }
        if (hints) {
            hints->SetSection(record->picture.c_str());
            control.SetHint(hints->GetSection());
        }
        TStyle& style = control.GetStyleRecords();
        style.SetRecord1(items, 0, record->id);
        style.SetRecord2(items, 0, record->id);
        style.SetRecord4(items, 1, record->id);
        style.SetRecord5(items, 1, record->id);
        control.ShowNow();
    }
}

int TInventoryView::OnClick(TObject*, TEvent* event) {
    GameWorld* world = App().World();
    if (!event || !world) return 1;
    InventorySlot* clicked = SlotAt(int32_t(event->userWord));
    InventorySlot* held = world->HeldRecord();
    if (!clicked) return 1;
    if (clicked == held) {
        world->DropHeldItem();
    } else if (held) {
        ScriptCallGameEvent("Game", "DoUseItem", clicked->scriptRef, held->scriptRef);
        // The held item goes whatever the script did; one that began a new
        // game took this world's away with it, and the new game's stays.
        if (App().World() == world) world->DropHeldItem();
    } else {
        ClickWithoutHeldItem(clicked);
    }
    Refresh();
    return 1;
}

void TInventoryView::ClickWithoutHeldItem(InventorySlot* clicked) {
    // The script may remove the item and destroy its record: only a record
    // that is still there goes to the pointer.
    const TRef<InventorySlot> record(clicked);
    if (ScriptCallGameEvent("Game", "DoItemAction", clicked->scriptRef, -1)) return;
    GameWorld* world = App().World();
    if (record.Get() && world && &world->InventoryView() == this) world->TakeItem(record.Get());
}

void TInventoryView::Clear() {
    // The pointer lets go of its record before the records go.
    GameWorld* world = App().World();
    if (world && &world->InventoryView() == this) world->DropHeldItem();
    for (TListForm& control : controls_)
        control.Hide();
    panel_.Detach();
    frame_.Detach();
    DestroyRecords();
    Hide();
}

void TInventoryView::DestroyRecords() {
    while (!slots_.empty()) {
        delete slots_.back();
        slots_.pop_back();
    }
}

bool TInventoryView::Add(InventorySlot* record) {
    if (!record) return false;
    for (InventorySlot*& slot : slots_) {
        if (slot) continue;
        slot = record;
        return true;
    }
    return false;
}

int32_t TInventoryView::Find(int32_t id) const {
    for (size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i] && slots_[i]->id == id) return int32_t(i);
    return -1;
}

void TInventoryView::RemoveAt(int32_t index) {
    if (index < 0 || index >= SlotCount()) return;
    delete slots_[size_t(index)];
    slots_.erase(slots_.begin() + index);
    slots_.push_back(nullptr);
}

InventorySlot* TInventoryView::SlotAt(int32_t index) const {
    return index >= 0 && index < SlotCount() ? slots_[size_t(index)] : nullptr;
}
