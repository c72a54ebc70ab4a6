#include "InventorySlot.h"

#include "ScriptRefs.h"

InventorySlot::InventorySlot(int32_t reference, const char* picture, int32_t id)
    : scriptRef(reference), picture(picture ? picture : ""), id(id) {}

InventorySlot::~InventorySlot() {
    ScriptUnref(scriptRef);
}
