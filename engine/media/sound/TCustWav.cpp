#include "media/sound/TCustWav.h"

#include "foundation/TError.h"
#include "media/sound/ImaAdpcm.h"
#include "platform/ByteStream.h"

#include <algorithm>

namespace {
constexpr const char* kSource = "Source\\TCustWav";
constexpr const char* kIncomplete = "Cannot read the complete wave header of file.";
constexpr const char* kUnsupported = "Only wave files with PCM or ADPCM format are supported.";
} // namespace

TCustWav::TCustWav() {
    folder_ = "Waves";
}

TCustWav::TCustWav(const char* name) : TRiffFile(name) {
    folder_ = "Waves";
}

void TCustWav::Fail(const char* message, int32_t line) {
    TError::Raise(53, message, nullptr, kSource, line);
}

int TCustWav::Open() {
    if (++openCount_ > 1) return info_.dataOffset != 0;
    if (!TSwpFile::Open(0)) {
        info_.dataOffset = 0;
        return 0;
    }
    ParseHeader();
    return info_.dataOffset != 0;
}

int TCustWav::Close() {
    if (openCount_ <= 0) return 0;
    if (--openCount_ == 0) TSwpFile::Close();
    return 1;
}

template <class T> T TCustWav::Query(T TWaveInfo::*field) {
    if (openCount_ > 0) return info_.*field;
    Open();
    const T value = info_.*field;
    Close();
    return value;
}

int64_t TCustWav::GetLength() {
    return Query(&TWaveInfo::length);
}
uint32_t TCustWav::GetRate() {
    return Query(&TWaveInfo::rate);
}
uint16_t TCustWav::GetChannels() {
    return Query(&TWaveInfo::channels);
}
uint16_t TCustWav::GetBits() {
    return Query(&TWaveInfo::bits);
}

// Reads only the "fmt " chunk: fields it does not hold stay 0 and are refused.
bool TCustWav::ReadFormat(const Chunk& fmt, uint32_t* factFrames, const Chunk& fact) {
    uint8_t bytes[16] = {};
    const int32_t want = fmt.size < 16 ? static_cast<int32_t>(fmt.size) : 16;
    if (ReadAt(fmt.offset, bytes, want) < 16) Fail(kIncomplete, 262);
    platform::ByteReader r(bytes, 16);
    info_.formatTag = r.U16();
    info_.channels = r.U16();
    info_.rate = r.U32();
    r.U32(); // average bytes per second
    info_.blockAlign = r.U16();
    info_.adpcmBits = r.U16();
    if (info_.formatTag != kPcm && info_.formatTag != kImaAdpcm) {
        Fail(kUnsupported, 270);
        return false;
    }
    if (info_.formatTag == kImaAdpcm) {
        if (!fact.Found()) {
            Fail("Cannot find subchunk <fact> in file.", 275);
            return false;
        }
        uint8_t frames[4] = {};
        if (fact.size < 4 || ReadAt(fact.offset, frames, 4) < 4) {
            Fail(kIncomplete, 280);
            return false;
        }
        *factFrames = platform::ByteReader(frames, 4).U32();
    }
    return true;
}

bool TCustWav::CheckFormat(uint32_t factFrames) {
    const uint16_t c = info_.channels;
    if (info_.formatTag == kPcm) {
        info_.bits = info_.adpcmBits;
        info_.adpcmBits = 0;
        if (c == 0 || info_.rate == 0 || (info_.bits != 8 && info_.bits != 16)) {
            Fail(kUnsupported, 292);
            return false;
        }
        info_.length = info_.dataBytes / (info_.bits / 8);
        return true;
    }
    info_.bits = 16;
    if (c == 0 || c > 2 || info_.rate == 0 || info_.adpcmBits != 4) {
        Fail(kUnsupported, 300);
        return false;
    }
    if (info_.blockAlign == 0) info_.blockAlign = 512 * c;
    const int32_t perChannel = info_.blockAlign / c;
    if (info_.blockAlign % c != 0 || perChannel % 4 != 0 || perChannel < 8) {
        Fail(kUnsupported, 306);
        return false;
    }
    if (factFrames > ImaFramesInData(info_.dataBytes, info_.blockAlign, c)) {
        Fail("File is not a valid wave file.", 314);
        return false;
    }
    info_.length = int64_t{c} * factFrames;
    return true;
}

// A file cut inside its data (a broken copy or download) plays the samples
// it holds: the length never counts data beyond the file's end, which could
// only be read as silence.
void TCustWav::KeepDataInFile() {
    const int64_t held = std::max<int64_t>(0, int64_t{GetSize()} - info_.dataOffset);
    if (info_.dataBytes <= held) return;
    if (info_.formatTag == kImaAdpcm) {
        info_.dataBytes = held;
        info_.length = std::min(
            info_.length, info_.channels * ImaFramesInData(held, info_.blockAlign, info_.channels));
        return;
    }
    const int64_t frame = int64_t{info_.bits / 8} * info_.channels;
    info_.dataBytes = held - held % frame;
    info_.length = info_.dataBytes / (info_.bits / 8);
}

int64_t TCustWav::ParseHeader() {
    info_ = TWaveInfo{};
    if (!IsOpened()) return 0;
    int64_t offset = 0;
    if (!FindRiff(offset)) {
        Fail("Cannot find chunk <RIFF> in file.", 230);
        return 0;
    }
    if (formType_ != FourCC("WAVE")) {
        Fail("File is not a valid wave file.", 234);
        return 0;
    }
    static const char* const kIds[] = {"fmt ", "fact", "data"};
    Chunk chunks[3];
    WalkChunks(offset, kIds, chunks, 3);
    if (!chunks[0].Found() || !chunks[2].Found()) {
        // The byte scan reads files whose chunk sizes do not add up.
        chunks[0] = chunks[1] = chunks[2] = Chunk{};
        int64_t at = offset;
        if (!Descend("fmt ", at)) {
            Fail("Cannot find subchunk <fmt> in file.", 242);
            return 0;
        }
        chunks[0] = Chunk{at, chunkSize_};
        at += chunkSize_ < 16 ? chunkSize_ : 16;
        uint8_t tag[2] = {};
        ReadAt(chunks[0].offset, tag, chunkSize_ < 2 ? 0 : 2);
        int64_t factAt = at;
        if (platform::ByteReader(tag, 2).U16() == kImaAdpcm && Descend("fact", factAt)) {
            chunks[1] = Chunk{factAt, chunkSize_};
            at = factAt;
        }
        if (Descend("data", at)) chunks[2] = Chunk{at, chunkSize_};
    }
    uint32_t factFrames = 0;
    if (!ReadFormat(chunks[0], &factFrames, chunks[1])) {
        info_ = TWaveInfo{};
        return 0;
    }
    if (!chunks[2].Found()) {
        Fail("Cannot find subchunk <data> in file.", 250);
        info_ = TWaveInfo{};
        return 0;
    }
    info_.dataBytes = chunks[2].size;
    if (!CheckFormat(factFrames)) {
        info_ = TWaveInfo{};
        return 0;
    }
    info_.dataOffset = chunks[2].offset;
    KeepDataInFile();
    return info_.dataOffset;
}
