// The one door for bytes of every file format: a bounds-checked little-endian
// reader over a span and a writer that appends to a vector. A read past the end
// yields zeros and sets a sticky error flag, so a parser reads a whole header
// and checks Ok() once instead of testing every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace platform {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    explicit ByteReader(const std::vector<uint8_t>& bytes)
        : ByteReader(bytes.data(), bytes.size()) {}

    const uint8_t* Data() const { return data_; }
    size_t Position() const { return pos_; }
    size_t Size() const { return size_; }
    size_t Remaining() const { return size_ - pos_; }
    bool AtEnd() const { return pos_ >= size_; }
    bool Ok() const { return ok_; }
    void Fail() { ok_ = false; }

    // Moves to an absolute position; a position past the end fails and stays put.
    bool Seek(size_t pos) {
        if (pos > size_) return ok_ = false;
        pos_ = pos;
        return true;
    }
    bool Skip(size_t count) {
        if (count > Remaining()) {
            pos_ = size_;
            return ok_ = false;
        }
        pos_ += count;
        return true;
    }

    // Pointer to the next `count` bytes, consumed; null (and the error flag) when
    // fewer remain.
    const uint8_t* Take(size_t count) {
        if (count > Remaining()) {
            pos_ = size_;
            ok_ = false;
            return nullptr;
        }
        const uint8_t* at = data_ + pos_;
        pos_ += count;
        return at;
    }
    bool Bytes(void* out, size_t count) {
        const uint8_t* at = Take(count);
        if (!at) {
            std::memset(out, 0, count);
            return false;
        }
        std::memcpy(out, at, count);
        return true;
    }

    uint8_t U8() { return static_cast<uint8_t>(Little(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Little(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Little(4)); }
    uint64_t U64() { return Little(8); }
    int8_t S8() { return static_cast<int8_t>(U8()); }
    int16_t S16() { return static_cast<int16_t>(U16()); }
    int32_t S32() { return static_cast<int32_t>(U32()); }
    uint16_t U16BE() { return static_cast<uint16_t>(Big(2)); }
    uint32_t U32BE() { return static_cast<uint32_t>(Big(4)); }

private:
    uint64_t Little(size_t count) {
        const uint8_t* at = Take(count);
        uint64_t value = 0;
        if (at)
            for (size_t i = 0; i < count; ++i)
                value |= static_cast<uint64_t>(at[i]) << (8 * i);
        return value;
    }
    uint64_t Big(size_t count) {
        const uint8_t* at = Take(count);
        uint64_t value = 0;
        if (at)
            for (size_t i = 0; i < count; ++i)
                value = (value << 8) | at[i];
        return value;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool ok_ = true;
};

class ByteWriter {
public:
    explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

    size_t Position() const { return out_.size(); }
    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v) { Little(v, 2); }
    void U32(uint32_t v) { Little(v, 4); }
    void U64(uint64_t v) { Little(v, 8); }
    void S16(int16_t v) { U16(static_cast<uint16_t>(v)); }
    void S32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void U16BE(uint16_t v) { Big(v, 2); }
    void U32BE(uint32_t v) { Big(v, 4); }
    void Bytes(const void* data, size_t count) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        out_.insert(out_.end(), p, p + count);
    }
    void Text(const std::string& text) { Bytes(text.data(), text.size()); }
    void Zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    // Overwrites a 32-bit field written earlier (sizes known only at the end).
    void PatchU32(size_t pos, uint32_t v) {
        for (size_t i = 0; i < 4 && pos + i < out_.size(); ++i)
            out_[pos + i] = static_cast<uint8_t>(v >> (8 * i));
    }

private:
    void Little(uint64_t v, size_t count) {
        for (size_t i = 0; i < count; ++i)
            out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void Big(uint64_t v, size_t count) {
        for (size_t i = count; i-- > 0;)
            out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }

    std::vector<uint8_t>& out_;
};

} // namespace platform
