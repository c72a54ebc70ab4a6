// Pixels of a row in the row form every bitmap, row entry and conversion
// uses: below 8 bits the leftmost pixel in the most significant bits of its
// byte, from 8 bits up little-endian cells of 1, 2, 3 or 4 bytes (15-bit
// pixels take 16-bit cells).
#pragma once

#include <cstddef>
#include <cstdint>

namespace gdl_rows {

inline uint32_t load(const uint8_t* row, int32_t x, int32_t bits) {
    switch (bits) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        case 8: return row[x];
        case 15:
        case 16: return uint32_t(row[2 * size_t(x)]) | uint32_t(row[2 * size_t(x) + 1]) << 8;
        case 24: {
            const uint8_t* p = row + 3 * size_t(x);
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        }
        case 32: {
            const uint8_t* p = row + 4 * size_t(x);
            return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24;
        }
        default: return 0;
    }
}

inline void store(uint8_t* row, int32_t x, int32_t bits, uint32_t v) {
    switch (bits) {
        case 1: {
            const uint8_t m = uint8_t(0x80 >> (x & 7));
            row[x >> 3] = uint8_t((row[x >> 3] & ~m) | ((v & 1) ? m : 0));
            break;
        }
        case 4: {
            const int shift = (x & 1) ? 0 : 4;
            row[x >> 1] = uint8_t((row[x >> 1] & ~(0x0F << shift)) | (v & 0x0F) << shift);
            break;
        }
        case 8:
        case 15:
        case 16:
        case 24:
        case 32: {
            const size_t n = bits == 15 ? 2 : size_t(bits / 8);
            for (size_t i = 0; i < n; ++i)
                row[size_t(x) * n + i] = uint8_t(v >> (8 * i));
            break;
        }
        default: break;
    }
}

// A pixel `v` written over `d` in a write mode (0 replace, 1 AND, 2 OR, 3 XOR).
inline uint32_t combine(uint32_t d, uint32_t v, int32_t op) {
    switch (op) {
        case 0: return v;
        case 2: return d | v;
        case 3: return d ^ v;
        default: return d & v;
    }
}

} // namespace gdl_rows
