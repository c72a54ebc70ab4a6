// One line of a dialog statement: the text it shows, the speech it plays and
// where the conversation goes after it.
#pragma once

#include <cstdint>
#include <string>

struct DialogPhrase {
    // Bit 3: on offer; bit 4: said.
    static constexpr uint16_t kActive = 8;
    static constexpr uint16_t kSaid = 16;

    std::string textKey;    // section of txtDialoge
    std::string speechName; // base name of the speech file
    uint16_t flags = kActive;
    uint16_t next = 0;        // statement after this phrase; 0 ends the dialog
    uint16_t alternative = 0; // taken when `next` has nothing left on offer

    bool Active() const { return (flags & kActive) != 0; }
};
