// The inventory window: a translucent panel under a colour-keyed frame and
// thirty slot controls (six columns, five rows), each showing the item of
// its slot. A click hands the item to the scripts, or to the pointer when
// they leave it; with an item held it uses the held item on the clicked one.
// The slots are filled from the front, each empty or owning one item record.
// The window publishes itself while it exists (the commands, saving and the
// language switch reach it so), and a left click outside hides it.
#pragma once

#include "InventorySlot.h"
#include "TImageButton.h"

#include "ui/TImage.h"
#include "ui/TListForm.h"
#include "ui/TPanel.h"

#include <array>
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
    // Brings the slot controls up to date with the table and the held item:
    // empty slots and any slot of the held item's id are hidden.
    void Refresh();
    // The click of a slot control; the handler's word is the slot number.
    int OnClick(TObject* sender, TEvent* event);
    // Drops a held item, destroys every record, leaves the table empty (not
    // thirty empty slots) and hides the window.
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
    TListForm& SlotControl(int32_t index) { return controls_[size_t(index)]; }

private:
    void DestroyRecords();
    void LayOutSlots();
    void ClickWithoutHeldItem(InventorySlot* clicked);

    TImageButton panel_;
    TImage frame_;
    std::array<TListForm, kSlots> controls_;
    std::vector<InventorySlot*> slots_;
};
