// A location on the map screen: a picture button that stands for the script
// table of the location (a script reference, -1 for none, released with the
// entry).
#pragma once

#include "ui/TListForm.h"

#include <cstdint>
#include <string>

class TMapEntry : public TListForm {
public:
    ~TMapEntry() override;

    // The location's name, whose hint is the section "Map" + name of
    // txtHint; the hint is taken again from the texts in force.
    void SetPlace(const char* name);
    void LoadHint();

    int32_t scriptRef = -1;

private:
    std::string place_;
};
