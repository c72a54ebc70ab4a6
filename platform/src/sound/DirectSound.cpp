// DirectSound over the sound device: one object at a time, a primary buffer
// that sets the device format and starts it, and secondary buffers in that
// format that the pump mixes and hands on. The object lives until it and all
// its buffers are released, so buffers never outlive the device they use.
#include "platform/Clock.h"
#include "platform/DirectSound.h"
#include "DirectSoundBuffer.h"
#include "SoundDevice.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform::sound {
namespace {

WAVEFORMATEX DefaultPrimaryFormat() {
    return WAVEFORMATEX{WAVE_FORMAT_PCM, 1, 22050, 22050, 1, 8, 0};
}

bool SameFormat(const WAVEFORMATEX& a, const WAVEFORMATEX& b) {
    return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
           a.wBitsPerSample == b.wBitsPerSample;
}

// Adds `from` into `into`, saturating (the only place where buffers meet).
void MixInto(uint8_t* into, const uint8_t* from, size_t bytes, int bits) {
    if (bits == 8) {
        for (size_t i = 0; i < bytes; ++i) {
            int v = (into[i] - 128) + (from[i] - 128);
            into[i] = static_cast<uint8_t>(std::clamp(v, -128, 127) + 128);
        }
        return;
    }
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        int a = static_cast<int16_t>(into[i] | into[i + 1] << 8);
        int b = static_cast<int16_t>(from[i] | from[i + 1] << 8);
        int v = std::clamp(a + b, -32768, 32767);
        into[i] = static_cast<uint8_t>(v);
        into[i + 1] = static_cast<uint8_t>(v >> 8);
    }
}

} // namespace

GUID DeviceGuid(UINT index) {
    return GUID{
        0x5d0a1d00u + index, 0xad50, 0x11d0, {0x9a, 0x40, 0x53, 0x6f, 0x75, 0x6e, 0x64, 0x21}};
}

class DirectSoundObject final : public IDirectSound, public Source {
public:
    HRESULT SetCooperativeLevel(HWND, DWORD level) override {
        Device& d = Device::Get();
        std::lock_guard<std::mutex> lock(d.Mutex());
        if (uint32_t failure = d.Failure(SoundCall::SetCooperativeLevel))
            return static_cast<HRESULT>(failure);
        if (level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
        level_ = level;
        return DS_OK;
    }

    HRESULT GetCaps(LPDSCAPS caps) override {
        Device& d = Device::Get();
        std::lock_guard<std::mutex> lock(d.Mutex());
        if (uint32_t failure = d.Failure(SoundCall::GetCaps)) return static_cast<HRESULT>(failure);
        if (!caps || caps->dwSize != sizeof(DSCAPS)) return DSERR_INVALIDPARAM;
        *caps = d.Caps();
        caps->dwSize = sizeof(DSCAPS);
        return DS_OK;
    }

    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                              void* outer) override {
        Device& d = Device::Get();
        std::lock_guard<std::mutex> lock(d.Mutex());
        if (outer) return DSERR_NOAGGREGATION;
        if (!desc || !buffer || desc->dwSize != sizeof(DSBUFFERDESC)) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) return CreatePrimary(d, desc, buffer);
        return CreateSecondary(d, desc, buffer);
    }

    ULONG Release() override {
        Device& d = Device::Get();
        std::lock_guard<std::mutex> lock(d.Mutex());
        if (references_ > 0) --references_;
        ULONG left = references_;
        DestroyIfUnused(d);
        return left;
    }

    // --- for the buffers, with the device lock held ---

    const WAVEFORMATEX& DeviceFormat() const { return format_; }
    DWORD Level() const { return level_; }

    // The device plays from the first Play on, in the primary format.
    void EnsureRunning(Device& d) {
        if (!d.IsRunning()) d.Start(format_, this);
    }

    void SetDeviceFormat(Device& d, const WAVEFORMATEX& format) {
        format_ = format;
        format_.cbSize = 0;
        if (d.IsRunning()) d.Start(format_, this);
    }

    bool AnyPlaying(const DirectSoundBuffer* except) const {
        for (const DirectSoundBuffer* b : secondaries_)
            if (b != except && b->Playing()) return true;
        return false;
    }

    void Forget(Device& d, DirectSoundBuffer* buffer) {
        if (buffer == primary_) primary_ = nullptr;
        secondaries_.erase(std::remove(secondaries_.begin(), secondaries_.end(), buffer),
                           secondaries_.end());
        DestroyIfUnused(d);
    }

    // --- Source ---

    bool Pending(uint32_t* arrival) override {
        bool any = false;
        uint32_t first = 0;
        for (const DirectSoundBuffer* b : secondaries_)
            if (b->Playing() && (!any || static_cast<int32_t>(b->Started() - first) < 0)) {
                first = b->Started();
                any = true;
            }
        if (any && arrival) *arrival = first;
        return any;
    }

    size_t Fill(uint8_t* out, size_t bytes, uint64_t) override {
        bytes = std::min(bytes, mix_.size());
        size_t produced = 0;
        bool first = true;
        for (DirectSoundBuffer* b : secondaries_) {
            if (!b->Playing()) continue;
            if (first) {
                produced = b->Read(out, bytes);
                first = false;
                continue;
            }
            size_t n = b->Read(mix_.data(), bytes);
            if (n > produced) {
                std::memset(out + produced, SilenceByte(format_), n - produced);
                produced = n;
            }
            MixInto(out, mix_.data(), n, format_.wBitsPerSample);
        }
        return produced;
    }

    void Played(uint64_t) override {} // cursors are read from the device on demand

private:
    HRESULT CreatePrimary(Device& d, LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer) {
        if (uint32_t failure = d.Failure(SoundCall::CreatePrimaryBuffer))
            return static_cast<HRESULT>(failure);
        if (desc->dwBufferBytes != 0 || desc->lpwfxFormat) return DSERR_INVALIDPARAM;
        if (primary_) {
            primary_->AddReference();
        } else {
            primary_ = new (std::nothrow) DirectSoundBuffer(this, nullptr, 0);
            if (!primary_) return DSERR_OUTOFMEMORY;
        }
        *buffer = primary_;
        return DS_OK;
    }

    HRESULT CreateSecondary(Device& d, LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer) {
        if (uint32_t failure = d.Failure(SoundCall::CreateSecondaryBuffer))
            return static_cast<HRESULT>(failure);
        if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX ||
            !desc->lpwfxFormat)
            return DSERR_INVALIDPARAM;
        if (!IsPlayableFormat(desc->lpwfxFormat)) return DSERR_BADFORMAT;
        auto* b = DirectSoundBuffer::CreateSecondary(this, *desc->lpwfxFormat, desc->dwBufferBytes);
        if (!b) return DSERR_OUTOFMEMORY;
        secondaries_.push_back(b);
        *buffer = b;
        return DS_OK;
    }

    void DestroyIfUnused(Device& d) {
        if (references_ > 0 || primary_ || !secondaries_.empty()) return;
        d.Unclaim();
        delete this;
    }

    ULONG references_ = 1;
    DWORD level_ = 0;
    WAVEFORMATEX format_ = DefaultPrimaryFormat();
    DirectSoundBuffer* primary_ = nullptr;
    std::vector<DirectSoundBuffer*> secondaries_;
    std::array<uint8_t, 4096> mix_{};
};

// --- buffers -------------------------------------------------------------------

DirectSoundBuffer* DirectSoundBuffer::CreateSecondary(DirectSoundObject* owner,
                                                      const WAVEFORMATEX& format, DWORD bytes) {
    auto* b = new (std::nothrow) DirectSoundBuffer(owner, &format, bytes);
    if (b && b->data_.size() != bytes) {
        delete b;
        return nullptr;
    }
    return b;
}

DirectSoundBuffer::DirectSoundBuffer(DirectSoundObject* owner, const WAVEFORMATEX* format,
                                     DWORD bytes)
    : owner_(owner), primary_(format == nullptr) {
    if (!format) return;
    format_ = *format;
    try {
        data_.assign(bytes, SilenceByte(format_));
    } catch (const std::bad_alloc&) {
        data_.clear(); // reported by CreateSecondary
    }
}

HRESULT DirectSoundBuffer::SetFormat(LPCWAVEFORMATEX format) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::SetFormat)) return static_cast<HRESULT>(failure);
    if (!primary_) return DSERR_INVALIDCALL;
    if (owner_->Level() < DSSCL_PRIORITY) return DSERR_PRIOLEVELNEEDED;
    if (!format) return DSERR_INVALIDPARAM;
    if (!IsPlayableFormat(format)) return DSERR_BADFORMAT;
    owner_->SetDeviceFormat(d, *format);
    return DS_OK;
}

HRESULT DirectSoundBuffer::Play(DWORD reserved, DWORD, DWORD flags) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    SoundCall call = primary_ ? SoundCall::PlayPrimary : SoundCall::PlaySecondary;
    if (uint32_t failure = d.Failure(call)) return static_cast<HRESULT>(failure);
    if (reserved != 0) return DSERR_INVALIDPARAM;
    if (primary_) {
        if (!(flags & DSBPLAY_LOOPING)) return DSERR_INVALIDPARAM;
        owner_->EnsureRunning(d);
        return DS_OK;
    }
    if (!SameFormat(format_, owner_->DeviceFormat())) return DSERR_BADFORMAT;
    looping_ = (flags & DSBPLAY_LOOPING) != 0;
    if (!playing_) {
        playing_ = true;
        started_ = ClockNow();
        handedSincePlay_ = 0;
    }
    owner_->EnsureRunning(d);
    return DS_OK;
}

HRESULT DirectSoundBuffer::Stop() {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::Stop)) return static_cast<HRESULT>(failure);
    if (primary_ || !playing_) return DS_OK;
    // What the device still queues of this buffer is not heard: it plays
    // again from the play cursor on the next Play.
    readPos_ = PlayCursor(d);
    playing_ = false;
    if (!owner_->AnyPlaying(this)) d.Idle();
    return DS_OK;
}

HRESULT DirectSoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* region1, LPDWORD bytes1,
                                LPVOID* region2, LPDWORD bytes2, DWORD flags) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::Lock)) return static_cast<HRESULT>(failure);
    if (primary_) return DSERR_PRIOLEVELNEEDED; // the primary buffer is written by the device
    if (!region1 || !bytes1) return DSERR_INVALIDPARAM;
    const DWORD size = static_cast<DWORD>(data_.size());
    if (flags & DSBLOCK_ENTIREBUFFER) {
        offset = 0;
        bytes = size;
    } else if (flags & DSBLOCK_FROMWRITECURSOR) {
        offset = static_cast<DWORD>(readPos_);
    }
    if (bytes == 0 || bytes > size || offset >= size) return DSERR_INVALIDPARAM;
    DWORD first = std::min(bytes, size - offset);
    DWORD second = bytes - first;
    if (second && (!region2 || !bytes2)) return DSERR_INVALIDPARAM;
    *region1 = data_.data() + offset;
    *bytes1 = first;
    if (region2) *region2 = second ? data_.data() : nullptr;
    if (bytes2) *bytes2 = second;
    return DS_OK;
}

HRESULT DirectSoundBuffer::Unlock(LPVOID region1, DWORD bytes1, LPVOID region2, DWORD bytes2) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::Unlock)) return static_cast<HRESULT>(failure);
    if (primary_) return DSERR_INVALIDCALL;
    if (!Inside(region1, bytes1) || (region2 && !Inside(region2, bytes2)))
        return DSERR_INVALIDPARAM;
    return DS_OK;
}

HRESULT DirectSoundBuffer::SetCurrentPosition(DWORD position) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::SetCurrentPosition))
        return static_cast<HRESULT>(failure);
    if (primary_) return DSERR_INVALIDCALL;
    if (position >= data_.size()) return DSERR_INVALIDPARAM;
    readPos_ = position - position % format_.nBlockAlign;
    handedSincePlay_ = 0;
    return DS_OK;
}

HRESULT DirectSoundBuffer::GetCurrentPosition(LPDWORD play, LPDWORD write) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::GetCurrentPosition))
        return static_cast<HRESULT>(failure);
    if (primary_) return DSERR_INVALIDCALL;
    if (play) *play = static_cast<DWORD>(PlayCursor(d));
    if (write) *write = static_cast<DWORD>(readPos_);
    return DS_OK;
}

ULONG DirectSoundBuffer::Release() {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (references_ > 0) --references_;
    ULONG left = references_;
    if (left == 0) {
        if (playing_ && !owner_->AnyPlaying(this)) d.Idle();
        owner_->Forget(d, this);
        delete this;
    }
    return left;
}

// What the device has played of this buffer: the write cursor minus what the
// device still queues (no more than this buffer handed on since it started).
size_t DirectSoundBuffer::PlayCursor(Device& d) {
    if (!playing_ || data_.empty()) return readPos_;
    uint64_t inFlight = std::min<uint64_t>(d.Queued(), handedSincePlay_) % data_.size();
    return static_cast<size_t>((readPos_ + data_.size() - inFlight) % data_.size());
}

size_t DirectSoundBuffer::Read(uint8_t* out, size_t bytes) {
    size_t copied = 0;
    while (copied < bytes && playing_) {
        size_t n = std::min(bytes - copied, data_.size() - readPos_);
        std::memcpy(out + copied, data_.data() + readPos_, n);
        copied += n;
        readPos_ += n;
        if (readPos_ < data_.size()) break;
        readPos_ = 0;
        if (!looping_) playing_ = false;
    }
    handedSincePlay_ += copied;
    return copied;
}

bool DirectSoundBuffer::Inside(const void* region, DWORD bytes) const {
    const uint8_t* p = static_cast<const uint8_t*>(region);
    return p >= data_.data() && p + bytes <= data_.data() + data_.size();
}

// --- entry points --------------------------------------------------------------

static HRESULT CreateObject(LPCGUID device, LPDIRECTSOUND* object, void* outer) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::DirectSoundCreate))
        return static_cast<HRESULT>(failure);
    if (outer) return DSERR_NOAGGREGATION;
    if (!object) return DSERR_INVALIDPARAM;
    *object = nullptr;
    if (d.DeviceCount() == 0) return DSERR_NODRIVER;
    if (device) {
        UINT i = 0;
        for (; i < d.DeviceCount(); ++i) {
            GUID known = DeviceGuid(i);
            if (std::memcmp(device, &known, sizeof known) == 0) break;
        }
        if (i == d.DeviceCount()) return DSERR_NODRIVER;
    }
    if (!d.Claim(Owner::DirectSound)) return DSERR_ALLOCATED;
    auto* created = new (std::nothrow) DirectSoundObject;
    if (!created) {
        d.Unclaim();
        return DSERR_OUTOFMEMORY;
    }
    *object = created;
    return DS_OK;
}

} // namespace platform::sound

HRESULT DirectSoundCreate(LPCGUID device, LPDIRECTSOUND* object, void* outer) {
    return platform::sound::CreateObject(device, object, outer);
}

HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, LPVOID context) {
    using platform::sound::Device;
    UINT count = 0;
    {
        Device& d = Device::Get();
        std::lock_guard<std::mutex> lock(d.Mutex());
        if (uint32_t failure = d.Failure(platform::SoundCall::DirectSoundEnumerate))
            return static_cast<HRESULT>(failure);
        count = d.DeviceCount();
    }
    if (!callback) return DSERR_INVALIDPARAM;
    // The callback may create an object: it runs without the device lock.
    if (count > 0 && !callback(nullptr, "Primary Sound Driver", "", context)) return DS_OK;
    for (UINT i = 0; i < count; ++i) {
        GUID guid = platform::sound::DeviceGuid(i);
        if (!callback(&guid, "Sound device", "sound.drv", context)) break;
    }
    return DS_OK;
}
