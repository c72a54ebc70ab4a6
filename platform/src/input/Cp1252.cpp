#include "Cp1252.h"
#include "platform/Host.h"

#include <cstdint>

namespace platform::input {
namespace {

// Code points of the bytes 0x80..0x9F (0 where the code page has a hole).
constexpr uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int ByteFor(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] && kHigh[i] == cp) return 0x80 + i;
    return -1;
}

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string Utf8ToCp1252(const char* utf8) {
    std::string out;
    if (!utf8) return out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
        uint32_t cp;
        int extra;
        if (*p < 0x80) {
            cp = *p;
            extra = 0;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            ++p;
            continue;
        }
        ++p;
        bool ok = true;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
        }
        // An over-long form is not the character it spells (C0 80 is no NUL).
        static const uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kLeast[extra]) continue;
        int b = ByteFor(cp);
        if (b >= 0) out += static_cast<char>(b);
    }
    return out;
}

std::string Cp1252ToUtf8(const char* text) {
    std::string out;
    for (const auto* p = reinterpret_cast<const unsigned char*>(text); p && *p; ++p) {
        uint32_t cp = *p;
        if (cp >= 0x80 && cp < 0xA0) cp = kHigh[cp - 0x80] ? kHigh[cp - 0x80] : '?';
        AppendUtf8(out, cp);
    }
    return out;
}

} // namespace platform::input

namespace platform {
std::string TextToUtf8(const char* text) {
    return input::Cp1252ToUtf8(text);
}
} // namespace platform
