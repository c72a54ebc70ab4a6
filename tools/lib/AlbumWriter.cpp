#include "AlbumWriter.h"

#include "LzwEncoder.h"
#include "platform/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace tools {

namespace {

constexpr size_t kHeaderSize = 255;
constexpr size_t kEntrySize = 64;
constexpr size_t kGlyphTableSize = 1280;
constexpr size_t kKerningSize = 65536;

bool SamePixel(const uint8_t* a, const uint8_t* b, int32_t size) {
    return std::memcmp(a, b, static_cast<size_t>(size)) == 0;
}

void PutControl(std::vector<uint8_t>& out, uint32_t value, int32_t bytesPerPixel) {
    out.push_back(static_cast<uint8_t>(value));
    if (bytesPerPixel == 2) out.push_back(static_cast<uint8_t>(value >> 8));
}

// Pixels one by one at 8 and 24 bits (control byte) or 16 (control word).
std::vector<uint8_t> PackRuns(const uint8_t* p, size_t count, int32_t size) {
    const uint32_t runBit = size == 2 ? 0x8000 : 0x80;
    const size_t maxCount = size == 2 ? 0x7FFF : 0x7F;
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < maxCount &&
               SamePixel(p + i * size, p + (i + run) * size, size))
            ++run;
        if (run >= 3) {
            PutControl(out, runBit | static_cast<uint32_t>(run), size);
            out.insert(out.end(), p + i * size, p + (i + 1) * size);
            i += run;
            continue;
        }
        size_t start = i, literal = 0;
        while (i < count && literal < maxCount) {
            size_t ahead = 1;
            while (i + ahead < count && ahead < 3 &&
                   SamePixel(p + i * size, p + (i + ahead) * size, size))
                ++ahead;
            if (ahead >= 3) break;
            ++i;
            ++literal;
        }
        PutControl(out, static_cast<uint32_t>(literal), size);
        out.insert(out.end(), p + start * size, p + i * size);
    }
    return out;
}

std::string EntryError(size_t e, const char* what) {
    return "entry " + std::to_string(e) + ": " + what;
}

bool Check(const AlbumPlan& plan, std::string* error) {
    int32_t bpp = AlbumBytesPerPixel(plan.bitsPerPixel);
    if (bpp == 0) {
        *error = "bits per pixel must be 8, 16 or 24";
        return false;
    }
    if (plan.packing > kAlbumRunLength) {
        *error = "packing must be 0 to 3";
        return false;
    }
    if (plan.packing == kAlbumSkipFill && bpp == 3) {
        *error = "skip-fill packing has no 24-bit form";
        return false;
    }
    if (plan.version <= 100) {
        *error = "the version must be above 100";
        return false;
    }
    if (plan.entries.empty() || plan.entries.size() > 0xFFFF) {
        *error = "an album needs 1 to 65535 entries";
        return false;
    }
    if (plan.palette.size() > 0xFFFF) {
        *error = "the palette is longer than 65535 bytes";
        return false;
    }
    for (size_t e = 0; e < plan.entries.size(); ++e) {
        const AlbumEntry& entry = plan.entries[e];
        if (entry.width % 4 != 0) {
            *error = EntryError(e, "the width is not a multiple of 4 (rows are stored "
                                   "that long)");
            return false;
        }
        if (entry.frames.size() > 0xFFFF) {
            *error = EntryError(e, "more than 65535 frames");
            return false;
        }
        size_t frameBytes = size_t{entry.width} * entry.height * bpp;
        for (const auto& f : entry.frames)
            if (f.size() != frameBytes) {
                *error = EntryError(e, "a frame's size is not width x height x bytes per pixel");
                return false;
            }
    }
    return true;
}

std::vector<uint8_t> PackFrame(const AlbumPlan& plan, const AlbumEntry& entry,
                               const std::vector<uint8_t>& frame) {
    int32_t bpp = AlbumBytesPerPixel(plan.bitsPerPixel);
    switch (plan.packing) {
        case kAlbumLzw: return EncodeLzw(frame);
        case kAlbumSkipFill: return PackSkipFill(frame, entry.width, entry.height, bpp, entry.fill);
        case kAlbumRunLength: return PackRunLength(frame, bpp);
        default: return frame;
    }
}

struct Layout {
    std::vector<uint8_t> data;          // the pixel data, entry after entry
    std::vector<uint32_t> entryBytes;   // bytes each entry occupies
    std::vector<uint32_t> firstIndex;   // first frame-offset table index
    std::vector<uint32_t> frameOffsets; // packed: file offsets, with a closing one
};

Layout LayOut(const AlbumPlan& plan) {
    Layout l;
    size_t start = kHeaderSize + kEntrySize * plan.entries.size();
    for (const AlbumEntry& entry : plan.entries) {
        size_t before = l.data.size();
        l.firstIndex.push_back(static_cast<uint32_t>(l.frameOffsets.size()));
        for (const auto& frame : entry.frames) {
            if (plan.packing != kAlbumStored)
                l.frameOffsets.push_back(static_cast<uint32_t>(start + l.data.size()));
            std::vector<uint8_t> packed = PackFrame(plan, entry, frame);
            l.data.insert(l.data.end(), packed.begin(), packed.end());
        }
        l.entryBytes.push_back(static_cast<uint32_t>(l.data.size() - before));
    }
    if (plan.packing != kAlbumStored)
        l.frameOffsets.push_back(static_cast<uint32_t>(start + l.data.size()));
    return l;
}

void PutEntry(platform::ByteWriter& w, const AlbumPlan& plan, const AlbumEntry& entry,
              uint32_t bytes, uint32_t first) {
    int32_t bpp = AlbumBytesPerPixel(plan.bitsPerPixel);
    w.U16(static_cast<uint16_t>(entry.frames.size()));
    w.U16(entry.width);
    w.U16(entry.height);
    w.U32(static_cast<uint32_t>(entry.width) * entry.height * bpp);
    w.U32(bytes);
    w.U8(0); // kerning flag, set by the pixel-font writer
    w.U32(first);
    std::array<uint8_t, 3> c = FillComponents(entry.fill);
    w.U8(c[0]);
    w.U8(c[1]);
    w.U8(c[2]);
    w.U8(static_cast<uint8_t>(entry.fill));
    for (int i = 0; i < 41; ++i)
        w.U8(0);
}

// Header and directory at the front; glyph tables (when given), palette and
// frame-offset table behind the pixel data.
std::vector<uint8_t> Assemble(const AlbumPlan& plan, const std::vector<GlyphTable>* tables,
                              bool explicitOffset) {
    Layout l = LayOut(plan);
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    size_t dataEnd = kHeaderSize + kEntrySize * plan.entries.size() + l.data.size();
    size_t tableBytes = 0;
    if (tables)
        for (const GlyphTable& t : *tables)
            tableBytes += kGlyphTableSize + (t.kerning.empty() ? 0 : kKerningSize);
    // Explicit table offsets put the tables last, so the offset is not "right
    // behind the pixel data" by accident.
    size_t paletteAt = explicitOffset ? dataEnd : dataEnd + tableBytes;
    size_t offsetsAt = paletteAt + plan.palette.size();
    size_t tablesAt = explicitOffset ? offsetsAt + l.frameOffsets.size() * 4 : dataEnd;
    w.U16(plan.version);
    w.U16(static_cast<uint16_t>(plan.entries.size()));
    w.U8(plan.bitsPerPixel);
    w.U8(plan.packing);
    w.U32(plan.palette.empty() ? 0 : static_cast<uint32_t>(paletteAt));
    w.U16(static_cast<uint16_t>(plan.palette.size()));
    w.U32(l.frameOffsets.empty() ? 0 : static_cast<uint32_t>(offsetsAt));
    w.U16(static_cast<uint16_t>(std::min<size_t>(l.frameOffsets.size() * 4, 0xFFFF)));
    w.U32(tables && explicitOffset ? static_cast<uint32_t>(tablesAt) : 0);
    out.resize(kHeaderSize, 0);
    for (size_t e = 0; e < plan.entries.size(); ++e) {
        size_t at = out.size();
        PutEntry(w, plan, plan.entries[e], l.entryBytes[e], l.firstIndex[e]);
        if (tables && !(*tables)[e].kerning.empty()) out[at + 14] = 1;
    }
    out.insert(out.end(), l.data.begin(), l.data.end());
    auto putTables = [&] {
        if (!tables) return;
        for (const GlyphTable& t : *tables) {
            for (uint16_t v : t.width)
                w.U16(v);
            for (uint16_t v : t.offset)
                w.U16(v);
            out.insert(out.end(), t.map.begin(), t.map.end());
            for (int8_t k : t.kerning)
                w.U8(static_cast<uint8_t>(k));
        }
    };
    if (!explicitOffset) putTables();
    out.insert(out.end(), plan.palette.begin(), plan.palette.end());
    for (uint32_t o : l.frameOffsets)
        w.U32(o);
    if (explicitOffset) putTables();
    return out;
}

} // namespace

int32_t AlbumBytesPerPixel(uint8_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 8: return 1;
        case 16: return 2;
        case 24: return 3;
        default: return 0;
    }
}

std::array<uint8_t, 3> FillComponents(uint16_t pixel) {
    // The reader ORs c1 x 1024, (c2 / 4) x 32 and c3 / 8: c1 carries the top
    // six bits (its lowest overlaps green's top bit, which OR forgives).
    return {static_cast<uint8_t>(pixel >> 10), static_cast<uint8_t>(((pixel >> 5) & 63) * 4),
            static_cast<uint8_t>((pixel & 31) * 8)};
}

std::vector<uint8_t> PackRunLength(const std::vector<uint8_t>& pixels, int32_t bytesPerPixel) {
    return PackRuns(pixels.data(), pixels.size() / bytesPerPixel, bytesPerPixel);
}

std::vector<uint8_t> PackSkipFill(const std::vector<uint8_t>& pixels, int32_t width, int32_t height,
                                  int32_t bytesPerPixel, uint16_t fill) {
    const uint8_t fillBytes[2] = {static_cast<uint8_t>(fill), static_cast<uint8_t>(fill >> 8)};
    std::vector<uint8_t> rows;
    std::vector<uint32_t> starts;
    platform::ByteWriter w(rows);
    for (int32_t y = 0; y < height; ++y) {
        starts.push_back(static_cast<uint32_t>(rows.size()));
        const uint8_t* row = pixels.data() + static_cast<size_t>(y) * width * bytesPerPixel;
        int32_t x = 0;
        while (x < width) {
            int32_t run = 0, literal = 0;
            while (x + run < width && run < 255 &&
                   SamePixel(row + (x + run) * bytesPerPixel, fillBytes, bytesPerPixel))
                ++run;
            while (x + run + literal < width && literal < 255 &&
                   !SamePixel(row + (x + run + literal) * bytesPerPixel, fillBytes, bytesPerPixel))
                ++literal;
            w.U16(static_cast<uint16_t>(run | (literal << 8)));
            const uint8_t* lit = row + (x + run) * bytesPerPixel;
            rows.insert(rows.end(), lit, lit + literal * bytesPerPixel);
            x += run + literal;
        }
        w.U16(0);
    }
    std::vector<uint8_t> out;
    platform::ByteWriter o(out);
    for (uint32_t s : starts)
        o.U32(s + static_cast<uint32_t>(starts.size()) * 4);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

std::vector<uint8_t> WriteAlbum(const AlbumPlan& plan, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    error->clear();
    if (!Check(plan, error)) return {};
    return Assemble(plan, nullptr, false);
}

std::vector<uint8_t> WritePixelFont(const AlbumPlan& plan, const std::vector<GlyphTable>& tables,
                                    bool explicitOffset, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    error->clear();
    if (!Check(plan, error)) return {};
    if (plan.entries.size() > 32 || tables.size() != plan.entries.size()) {
        *error = "a pixel font has 1 to 32 sub-fonts, one glyph table each";
        return {};
    }
    for (const GlyphTable& t : tables)
        if (!t.kerning.empty() && t.kerning.size() != kKerningSize) {
            *error = "a kerning table holds 65536 bytes";
            return {};
        }
    return Assemble(plan, &tables, explicitOffset);
}

} // namespace tools
