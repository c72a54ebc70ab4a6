// One step of a dialog: who speaks and the phrases that may be said there.
#pragma once

#include "DialogPhrase.h"

#include <cstdint>
#include <memory>
#include <vector>

struct DialogStatement {
    // Bit 0: reached, and one of its phrases said.
    static constexpr uint16_t kReached = 1;

    uint16_t id = 0;
    uint16_t speaker = 0; // actor number; 0 nobody in the room
    uint16_t flags = 0;
    std::vector<std::unique_ptr<DialogPhrase>> phrases;

    // The phrase at `position`, null past the end.
    DialogPhrase* Phrase(int32_t position) const;
    int32_t ActiveCount() const;
    // The first phrase on offer, null when none is.
    DialogPhrase* FirstActive() const;
    // Appends; the new phrase's position, -1 when it could not be made.
    int32_t AddPhrase(std::unique_ptr<DialogPhrase> phrase);
};
