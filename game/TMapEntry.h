// A location on the map screen: a picture button that stands for the script
// table of the location (a script reference, -1 for none, released with the
// entry).
#pragma once

#include "ui/TListForm.h"

#include <cstdint>

class TMapEntry : public TListForm {
public:
    ~TMapEntry() override;

    int32_t scriptRef = -1;
};
