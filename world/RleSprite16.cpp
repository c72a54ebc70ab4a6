#include "RleSprite16.h"

#include "RlaStream.h"
#include "RoomGlobals.h"

#include "foundation/TError.h"
#include "platform/ByteStream.h"

#include <cstring>
#include <vector>

namespace {

const char* const kSource = "Int\\All\\Source\\RleSprite16";

// 5:6:5 to 5:5:5 by dropping the lowest green bit; pure green stays the key.
inline uint16_t To555(uint16_t p) {
    return static_cast<uint16_t>(((p >> 1) & 0x7FE0) + (p & 0x1F));
}

} // namespace

RleSprite16::~RleSprite16() {
    Free();
}

void RleSprite16::Free() {
    EngineFree(data_);
    data_ = nullptr;
    opaqueFrom_ = 0;
    is555_ = false;
}

RlaFrame* RleSprite16::Decode(RlaStream* stream, uint32_t version) {
    auto* sprite = new RleSprite16;
    if (!sprite) {
        TError::Raise(9, nullptr, nullptr, kSource, 1);
        return nullptr;
    }
    if (sprite->Load(stream, version)) return sprite;
    delete sprite;
    return nullptr;
}

bool RleSprite16::ReadHeader(RlaStream* stream) {
    uint8_t header[kHeaderSize];
    if (stream->Read(header, kHeaderSize) != kHeaderSize) return false;
    platform::ByteReader in(header, kHeaderSize);
    dataSize = in.U32();
    width = in.S32();
    height = in.S32();
    reserved = in.U32();
    x = in.S32();
    y = in.S32();
    return width >= 0 && width <= kMaxSide && height >= 0 && height <= kMaxSide;
}

// A sprite whose record is refused is left empty, as a new one is, so that
// nothing can draw through a header without its data.
bool RleSprite16::Load(RlaStream* stream, uint32_t /*version*/) {
    if (LoadRecord(stream)) return true;
    Free();
    dataSize = reserved = 0;
    width = height = x = y = 0;
    return false;
}

bool RleSprite16::LoadRecord(RlaStream* stream) {
    Free();
    if (!stream || !ReadHeader(stream)) return false;
    const int64_t size = stream->Size(), here = stream->Tell();
    // The size is checked against the file before anything is allocated.
    if (size < 0 || here < 0 || dataSize > static_cast<uint64_t>(size - here) ||
        dataSize < 4 * static_cast<uint64_t>(height))
        return false;
    if (dataSize > 0) {
        data_ = static_cast<uint8_t*>(EngineAlloc(dataSize));
        if (!data_) {
            TError::Raise(9, nullptr, nullptr, kSource, 2);
            return false;
        }
        if (stream->Read(data_, dataSize) != dataSize) return false;
    }
    // Rows may use one another's pixels as run words, so a converted record is
    // checked again as it now stands.
    const bool convert = Display555() != 0;
    return CheckRows(convert) && (!convert || CheckRows(false));
}

// Walks every row once: the bounds of offsets, run words and pixels and the
// row width, and where the opaque lower part starts; with `convert` the
// opaque pixels become 5:5:5. Rows may share their runs, so each converted
// pixel is marked and never converted twice.
bool RleSprite16::CheckRows(bool convert) {
    std::vector<bool> converted(convert ? dataSize : 0);
    const uint64_t size = dataSize;
    opaqueFrom_ = 0;
    for (int32_t row = 0; row < height; ++row) {
        uint32_t offset;
        std::memcpy(&offset, data_ + 4 * row, 4);
        uint64_t pos = 4 * static_cast<uint64_t>(row) + offset;
        int64_t column = 0;
        bool gaps = false;
        for (;;) {
            if (pos + 2 > size) return false;
            const uint16_t word = LoadWord(data_ + pos);
            pos += 2;
            if (word == 0) break;
            const uint32_t count = word >> 8;
            gaps = gaps || (word & 0xFF) != 0;
            column += (word & 0xFF) + count;
            if (column > width || pos + 2 * count > size) return false;
            for (uint32_t i = 0; convert && i < count; ++i) {
                const uint64_t at = pos + 2 * i;
                if (converted[at]) continue;
                converted[at] = true;
                const uint16_t p = To555(LoadWord(data_ + at));
                data_[at] = static_cast<uint8_t>(p);
                data_[at + 1] = static_cast<uint8_t>(p >> 8);
            }
            pos += 2 * count;
        }
        if (gaps || column < width) opaqueFrom_ = row + 1;
    }
    is555_ = is555_ || convert;
    return true;
}

bool RleSprite16::Save(RlaStream* stream) {
    if (!stream || is555_) return false;
    std::vector<uint8_t> header;
    platform::ByteWriter out(header);
    out.U32(dataSize);
    out.S32(width);
    out.S32(height);
    out.U32(reserved);
    out.S32(x);
    out.S32(y);
    if (stream->Write(header.data(), kHeaderSize) != kHeaderSize) return false;
    return dataSize == 0 || stream->Write(data_, dataSize) == dataSize;
}

bool RleSprite16::SamePicture(const RleSprite16& other) const {
    if (&other == this) return true;
    if (other.width != width || other.height != height || other.x != x || other.y != y ||
        other.dataSize != dataSize || other.is555_ != is555_)
        return false;
    return dataSize == 0 ||
           (data_ && other.data_ && std::memcmp(data_, other.data_, dataSize) == 0);
}

bool RleSprite16::IsOpaqueAt(int32_t px, int32_t py) const {
    if (py < 0 || py >= height) return false;
    const uint8_t* run = RowRuns(py);
    int64_t position = 0;
    for (;;) {
        const uint16_t word = LoadWord(run);
        if (word == 0) return false;
        position += word & 0xFF;
        if (px < position) return false;
        position += word >> 8;
        if (px < position) return true;
        run += 2 + 2 * (word >> 8);
    }
}
