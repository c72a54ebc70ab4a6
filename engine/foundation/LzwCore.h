// The decoding loop shared by TLzwCodec and TLzw16Codec. The two formats
// differ only in how codes are read and how the dictionary grows, so each
// supplies a small code reader and this one loop does the rest.
//
// Dictionary rules: codes 0-255 are the single bytes, 256 clears, 257 is never
// assigned, the first free code is 258. A code's string is its entry's byte
// behind the string of its prefix, ending at a code of 256 or below.
//
// Speed: nearly every string already stands in the output, since an entry is
// "the previous string plus the first byte of the next one", and those two lie
// side by side. So an entry remembers where its string was written and is
// copied from there. The prefix chain is walked only when that copy could be
// wrong: after a silent restart or a corrupt code an entry may lean on codes
// that get overwritten, and then only the chain tells the string.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace lzw {

constexpr uint32_t kClear = 256;
constexpr uint32_t kFirstFree = 258;

struct Entry {
    uint32_t start;  // where the string was written, when `sliced`
    uint32_t length; // its length, when `sliced`
    uint16_t prefix;
    uint8_t byte;
    uint8_t sliced; // the bytes at `start` are the string, for as long as it is reachable
};

// Packed input: the whole of it in memory, or a stream read in blocks.
struct Input {
    const uint8_t* in = nullptr;
    const uint8_t* end = nullptr;
    FILE* stream = nullptr;
    uint8_t* block = nullptr;
    size_t blockSize = 0;

    // Keeps the `end - in` unread bytes (a half code word) and reads the next
    // block behind them; false when nothing new came.
    bool Refill() {
        if (!stream) return false;
        size_t keep = static_cast<size_t>(end - in);
        if (keep) std::memmove(block, in, keep);
        size_t got = std::fread(block + keep, 1, blockSize - keep, stream);
        in = block;
        end = block + keep + got;
        return got > 0;
    }
};

// Everything one run allocates, through the engine heap; freed by the codec.
struct Buffers {
    Entry* dict = nullptr;
    uint8_t* reversal = nullptr;
    size_t reversalSize = 0;
    uint8_t* block = nullptr;

    void Free() {
        EngineFree(dict);
        EngineFree(reversal);
        EngineFree(block);
        dict = nullptr;
        reversal = nullptr;
        block = nullptr;
        reversalSize = 0;
    }
};

// Codes: the format's reader, with
//   bool Next(Input&, uint32_t& code)  -- false when the input ends first
//   void Reset()                        -- a clear code was read
//   void Grown(uint32_t& next)          -- an entry was added, `next` moved on
//   static constexpr uint32_t kTableSize, kReadBlock (stream block bytes)
template <class Codes> class Decoder {
public:
    Decoder(Buffers& buffers, Input& input) : buf_(buffers), input_(input) {}

    // 1, or 0 when memory is missing or a prefix chain runs in a circle.
    int Run(uint8_t* out, int32_t* capacity) {
        if (!Prepare()) return 0;
        out_ = out;
        pos_ = out;
        end_ = out + *capacity;
        int result = Loop();
        *capacity = static_cast<int32_t>(pos_ - out_);
        return result;
    }

private:
    bool Prepare() {
        constexpr size_t kSize = Codes::kTableSize;
        if (!buf_.dict) buf_.dict = static_cast<Entry*>(EngineAlloc(kSize * sizeof(Entry)));
        if (!buf_.reversal) {
            buf_.reversalSize = 2048;
            buf_.reversal = static_cast<uint8_t*>(EngineAlloc(buf_.reversalSize));
        }
        if (!buf_.dict || !buf_.reversal) return false;
        Entry* dict = buf_.dict;
        for (size_t i = 0; i < kSize; ++i)
            dict[i] = Entry{0, 0, static_cast<uint16_t>(kClear),
                            static_cast<uint8_t>(i < 256 ? i : 0), 0};
        return true;
    }

    int Loop() {
        Entry* dict = buf_.dict;
        uint32_t next = kFirstFree;
        // A stream without a leading clear code starts as if the previous code
        // were 0, so its first code adds an entry too.
        uint32_t prev = 0;
        uint8_t prevFirst = 0;
        uint32_t prevStart = 0, prevLength = 0;
        bool prevStable = false;
        uint32_t code;
        while (pos_ < end_ && codes_.Next(input_, code)) {
            uint8_t* at = pos_;
            if (code == kClear) {
                next = kFirstFree;
                codes_.Reset();
                // The code after a clear is a literal and adds no entry; a
                // stream that ends instead still yields one zero byte.
                uint32_t literal = kClear;
                bool got = codes_.Next(input_, literal);
                *pos_++ = dict[literal].byte;
                prev = literal;
                prevFirst = dict[literal].byte;
                prevStart = static_cast<uint32_t>(at - out_);
                prevLength = 1;
                prevStable = literal <= kClear;
                if (!got) break;
                continue;
            }
            // `stable`: the bytes written are the code's string and stay so
            // while the code is below `next`.
            bool stable;
            bool unknown = code >= next;
            if (!unknown) {
                if (!Emit(code, next)) return 0;
                stable = code <= 257 || dict[code].sliced;
            } else {
                // The string not yet in the dictionary: the previous string
                // followed by its own first byte.
                if (!Emit(prev, next)) return 0;
                if (pos_ < end_) *pos_++ = prevFirst;
                stable = false;
            }
            if (pos_ >= end_) break; // output full: this string was cut
            Entry& entry = dict[next];
            entry.prefix = static_cast<uint16_t>(prev);
            entry.byte = *at;
            entry.start = prevStart;
            entry.length = prevLength + 1;
            // Copying is right only while the prefix's string cannot change
            // under this entry.
            entry.sliced = prevStable && prev < next; // a restart leaves prev behind
            if (unknown) stable = code == next && *at == prevFirst && entry.sliced;
            ++next;
            codes_.Grown(next);
            prev = code;
            prevFirst = *at;
            prevStart = static_cast<uint32_t>(at - out_);
            prevLength = static_cast<uint32_t>(pos_ - at);
            prevStable = stable;
        }
        return 1;
    }

    // Writes the string of `code`, cut to the room left; false on a circle.
    bool Emit(uint32_t code, uint32_t next) {
        const Entry* dict = buf_.dict;
        if (code < 256) {
            *pos_++ = static_cast<uint8_t>(code);
            return true;
        }
        size_t room = static_cast<size_t>(end_ - pos_);
        const Entry& e = dict[code];
        if (code < next && e.sliced) {
            const uint8_t* src = out_ + e.start;
            if (e.length <= 16 && room >= 16) {
                uint8_t tmp[16];
                std::memcpy(tmp, src, 16);
                std::memcpy(pos_, tmp, 16);
                pos_ += e.length;
            } else {
                size_t n = e.length < room ? e.length : room;
                std::memmove(pos_, src, n);
                pos_ += n;
            }
            return true;
        }
        return Walk(code, room);
    }

    // Follows the prefix chain, collecting the string back to front. A chain
    // longer than the dictionary can only be a circle left by corrupt input.
    bool Walk(uint32_t code, size_t room) {
        const Entry* dict = buf_.dict;
        size_t at = buf_.reversalSize;
        uint32_t steps = 0;
        for (;;) {
            if (at == 0 && !GrowReversal(at)) return false;
            buf_.reversal[--at] = dict[code].byte;
            if (code <= kClear) break;
            code = dict[code].prefix;
            if (++steps > Codes::kTableSize) return false;
        }
        size_t length = buf_.reversalSize - at;
        size_t n = length < room ? length : room;
        std::memcpy(pos_, buf_.reversal + at, n);
        pos_ += n;
        return true;
    }

    // Doubles the reversal buffer, keeping the tail already collected at the
    // end; `at` is moved to match.
    bool GrowReversal(size_t& at) {
        size_t size = buf_.reversalSize * 2;
        uint8_t* bigger = static_cast<uint8_t*>(EngineAlloc(size));
        if (!bigger) return false;
        std::memcpy(bigger + size - buf_.reversalSize, buf_.reversal, buf_.reversalSize);
        EngineFree(buf_.reversal);
        at += size - buf_.reversalSize;
        buf_.reversal = bigger;
        buf_.reversalSize = size;
        return true;
    }

    Buffers& buf_;
    Input& input_;
    Codes codes_;
    uint8_t* out_ = nullptr;
    uint8_t* pos_ = nullptr;
    uint8_t* end_ = nullptr;
};

// The memory form: `packedSize` bytes at `packed`.
template <class Codes>
int DecodeMemory(Buffers& buffers, const uint8_t* packed, int32_t packedSize, uint8_t* out,
                 int32_t* capacity) {
    if (!capacity) return 0;
    if (packedSize <= 0 || *capacity <= 0) {
        // Nothing was written, and the count says so: callers size their text
        // by it.
        *capacity = 0;
        return 1;
    }
    if (!packed || !out) return 0;
    Input input;
    input.in = packed;
    input.end = packed + packedSize;
    int result = Decoder<Codes>(buffers, input).Run(out, capacity);
    buffers.Free();
    return result;
}

// The stream form: from the stream's position to its end, in blocks.
template <class Codes>
int DecodeStream(Buffers& buffers, FILE* stream, uint8_t* out, int32_t* capacity) {
    if (!stream || !out || !capacity) return 0;
    if (*capacity <= 0) {
        *capacity = 0;
        return 1;
    }
    buffers.block = static_cast<uint8_t*>(EngineAlloc(Codes::kReadBlock));
    if (!buffers.block) return 0;
    Input input;
    input.stream = stream;
    input.block = buffers.block;
    input.blockSize = Codes::kReadBlock;
    input.in = input.end = buffers.block;
    int result = Decoder<Codes>(buffers, input).Run(out, capacity);
    buffers.Free();
    return result;
}

} // namespace lzw
