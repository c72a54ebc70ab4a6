#include "CommandLine.h"

#include <charconv>
#include <cstdio>

namespace tools {

bool ParseNumber(const std::string& text, int64_t min, int64_t max, int64_t* out) {
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || error != std::errc() || stop != end || value < min || value > max)
        return false;
    *out = value;
    return true;
}

bool ParseNumber(const std::string& text, int32_t min, int32_t max, int32_t* out) {
    int64_t value = 0;
    if (!ParseNumber(text, int64_t{min}, int64_t{max}, &value)) return false;
    *out = static_cast<int32_t>(value);
    return true;
}

bool ParseOptionNumber(const char* tool, const char* option, const std::string& text, int64_t min,
                       int64_t max, int64_t* out) {
    if (ParseNumber(text, min, max, out)) return true;
    return RefuseValue(tool, option,
                       "a whole number from " + std::to_string(min) + " to " + std::to_string(max),
                       text);
}

bool RefuseValue(const char* tool, const std::string& what, const std::string& expected,
                 const std::string& text) {
    std::fprintf(stderr, "%s: %s takes %s, not \"%s\"\n", tool, what.c_str(), expected.c_str(),
                 Printable(text).c_str());
    return false;
}

std::string Printable(const std::string& text, size_t limit) {
    std::string out;
    for (size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 32 && c < 127) {
            out += char(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    if (text.size() > limit) out += "...";
    return out;
}

bool ParsePoint(const std::string& text, int32_t min, int32_t max, int32_t* x, int32_t* y) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos) return false;
    int32_t px = 0, py = 0;
    if (!ParseNumber(text.substr(0, comma), min, max, &px) ||
        !ParseNumber(text.substr(comma + 1), min, max, &py))
        return false;
    *x = px;
    *y = py;
    return true;
}

bool ParseSoundSelection(const std::string& text, SoundSelection* out, std::string* error) {
    *out = SoundSelection{text};
    const size_t last = text.rfind(':');
    if (last == std::string::npos || last == 0) return true;
    const size_t first = text.rfind(':', last - 1);
    // One colon is part of the name (a drive, "c:\sounds\a.wav").
    if (first == std::string::npos || first == 0) return true;
    const std::string entry = text.substr(first + 1, last - first - 1);
    const std::string sound = text.substr(last + 1);
    if (!ParseNumber(entry, 0, INT32_MAX, &out->entry) ||
        !ParseNumber(sound, 0, INT32_MAX, &out->sound)) {
        *error = "\"" + entry + ":" + sound + "\" is no ENTRY:SOUND of whole numbers from 0";
        return false;
    }
    out->path = text.substr(0, first);
    return true;
}

std::string DisplayPath(const std::string& path) {
    std::string shown = path;
    for (char& c : shown)
        if (c == '\\') c = '/';
    return shown;
}

} // namespace tools
