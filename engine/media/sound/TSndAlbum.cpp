#include "media/sound/TSndAlbum.h"

#include "foundation/TError.h"
#include "media/sound/ImaAdpcm.h"
#include "platform/ByteStream.h"

#include <utility>

namespace {
constexpr const char* kSource = "Source\\TCustWav";
} // namespace

TSndAlbum::TSndAlbum() {
    folder_ = "Waves";
}

void TSndAlbum::SetEntry(int32_t entry) {
    if (entry == entry_) return;
    entry_ = entry;
    stale_ = true;
}

void TSndAlbum::SetSound(int32_t sound) {
    if (sound == sound_) return;
    sound_ = sound;
    stale_ = true;
}

int TSndAlbum::Open() {
    if (++openCount_ == 1) {
        if (!TSwpFile::Open(0)) {
            openCount_ = 0;
            return 0;
        }
    }
    if (stale_) {
        ReadHeader();
        stale_ = false;
    }
    return info_.dataOffset > 0;
}

int TSndAlbum::Close() {
    if (openCount_ <= 0) return 0;
    if (--openCount_ == 0) {
        TSwpFile::Close();
        stale_ = true;
    }
    return 1;
}

template <class T> T TSndAlbum::Query(T TWaveInfo::*field) {
    if (stale_) {
        if (openCount_ > 0) {
            ReadHeader();
            stale_ = false;
        } else if (TSwpFile::Open(0)) {
            ReadHeader(); // stays stale: a closed album reads it on every query
            TSwpFile::Close();
        }
    }
    return info_.*field;
}

int64_t TSndAlbum::GetLength() {
    return Query(&TWaveInfo::length);
}
uint32_t TSndAlbum::GetRate() {
    return Query(&TWaveInfo::rate);
}
uint16_t TSndAlbum::GetChannels() {
    return Query(&TWaveInfo::channels);
}
uint16_t TSndAlbum::GetBits() {
    return Query(&TWaveInfo::bits);
}

// A selection the album's tables do not lead to inside the file: whatever
// lies there is not the sound (an index past an entry's sounds reads the
// next table or sound data as an offset and a length).
bool TSndAlbum::Outside(int32_t line) {
    info_.length = 0;
    info_.dataBytes = 0;
    info_.dataOffset = 0;
    TError::Raise(53, "The selected sound lies outside the album file.", FileName().c_str(),
                  kSource, line);
    return false;
}

bool TSndAlbum::ReadHeader() {
    info_.dataOffset = 0;
    uint8_t header[kHeaderBytes] = {};
    if (ReadAt(0, header, kHeaderBytes) <= 0) return false;
    platform::ByteReader r(header, kHeaderBytes);
    if (r.U16() != kVersion) {
        info_.dataOffset = kHeaderBytes;
        return true;
    }
    const int32_t tableBase = r.U16();
    r.Seek(16);
    info_.formatTag = r.U16();
    info_.channels = r.U16();
    info_.rate = r.U32();
    r.Seek(30);
    info_.bits = r.U16();
    info_.adpcmBits = 0;
    info_.length = 0;
    if (entry_ < 0 || sound_ < 0) return Outside(108);
    uint8_t entry[kEntryBytes];
    if (ReadAt(kHeaderBytes + int64_t{entry_} * kEntryBytes, entry, kEntryBytes) < kEntryBytes)
        return Outside(111);
    platform::ByteReader e(entry, kEntryBytes);
    e.Seek(6);
    return ReadSound(tableBase, e.U32());
}

bool TSndAlbum::ReadSound(int32_t tableBase, uint32_t tableOffset) {
    uint8_t word[4];
    const int64_t at = kHeaderBytes + int64_t{tableOffset} + (int64_t{tableBase} * 16 + sound_) * 4;
    if (ReadAt(at, word, 4) < 4) return Outside(120);
    const int64_t soundOffset = platform::ByteReader(word, 4).U32();
    uint8_t values[8];
    if (soundOffset < kHeaderBytes || ReadAt(soundOffset, values, 8) < 8) return Outside(123);
    platform::ByteReader v(values, 8);
    int64_t first = v.U32(), second = v.U32();
    int64_t dataBytes = first;
    if (info_.formatTag == TCustWav::kImaAdpcm) {
        info_.adpcmBits = 4;
        info_.bits = 16;
        std::swap(first, second); // packed bytes, then decoded bytes
        dataBytes = second;
        info_.blockAlign = 512 * info_.channels; // albums keep 512 bytes per channel
    }
    if (soundOffset + 8 + dataBytes > GetSize()) return Outside(134);
    if (info_.bits == 16) {
        first /= 2;
        second /= 2;
    }
    if (info_.formatTag == TCustWav::kImaAdpcm &&
        first > info_.channels * ImaFramesInData(dataBytes, info_.blockAlign, info_.channels))
        return Outside(141);
    info_.length = first;
    secondValue_ = second;
    info_.dataBytes = dataBytes;
    info_.dataOffset = soundOffset + 8;
    return true;
}
