#include "RlaWriter.h"

#include "platform/ByteStream.h"

namespace tools {

namespace {

// Run words: low byte the pixels to skip, high byte the opaque pixels that follow.
constexpr uint32_t kMaxRun = 255;

bool Opaque(const RgbaImage& image, int32_t x, int32_t y) {
    return image.rgba[(static_cast<size_t>(y) * image.width + x) * 4 + 3] >= 128;
}

// One row: skips longer than a run word holds go out as (255, 0) words, opaque
// runs longer than 255 continue with skip 0; transparent pixels at the row's
// end need no word; the row ends with a 0 word.
void EncodeRow(const RgbaImage& image, int32_t y, platform::ByteWriter& out, uint32_t* nudged) {
    int32_t x = 0;
    while (x < image.width) {
        uint32_t skip = 0;
        while (x < image.width && !Opaque(image, x, y)) {
            ++skip;
            ++x;
        }
        if (x == image.width) break;
        int32_t end = x;
        while (end < image.width && Opaque(image, end, y))
            ++end;
        for (; skip > kMaxRun; skip -= kMaxRun)
            out.U16(kMaxRun);
        while (x < end) {
            const uint32_t count = end - x < static_cast<int32_t>(kMaxRun) ? end - x : kMaxRun;
            out.U16(static_cast<uint16_t>(skip | count << 8));
            skip = 0;
            for (uint32_t i = 0; i < count; ++i, ++x) {
                const uint8_t* p = &image.rgba[(static_cast<size_t>(y) * image.width + x) * 4];
                bool moved = false;
                out.U16(RlaPixel565(p[0], p[1], p[2], &moved));
                *nudged += moved;
            }
        }
    }
    out.U16(0);
}

} // namespace

uint16_t RlaPixel565(uint8_t r, uint8_t g, uint8_t b, bool* nudged) {
    uint16_t p = static_cast<uint16_t>((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
    *nudged = p == 0x07E0 || p == 0x07C0;
    if (*nudged) p |= 1;
    return p;
}

std::vector<uint8_t> EncodeRleSprite(const RgbaImage& image, int32_t x, int32_t y,
                                     uint32_t reserved, uint32_t* nudgedPixels) {
    std::vector<uint8_t> rows;
    platform::ByteWriter rowOut(rows);
    std::vector<uint32_t> rowStart;
    uint32_t nudged = 0;
    for (int32_t row = 0; row < image.height; ++row) {
        rowStart.push_back(static_cast<uint32_t>(rows.size()));
        EncodeRow(image, row, rowOut, &nudged);
    }
    const uint32_t table = 4 * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> record;
    platform::ByteWriter out(record);
    out.U32(table + static_cast<uint32_t>(rows.size()));
    out.S32(image.width);
    out.S32(image.height);
    out.U32(reserved);
    out.S32(x);
    out.S32(y);
    // Each offset counts from its own word to the row's first run word.
    for (int32_t row = 0; row < image.height; ++row)
        out.U32(table + rowStart[row] - 4 * static_cast<uint32_t>(row));
    out.Bytes(rows.data(), rows.size());
    if (nudgedPixels) *nudgedPixels = nudged;
    return record;
}

std::vector<int32_t>& RlaWriter::Group(uint32_t group) {
    if (groups_.size() <= group) groups_.resize(group + 1);
    return groups_[group];
}

void RlaWriter::AddSprite(uint32_t group, const RgbaImage& image, int32_t x, int32_t y,
                          uint32_t reserved) {
    uint32_t nudged = 0;
    AddRecord(group, kSpriteTag, EncodeRleSprite(image, x, y, reserved, &nudged));
    nudged_ += nudged;
}

void RlaWriter::AddRecord(uint32_t group, uint32_t tag, const std::vector<uint8_t>& record) {
    Group(group).push_back(static_cast<int32_t>(records_.size()));
    platform::ByteWriter out(records_);
    out.U32(tag);
    out.Bytes(record.data(), record.size());
}

void RlaWriter::AddEmpty(uint32_t group) {
    Group(group).push_back(-1);
}

std::vector<uint8_t> RlaWriter::Finish() const {
    std::vector<uint8_t> file = records_;
    platform::ByteWriter out(file);
    const size_t start = file.size();
    out.U32(static_cast<uint32_t>(groups_.size()));
    for (const std::vector<int32_t>& frames : groups_) {
        out.U32(static_cast<uint32_t>(frames.size()));
        for (int32_t offset : frames)
            out.S32(offset);
    }
    out.U32(static_cast<uint32_t>(file.size() - start));
    return file;
}

} // namespace tools
