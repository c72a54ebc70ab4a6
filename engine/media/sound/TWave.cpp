#include "media/sound/TWave.h"

#include "foundation/TError.h"
#include "foundation/TString.h"
#include "media/sound/ImaAdpcm.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kSource = "Source\\TWave";

} // namespace

TWave::TWave() {
    folder_ = "Waves";
}

TWave::TWave(const char* name) : TResource(name) {
    folder_ = "Waves";
}

TWave::~TWave() {
    Close();
    FreeTransfer();
    EngineFree(blockBytes_);
}

uint32_t TWave::Update() {
    if (!IsDirty()) return 0;
    Close();
    kind_ = kNone;
    const uint32_t result = TResource::Update();
    const char* path = fileName_.c_str() ? fileName_.c_str() : "";
    const char* ext = ExtensionOf(path);
    if (!ext) {
        TError::Raise(50, "Missing file extension.", path, kSource, 86);
        return result;
    }
    if (EqualsNoCase(ext, "sda")) {
        kind_ = kAlbum;
        album_.SetPath(path);
    } else if (EqualsNoCase(ext, "wav")) {
        kind_ = kWav;
        wav_.SetPath(path);
    } else {
        TError::Raise(49, "Invalid file extension.", path, kSource, 95);
    }
    FreeTransfer();
    decodedBlock_ = -1;
    return result;
}

TRiffFile& TWave::RiffPart() {
    if (kind_ == kAlbum) return album_;
    return wav_;
}

int TWave::Open() {
    Update();
    if (kind_ == kNone) return 0;
    decodedBlock_ = -1;
    return RiffPart().Open();
}

int TWave::Close() {
    if (kind_ == kNone) return 0;
    lastPosition_ = -1;
    return RiffPart().Close();
}

int64_t TWave::GetLength() {
    Update();
    return kind_ == kAlbum ? album_.GetLength() : kind_ == kWav ? wav_.GetLength() : 0;
}
uint32_t TWave::GetRate() {
    Update();
    return kind_ == kAlbum ? album_.GetRate() : kind_ == kWav ? wav_.GetRate() : 0;
}
uint16_t TWave::GetChannels() {
    Update();
    return kind_ == kAlbum ? album_.GetChannels() : kind_ == kWav ? wav_.GetChannels() : 0;
}
uint16_t TWave::GetBits() {
    Update();
    return kind_ == kAlbum ? album_.GetBits() : kind_ == kWav ? wav_.GetBits() : 0;
}

void TWave::FreeTransfer() {
    EngineFree(transfer_);
    transfer_ = nullptr;
    transferBytes_ = 0;
    lastCount_ = 0;
    lastPosition_ = -1;
}

const TWaveInfo* TWave::OpenInfo() {
    if (kind_ == kWav) return &wav_.Info();
    if (kind_ == kAlbum) {
        album_.GetLength(); // a stale header is read again
        return &album_.Info();
    }
    return nullptr;
}

// A format the decoders can serve: albums are not checked when opened.
bool TWave::Usable(const TWaveInfo& info) const {
    if (info.dataOffset <= 0 || info.length <= 0 || info.channels == 0) return false;
    if (info.formatTag == TCustWav::kImaAdpcm)
        return info.channels <= 2 && info.blockAlign >= 8 * info.channels;
    return info.formatTag == TCustWav::kPcm && (info.bits == 8 || info.bits == 16);
}

bool TWave::Reserve(int64_t bytes) {
    if (transfer_ && transferBytes_ == bytes) return true;
    EngineFree(transfer_);
    transfer_ = static_cast<uint8_t*>(EngineAlloc(static_cast<size_t>(bytes)));
    transferBytes_ = transfer_ ? bytes : 0;
    if (!transfer_) TError::Raise(9, "alloc transfer buffer", nullptr, kSource, 160);
    return transfer_ != nullptr;
}

void TWave::ReadFailed(int32_t line) {
    TError::Raise(53, "Cannot read the wave data of file.", RiffPart().FileName().c_str(), kSource,
                  line);
}

bool TWave::Stream(int64_t position, int64_t count, int) {
    struct Nest {
        explicit Nest(int32_t& n) : n(n) { ++n; }
        ~Nest() { --n; }
        int32_t& n;
    } nest(nesting_);
    if (count <= 0) return true;
    Update();
    const TWaveInfo* info = OpenInfo();
    if (!info || !RiffPart().IsOpened() || !Usable(*info) || position < 0) return false;
    if (position == lastPosition_ && count == lastCount_ && transfer_) return true;
    lastPosition_ = position;
    lastCount_ = count;
    const bool ok = info->formatTag == TCustWav::kImaAdpcm ? StreamAdpcm(*info, position, count)
                                                           : StreamPcm(*info, position, count);
    if (!ok) lastPosition_ = -1;
    return ok;
}

bool TWave::StreamPcm(const TWaveInfo& info, int64_t position, int64_t count) {
    const int bytes = info.bits / 8;
    if (!Reserve(count * bytes)) return false;
    const int64_t end = info.dataOffset + info.length * bytes;
    int64_t at = info.dataOffset + position % info.length * bytes;
    int64_t filled = 0;
    while (filled < count * bytes) {
        const int64_t want = std::min<int64_t>({count * bytes - filled, end - at, INT32_MAX});
        const int32_t n = RiffPart().ReadAt(at, transfer_ + filled, static_cast<int32_t>(want));
        if (n <= 0) {
            ReadFailed(190);
            return false;
        }
        filled += n;
        at += n;
        if (at >= end) at = info.dataOffset; // the sound repeats
    }
    return true;
}

// Decodes block `block` into the block buffer (kept until another is asked).
bool TWave::DecodeBlock(const TWaveInfo& info, int64_t block, int64_t* frames) {
    const int c = info.channels;
    const int64_t align = info.blockAlign;
    const int64_t start = block * align;
    const int64_t bytes = std::min(align, info.dataBytes - start);
    const int64_t perBlock = ImaFramesInBlock(static_cast<size_t>(align), c);
    if (bytes <= 0) {
        ReadFailed(208);
        return false;
    }
    const int64_t need = align + perBlock * c * 2;
    if (blockCapacity_ < need) {
        EngineFree(blockBytes_);
        blockBytes_ = static_cast<uint8_t*>(EngineAlloc(static_cast<size_t>(need)));
        blockCapacity_ = blockBytes_ ? need : 0;
        decodedBlock_ = -1;
        if (!blockBytes_) {
            TError::Raise(9, "alloc transfer buffer", nullptr, kSource, 215);
            return false;
        }
    }
    auto* decoded = reinterpret_cast<int16_t*>(blockBytes_ + align);
    if (decodedBlock_ != block) {
        decodedBlock_ = -1;
        if (RiffPart().ReadAt(info.dataOffset + start, blockBytes_, static_cast<int32_t>(bytes)) <
            bytes) {
            ReadFailed(223);
            return false;
        }
        ImaDecodeBlock(blockBytes_, static_cast<size_t>(bytes), c, decoded, perBlock);
        decodedBlock_ = block;
    }
    *frames = ImaFramesInBlock(static_cast<size_t>(bytes), c);
    return true;
}

bool TWave::StreamAdpcm(const TWaveInfo& info, int64_t position, int64_t count) {
    const int c = info.channels;
    if (c == 2) count += count & 1;
    if (!Reserve(count * 2)) return false;
    auto* out = reinterpret_cast<int16_t*>(transfer_);
    const int64_t perBlock = ImaFramesInBlock(static_cast<size_t>(info.blockAlign), c) * c;
    int64_t at = position % info.length;
    for (int64_t done = 0; done < count;) {
        const int64_t block = at / perBlock, offset = at % perBlock;
        int64_t frames = 0;
        if (!DecodeBlock(info, block, &frames)) return false;
        const int64_t available = std::min(frames * c, info.length - block * perBlock) - offset;
        if (available <= 0) {
            ReadFailed(251);
            return false;
        }
        const int64_t n = std::min(available, count - done);
        std::memcpy(out + done, blockBytes_ + info.blockAlign + offset * 2,
                    static_cast<size_t>(n) * 2);
        done += n;
        at += n;
        if (at >= info.length) at = 0;
    }
    return true;
}
