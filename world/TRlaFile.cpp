#include "TRlaFile.h"

#include "RleSprite16.h"

#include "foundation/TError.h"
#include "platform/ByteStream.h"

namespace {

const char* const kSource = "Int\\All\\Source\\TRlaFile";

// The decoders by frame type. Built on first use and registering the sprite
// type itself: a static initialiser in the sprite's object file would be
// dropped by the linker whenever nothing else references that file.
class DecoderRegistry {
public:
    static DecoderRegistry& Get() {
        static DecoderRegistry registry;
        return registry;
    }
    bool Register(RlaDecoder decoder, int32_t type) {
        if (type < 0 || type > 0xFFFF) return false;
        if (slots_.Count() < type + 1 && !slots_.Resize(type + 5)) {
            TError::Raise(9, nullptr, nullptr, kSource, 1);
            return false;
        }
        slots_[type] = decoder;
        ++registrations_;
        return true;
    }
    // The built-in registration is never counted down, so the table outlives
    // every user that unregisters.
    void Unregister() {
        if (registrations_ > 1) --registrations_;
    }
    RlaDecoder Find(uint32_t type) const {
        return type < static_cast<uint32_t>(slots_.Count()) ? slots_[static_cast<int32_t>(type)]
                                                            : nullptr;
    }

private:
    DecoderRegistry() { Register(&RleSprite16::Decode, RleSprite16::kType); }
    GrowArray<RlaDecoder> slots_;
    int32_t registrations_ = 0;
};

} // namespace

TRlaFile::~TRlaFile() {
    Close();
}

bool TRlaFile::RegisterDecoder(RlaDecoder decoder, int32_t type) {
    return DecoderRegistry::Get().Register(decoder, type);
}

void TRlaFile::UnregisterDecoder() {
    DecoderRegistry::Get().Unregister();
}

RlaFrame* TRlaFile::DecodeFrame(RlaStream* stream) {
    uint8_t tagBytes[4];
    if (!stream || stream->Read(tagBytes, 4) != 4) return nullptr;
    const uint32_t tag = platform::ByteReader(tagBytes, 4).U32();
    const RlaDecoder decoder = DecoderRegistry::Get().Find(tag & 0xFFFF);
    return decoder ? decoder(stream, tag >> 16) : nullptr;
}

bool TRlaFile::Open(RlaStream* stream) {
    Close();
    if (!stream) return false;
    state_ = Reading;
    stream_ = stream;
    if (ReadDirectory()) return true;
    Close();
    return false;
}

bool TRlaFile::ReadDirectory() {
    const int64_t size = stream_->Size();
    uint8_t trailer[4];
    if (size < 4 || !stream_->Seek(size - 4) || stream_->Read(trailer, 4) != 4) return false;
    const uint32_t length = platform::ByteReader(trailer, 4).U32();
    if (length > static_cast<uint64_t>(size - 4)) return false;
    if (length == 0) return true;
    const int64_t start = size - 4 - length;
    // Offsets are signed words: a frame area past 2 GiB cannot be addressed.
    const uint32_t frameArea = start > INT32_MAX ? INT32_MAX : static_cast<uint32_t>(start);
    auto* bytes = static_cast<uint8_t*>(EngineAlloc(length));
    if (!bytes) {
        TError::Raise(9, nullptr, nullptr, kSource, 2);
        return false;
    }
    const bool ok = stream_->Seek(start) && stream_->Read(bytes, length) == length &&
                    ParseDirectory(bytes, length, frameArea);
    EngineFree(bytes);
    return ok;
}

bool TRlaFile::ParseDirectory(const uint8_t* bytes, uint32_t size, uint32_t frameArea) {
    platform::ByteReader in(bytes, size);
    const uint32_t groups = in.U32();
    // Every group needs at least its count word, every frame its offset word:
    // counts are checked against the bytes left before anything is allocated.
    if (!in.Ok() || groups > in.Remaining() / 4) return false;
    if (!groups_.Reserve(static_cast<int32_t>(groups))) {
        TError::Raise(9, nullptr, nullptr, kSource, 3);
        return false;
    }
    for (uint32_t g = 0; g < groups; ++g) {
        const uint32_t frames = in.U32();
        if (!in.Ok() || frames > in.Remaining() / 4) return false;
        auto* group = new RlaGroup;
        if (!group || !group->entries.Reserve(static_cast<int32_t>(frames))) {
            delete group;
            TError::Raise(9, nullptr, nullptr, kSource, 4);
            return false;
        }
        groups_.Push(group);
        for (uint32_t f = 0; f < frames; ++f) {
            int32_t offset = in.S32();
            if (offset < 0 || static_cast<uint32_t>(offset) >= frameArea) offset = -1;
            group->entries.Push({nullptr, offset});
        }
    }
    return in.Ok();
}

RlaGroup* TRlaFile::GroupAt(int32_t group) {
    return group >= 0 && group < groups_.Count() ? groups_[group] : nullptr;
}

int32_t TRlaFile::FrameCount(int32_t group) const {
    return group >= 0 && group < groups_.Count() ? groups_[group]->entries.Count() : 0;
}

int32_t TRlaFile::FrameOffset(int32_t group, int32_t index) const {
    if (index < 0 || index >= FrameCount(group)) return -1;
    return groups_[group]->entries[index].offset;
}

RlaFrame* TRlaFile::GetFrame(int32_t group, int32_t index) {
    // While writing, the frames are the caller's, and a read would move the
    // stream away from where the next record goes.
    RlaGroup* g = state_ == Reading ? GroupAt(group) : nullptr;
    if (!g || index < 0 || index >= g->entries.Count()) return nullptr;
    RlaFrameEntry& entry = g->entries[index];
    if (entry.frame) return entry.frame;
    if (entry.offset < 0 || !stream_ || !stream_->Seek(entry.offset)) return nullptr;
    // A failed decode stays null and is tried again on the next request.
    entry.frame = DecodeFrame(stream_);
    return entry.frame;
}

bool TRlaFile::BeginWrite(RlaStream* stream) {
    Close();
    if (!stream) return false;
    stream_ = stream;
    state_ = Writing;
    return true;
}

bool TRlaFile::AppendFrame(int32_t group, RlaFrame* frame) {
    if (state_ != Writing || group < 0) return false;
    while (groups_.Count() <= group) {
        auto* added = new RlaGroup;
        if (!added || !groups_.Push(added)) {
            delete added;
            TError::Raise(9, nullptr, nullptr, kSource, 5);
            return false;
        }
    }
    const int64_t offset = stream_->Tell();
    if (offset < 0 || offset > INT32_MAX) return false;
    if (frame) {
        std::vector<uint8_t> tag;
        platform::ByteWriter(tag).U32(frame->Tag());
        if (stream_->Write(tag.data(), 4) != 4 || !frame->Save(stream_)) {
            stream_->Seek(offset); // the directory overwrites what was started
            return false;
        }
    }
    if (!groups_[group]->entries.Push({nullptr, frame ? static_cast<int32_t>(offset) : -1})) {
        TError::Raise(9, nullptr, nullptr, kSource, 6);
        return false;
    }
    return true;
}

bool TRlaFile::WriteDirectory() {
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    out.U32(static_cast<uint32_t>(groups_.Count()));
    for (int32_t g = 0; g < groups_.Count(); ++g) {
        const GrowArray<RlaFrameEntry>& entries = groups_[g]->entries;
        out.U32(static_cast<uint32_t>(entries.Count()));
        for (int32_t f = 0; f < entries.Count(); ++f)
            out.S32(entries[f].offset);
    }
    out.U32(static_cast<uint32_t>(bytes.size()));
    const auto count = static_cast<uint32_t>(bytes.size());
    return stream_->Write(bytes.data(), count) == count;
}

bool TRlaFile::Close() {
    const bool ok = state_ != Writing || !stream_ || WriteDirectory();
    for (int32_t g = groups_.Count() - 1; g >= 0; --g) {
        GrowArray<RlaFrameEntry>& entries = groups_[g]->entries;
        for (int32_t f = entries.Count() - 1; f >= 0; --f)
            delete entries[f].frame;
        delete groups_[g];
    }
    groups_.Clear();
    stream_ = nullptr;
    state_ = Closed;
    return ok;
}
