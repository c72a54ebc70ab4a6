// The driver set a back-end test starts the library with: the packed
// drivers and the linked hardware drivers, optionally only some families,
// and the packed-pixel mode number of a size and depth.
#pragma once

#include "gdl/ddraw.h"
#include "gdl/driver.h"
#include "gdl/packed.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace testsupport {

// Registers the packed drivers (after clearing the table, unless `fresh` is
// false) and the linked drivers whose file names begin with one of
// `families` (all of them when the list is empty).
inline void RegisterLinkedDrivers(std::initializer_list<const char*> families = {},
                                  bool fresh = true) {
    if (fresh) {
        GDL_unregisterAllDrivers();
        PACK_registerDrivers();
    }
    int32_t count = 0;
    const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
    for (int32_t i = 0; i < count; ++i) {
        bool wanted = families.size() == 0;
        for (const char* family : families)
            wanted = wanted || std::strncmp(linked[i].fileName, family, std::strlen(family)) == 0;
        if (wanted) GDL_registerDriver(linked[i].fileName, linked[i].header);
    }
}

// The packed-pixel mode of a size and depth (not the VGA modes below 11), or -1.
inline int32_t ModeOf(int32_t width, int32_t height, int32_t bits) {
    for (int32_t m = 11; m < GDL_MODE_COUNT; ++m) {
        int32_t w = 0, h = 0, b = 0;
        if (GDL_modeResolution(m, &w, &h, &b) && w == width && h == height && b == bits) return m;
    }
    return -1;
}

} // namespace testsupport
