// Byte writers for the world's check suites, written from the file formats
// alone: they share no code with the readers and writers under check.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace check {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline uint32_t Get32(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// A picture as 5:6:5 pixels, -1 for transparent.
struct Grid {
    int32_t width = 0, height = 0;
    std::vector<int32_t> px;
    int32_t At(int32_t x, int32_t y) const { return px[static_cast<size_t>(y) * width + x]; }
};

// The run words and pixels of one row: skips past 255 as (255, 0) words,
// opaque runs past 255 continued with skip 0, nothing for trailing
// transparency, a 0 word at the end.
inline Bytes EncodeRow(const Grid& g, int32_t y) {
    Bytes out;
    int32_t x = 0;
    while (x < g.width) {
        uint32_t skip = 0;
        for (; x < g.width && g.At(x, y) < 0; ++x)
            ++skip;
        if (x == g.width) break;
        for (; skip > 255; skip -= 255)
            Put16(out, 255);
        int32_t n = 0;
        while (x + n < g.width && g.At(x + n, y) >= 0 && n < 255)
            ++n;
        Put16(out, skip | static_cast<uint32_t>(n) << 8);
        for (int32_t i = 0; i < n; ++i)
            Put16(out, static_cast<uint32_t>(g.At(x + i, y)));
        x += n;
    }
    Put16(out, 0);
    return out;
}

// A sprite record (header and data). `pad` bytes go between the row table
// and each row, so rows can start at odd addresses.
inline Bytes SpriteRecord(const Grid& g, uint32_t pad = 0, int32_t x = 0, int32_t y = 0,
                          uint32_t reserved = 0) {
    Bytes rows;
    std::vector<uint32_t> starts;
    for (int32_t r = 0; r < g.height; ++r) {
        rows.insert(rows.end(), pad, 0xEE);
        starts.push_back(static_cast<uint32_t>(rows.size()));
        const Bytes row = EncodeRow(g, r);
        rows.insert(rows.end(), row.begin(), row.end());
    }
    const uint32_t table = 4 * static_cast<uint32_t>(g.height);
    Bytes out;
    Put32(out, table + static_cast<uint32_t>(rows.size()));
    Put32(out, static_cast<uint32_t>(g.width));
    Put32(out, static_cast<uint32_t>(g.height));
    Put32(out, reserved);
    Put32(out, static_cast<uint32_t>(x));
    Put32(out, static_cast<uint32_t>(y));
    for (int32_t r = 0; r < g.height; ++r)
        Put32(out, table - 4 * static_cast<uint32_t>(r) + starts[static_cast<size_t>(r)]);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// A raw record: header fields and the data block as given.
inline Bytes RawRecord(uint32_t size, int32_t width, int32_t height, const Bytes& data) {
    Bytes out;
    Put32(out, size);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    for (int i = 0; i < 3; ++i)
        Put32(out, 0);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// A container: frame records first, then the directory and its length.
struct ContainerBytes {
    Bytes bytes;
    std::vector<std::vector<int32_t>> groups;
    int32_t Add(uint32_t group, uint32_t tag, const Bytes& record) {
        if (groups.size() <= group) groups.resize(group + 1);
        const auto at = static_cast<int32_t>(bytes.size());
        Put32(bytes, tag);
        bytes.insert(bytes.end(), record.begin(), record.end());
        groups[group].push_back(at);
        return at;
    }
    void AddOffset(uint32_t group, int32_t offset) {
        if (groups.size() <= group) groups.resize(group + 1);
        groups[group].push_back(offset);
    }
    Bytes Finish() const {
        Bytes out = bytes, dir;
        Put32(dir, static_cast<uint32_t>(groups.size()));
        for (const auto& g : groups) {
            Put32(dir, static_cast<uint32_t>(g.size()));
            for (int32_t o : g)
                Put32(dir, static_cast<uint32_t>(o));
        }
        out.insert(out.end(), dir.begin(), dir.end());
        Put32(out, static_cast<uint32_t>(dir.size()));
        return out;
    }
};

// Runs of 1..maxRun pixels, alternately transparent and opaque, of any
// 16-bit value (the key colour included).
inline Grid RandomGrid(std::mt19937& rng, int32_t w, int32_t h, int32_t maxRun) {
    Grid g{w, h, std::vector<int32_t>(static_cast<size_t>(w) * h, -1)};
    std::uniform_int_distribution<int32_t> run(1, maxRun), pixel(0, 0xFFFF), coin(0, 1);
    for (int32_t y = 0; y < h; ++y) {
        bool opaque = coin(rng) != 0;
        for (int32_t x = 0; x < w;) {
            for (int32_t n = run(rng); n > 0 && x < w; --n, ++x)
                g.px[static_cast<size_t>(y) * w + x] = opaque ? pixel(rng) : -1;
            opaque = !opaque;
        }
    }
    return g;
}

} // namespace check
