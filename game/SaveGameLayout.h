// The layout of a save game, found by walking its bytes without the game:
// where each block begins, and whether the file holds together at all (a
// version-40 header, a dialog block whose counts and names fit, an inventory
// of 0 to 30 slots, room for the night-vision flag at the end). The load
// checks a file with it before it touches the running game; savdump prints
// a file through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct SaveGameLayout {
    static constexpr int32_t kVersion = 40;
    // Larger files are damaged: no game stores that much.
    static constexpr size_t kMaxSize = size_t(16) << 20;
    static constexpr int32_t kMaxSlots = 30;

    enum class Status { Ok, WrongVersion, Damaged };

    Status status = Status::Damaged;
    int32_t version = 0;
    // Offsets of the blocks (valid as far as the walk got).
    size_t dialogsAt = 0;
    size_t inventoryAt = 0;
    size_t scriptAt = 0;
    // The flag is the file's last four bytes; the script block ends there.
    size_t flagAt = 0;
    // Where a damaged file breaks, and what was expected there.
    size_t damageAt = 0;
    std::string problem;

    // Walks `size` bytes of `data`. With `text`, every field is appended as
    // canonical text, one line each, the script block in hex.
    static SaveGameLayout Examine(const uint8_t* data, size_t size, std::string* text = nullptr);
};
