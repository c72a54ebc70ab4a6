// One inventory item: the script table that stands for it, the name of its
// picture (also its hint section) and its id (the frame of its pictures and
// its identity in save games and for removal). The inventory view owns it;
// the held item only refers to it, by a checked reference.
#pragma once

#include "foundation/TNamedObj.h"
#include "foundation/TString.h"

#include <cstdint>

class InventorySlot : public TNamedObj {
public:
    // Takes over `reference` (-1: none).
    InventorySlot(int32_t reference, const char* picture, int32_t id);
    // Releases the script reference.
    ~InventorySlot() override;

    int32_t scriptRef = -1;
    TString picture;
    int32_t id = 0;
};
