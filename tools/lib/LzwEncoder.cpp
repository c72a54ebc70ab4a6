#include "LzwEncoder.h"

namespace tools {

namespace {

constexpr uint32_t kClear = 256;
constexpr uint32_t kFirstFree = 258;

// The decoder's view of the dictionary: where the next entry goes and how wide
// the next code is read.
struct LzwModel {
    static constexpr uint32_t kLastEntry = 4094; // adding it restarts the dictionary
    uint32_t next = kFirstFree;
    uint32_t width = 9;
    void Clear() {
        next = kFirstFree;
        width = 9;
    }
    // An entry was added; true when the dictionary restarted silently.
    bool Grow() {
        ++next;
        if (next != (1u << width) - 1) return false;
        if (width < 12) {
            ++width;
            return false;
        }
        Clear();
        return true;
    }
};

struct Lzw16Model {
    static constexpr uint32_t kLastEntry = 65534;
    uint32_t next = kFirstFree;
    uint32_t width = 16;
    void Clear() { next = kFirstFree; }
    bool Grow() {
        if (++next != 65535) return false;
        next = kFirstFree;
        return true;
    }
};

// (prefix code, byte) -> code for the entries of the current dictionary
// epoch; a new epoch forgets them all at once by its stamp.
class EntryMap {
public:
    EntryMap() : keys_(kSize), codes_(kSize), stamps_(kSize, 0) {}
    void Forget() { ++epoch_; }
    int32_t Find(uint32_t prefix, uint8_t byte) const {
        uint32_t key = (prefix << 8) | byte;
        for (uint32_t i = Hash(key);; i = (i + 1) & (kSize - 1)) {
            if (stamps_[i] != epoch_) return -1;
            if (keys_[i] == key) return static_cast<int32_t>(codes_[i]);
        }
    }
    void Add(uint32_t prefix, uint8_t byte, uint32_t code) {
        uint32_t key = (prefix << 8) | byte;
        uint32_t i = Hash(key);
        while (stamps_[i] == epoch_ && keys_[i] != key)
            i = (i + 1) & (kSize - 1);
        keys_[i] = key;
        codes_[i] = code;
        stamps_[i] = epoch_;
    }

private:
    static constexpr uint32_t kSize = 1u << 18; // at most 65277 entries per epoch
    static uint32_t Hash(uint32_t key) { return (key * 2654435761u) >> 14; }
    std::vector<uint32_t> keys_;
    std::vector<uint32_t> codes_;
    std::vector<uint32_t> stamps_;
    uint32_t epoch_ = 1;
};

template <class Model>
std::vector<uint8_t> Encode(const uint8_t* data, size_t size, const LzwOptions& options) {
    LzwStats local;
    LzwStats& stats = options.stats ? *options.stats : local;
    stats = LzwStats{};
    if (size == 0) return {}; // a lone clear code would decode to one zero byte
    LzwBitWriter writer;
    Model model;
    EntryMap map;
    bool afterClear = false;
    // The decoder adds its entry one code late; the encoder adds the same
    // entry as soon as it knows the byte, so that the code the decoder does
    // not know yet (the KwKwK case) can be used. A stream without a leading
    // clear starts with the decoder's previous code 0.
    bool pendingAdded = false;
    uint32_t prev = 0;
    uint32_t sinceClear = 0;
    auto clear = [&] {
        writer.Put(kClear, model.width);
        ++stats.clears;
        model.Clear();
        map.Forget();
        afterClear = true;
        sinceClear = 0;
    };
    if (options.leadingClear) clear();
    size_t pos = 0;
    while (pos < size) {
        if (options.clearEvery && sinceClear >= options.clearEvery) clear();
        // After a clear the decoder takes a literal. The code whose entry
        // restarts the dictionary is a literal too: the first entry after the
        // restart leans on it, and a longer code could be overwritten under
        // that entry and leave a circle.
        bool literal = afterClear || model.next == Model::kLastEntry;
        uint32_t code = data[pos];
        size_t length = 1;
        if (!literal) {
            while (pos + length < size) {
                int32_t longer = map.Find(code, data[pos + length]);
                if (longer < 0) break;
                code = static_cast<uint32_t>(longer);
                ++length;
            }
        }
        writer.Put(code, model.width);
        ++sinceClear;
        ++stats.codes;
        if (afterClear) {
            afterClear = false;
        } else {
            if (code == model.next) ++stats.unknownCodes;
            if (!pendingAdded) map.Add(prev, data[pos], model.next);
            uint32_t width = model.width;
            if (model.Grow()) {
                map.Forget();
                ++stats.restarts;
            } else if (model.width != width) {
                ++stats.widthChanges;
            }
        }
        pendingAdded = pos + length < size;
        if (pendingAdded) map.Add(code, data[pos + length], model.next);
        prev = code;
        pos += length;
    }
    return writer.Finish();
}

} // namespace

void LzwBitWriter::Put(uint32_t code, uint32_t width) {
    bits_ |= static_cast<uint64_t>(code & ((1u << width) - 1)) << count_;
    count_ += width;
    while (count_ >= 8) {
        out_.push_back(static_cast<uint8_t>(bits_));
        bits_ >>= 8;
        count_ -= 8;
    }
}

std::vector<uint8_t> LzwBitWriter::Finish() {
    if (count_) out_.push_back(static_cast<uint8_t>(bits_));
    bits_ = 0;
    count_ = 0;
    return std::move(out_);
}

std::vector<uint8_t> EncodeLzw(const uint8_t* data, size_t size, const LzwOptions& options) {
    return Encode<LzwModel>(data, size, options);
}

std::vector<uint8_t> EncodeLzw16(const uint8_t* data, size_t size, const LzwOptions& options) {
    return Encode<Lzw16Model>(data, size, options);
}

} // namespace tools
