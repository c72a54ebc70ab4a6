// The inventory window's records: thirty slots, filled from the front, each
// empty or owning one item record. The window publishes itself while it
// exists (the commands, saving and the language switch reach it so). Its
// pictures, slot controls and clicks come with the inventory screen; until
// then it is an empty transparent panel that is shown and dismissed, and
// hidden again by a left click outside it.
#pragma once

#include "InventorySlot.h"

#include "ui/TPanel.h"

#include <cstdint>
#include <vector>

class TInventoryView : public TPanel {
public:
    static constexpr int32_t kSlots = 30;

    TInventoryView();
    // Destroys the records still held and stops publishing this window.
    ~TInventoryView() override;

    // The window of the current engine, or null.
    static TInventoryView* Instance();

    // A left button pressed or released outside the shown window hides it
    // (through the world) and goes no further.
    bool HandleEvent(TObject* sender, TEvent* event) override;

    // Lays the window out under `parent` with thirty empty slots.
    void Create(TControl* parent);
    // Brings the slots' pictures up to date with the table and the held
    // item; there is nothing to draw them with yet.
    void Refresh() {}
    // Destroys every record, leaves the table empty (not thirty empty
    // slots) and hides the window.
    void Clear();

    // Puts `record` into the first empty slot and owns it; false (the
    // caller keeps it) when every slot is taken or the table is not made.
    bool Add(InventorySlot* record);
    // The first slot whose record has `id`, or -1.
    int32_t Find(int32_t id) const;
    // Destroys the record of slot `index`; the later slots move down one and
    // the last becomes empty.
    void RemoveAt(int32_t index);

    int32_t SlotCount() const { return int32_t(slots_.size()); }
    InventorySlot* SlotAt(int32_t index) const;

private:
    void DestroyRecords();

    std::vector<InventorySlot*> slots_;
};
