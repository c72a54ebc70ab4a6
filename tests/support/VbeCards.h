// Built-in VESA cards changed the way a test needs them.
#pragma once

#include "platform/Adapter.h"

namespace testsupport {

// Chooses the built-in card `name`, with every VBE mode marked not
// VGA-compatible when `incompatible` (its palette then goes through the
// BIOS); false for an unknown name.
inline bool UseVbeCard(const char* name, bool incompatible = true) {
    if (!platform::UseAdapter(name)) return false;
    if (!incompatible) return true;
    platform::AdapterPersonality p = *platform::CurrentAdapter();
    for (platform::AdapterVbeMode& m : p.vbe.modes)
        m.attributes |= 0x20;
    platform::UseAdapter(p);
    return true;
}

} // namespace testsupport
