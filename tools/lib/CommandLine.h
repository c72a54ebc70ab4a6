// Numbers and selections on the programs' command lines, checked whole: a
// count typed as "abc" or "5x" is refused with a reason instead of read as 0.
#pragma once

#include <cstdint>
#include <string>

namespace tools {

// A whole decimal number from `min` to `max`; false for anything else.
bool ParseNumber(const std::string& text, int64_t min, int64_t max, int64_t* out);
bool ParseNumber(const std::string& text, int32_t min, int32_t max, int32_t* out);

// ParseNumber for the value of `option`; a refused value is reported on
// stderr as "TOOL: OPTION takes a whole number from MIN to MAX, not "TEXT"".
bool ParseOptionNumber(const char* tool, const char* option, const std::string& text, int64_t min,
                       int64_t max, int64_t* out);

// Refuses `text` as the value of `what` (an option, or an argument's name):
// "TOOL: WHAT takes EXPECTED, not "TEXT"" on stderr, the text's unprintable
// bytes escaped. Always false.
bool RefuseValue(const char* tool, const std::string& what, const std::string& expected,
                 const std::string& text);

// `text` with every byte outside printable ASCII written \xNN, at most
// `limit` bytes of it and "..." after a longer one: safe to show on a
// terminal whatever a file held.
std::string Printable(const std::string& text, size_t limit = 80);

// "X,Y" with two whole numbers from `min` to `max`.
bool ParsePoint(const std::string& text, int32_t min, int32_t max, int32_t* x, int32_t* y);

// A sound named as FILE or FILE:ENTRY:SOUND (an album's sound). A name with
// no such ending keeps entry and sound at 0; false, with `error` set, when
// ENTRY or SOUND is given but not a number from 0.
struct SoundSelection {
    std::string path;
    int32_t entry = 0;
    int32_t sound = 0;
};
bool ParseSoundSelection(const std::string& text, SoundSelection* out, std::string* error);

// A path as the engine builds it, with backslashes, shown the way this
// system writes paths: with slashes.
std::string DisplayPath(const std::string& path);

} // namespace tools
