#include "TInventoryView.h"

#include "GameStatics.h"

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

void TInventoryView::Create(TControl* parent) {
    SetRect(80, 120, 635, 352);
    slots_.assign(kSlots, nullptr);
    Show(parent);
}

void TInventoryView::Clear() {
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
