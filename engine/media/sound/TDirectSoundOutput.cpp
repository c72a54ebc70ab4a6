#include "media/sound/TDirectSoundOutput.h"

#include "platform/WaveOut.h"

#include <algorithm>
#include <cstring>

namespace {

// The format set a device's caps stand for, in waveOut's WAVE_FORMAT_* bits.
DWORD FormatsFromCaps(const DSCAPS& caps) {
    const DWORD f = caps.dwFlags;
    DWORD set = 0;
    const bool stereo = f & DSCAPS_PRIMARYSTEREO, mono = f & DSCAPS_PRIMARYMONO;
    if (f & DSCAPS_PRIMARY16BIT) {
        if (stereo) set |= 0x888;
        if (mono) set |= 0x444;
    }
    if (f & DSCAPS_PRIMARY8BIT) {
        if (mono) set |= 0x111;
        if (stereo) set |= 0x222;
    }
    return set;
}

// What an output opens with when its device names no format: mono 16-bit at
// 22050 Hz in a 32768-byte buffer.
constexpr DWORD kDefaultFormats = 0x40;
constexpr uint32_t kDefaultBufferBytes = 32768;

} // namespace

TDirectSoundOutput::TDirectSoundOutput()
    : format_(ChooseSoundFormat(kDefaultFormats)), bufferBytes_(kDefaultBufferBytes) {}

TDirectSoundOutput::~TDirectSoundOutput() {
    Close();
    FreeLibrary();
}

BOOL CALLBACK TDirectSoundOutput::OnDevice(LPGUID guid, LPCSTR, LPCSTR, LPVOID context) {
    auto* self = static_cast<TDirectSoundOutput*>(context);
    if (self->deviceCount_ + 1 < 10 && guid) self->devices_[++self->deviceCount_] = *guid;
    return TRUE;
}

bool TDirectSoundOutput::LoadLibrary() {
    if (!library_) library_ = LoadLibraryA("dsound.dll");
    if (!library_) return false;
    create_ = reinterpret_cast<decltype(create_)>(GetProcAddress(library_, "DirectSoundCreate"));
    enumerate_ =
        reinterpret_cast<decltype(enumerate_)>(GetProcAddress(library_, "DirectSoundEnumerateA"));
    if (!create_ || !enumerate_) {
        FreeLibrary();
        return false;
    }
    deviceCount_ = 0;
    if (enumerate_(&OnDevice, this) != DS_OK) deviceCount_ = 0;
    return true;
}

void TDirectSoundOutput::FreeLibrary() {
    if (library_) ::FreeLibrary(library_);
    library_ = nullptr;
    create_ = nullptr;
    enumerate_ = nullptr;
}

bool TDirectSoundOutput::CreateObject(bool cooperate) {
    if (!LoadLibrary()) return false;
    if (deviceCount_ < deviceNumber_ ||
        create_(&devices_[deviceNumber_], &object_, nullptr) != DS_OK) {
        object_ = nullptr;
        FreeLibrary();
        return false;
    }
    if (cooperate && object_->SetCooperativeLevel(window_, cooperativeLevel_) != DS_OK) {
        object_->Release();
        object_ = nullptr;
        FreeLibrary();
        return false;
    }
    return true;
}

bool TDirectSoundOutput::IsAvailable() {
    if (waveOutGetNumDevs() == 0 || !CreateObject(false)) return false;
    object_->Release();
    object_ = nullptr;
    return true;
}

int TDirectSoundOutput::CreateBuffers(const WAVEFORMATEX& wf) {
    DSBUFFERDESC desc{sizeof(DSBUFFERDESC), DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
    if (object_->CreateSoundBuffer(&desc, &primary_, nullptr) != DS_OK) {
        primary_ = nullptr;
        return 9;
    }
    if (primary_->SetFormat(&wf) != DS_OK) {
        primary_->Release();
        primary_ = nullptr;
        return 9;
    }
    WAVEFORMATEX secondaryFormat = wf;
    desc = DSBUFFERDESC{sizeof(DSBUFFERDESC), 0x100A2, bufferBytes_, 0, &secondaryFormat};
    if (object_->CreateSoundBuffer(&desc, &secondary_, nullptr) != DS_OK) {
        secondary_ = nullptr;
        return 10;
    }
    return 0;
}

void TDirectSoundOutput::ClearBuffer() {
    LPVOID region1 = nullptr, region2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (secondary_->Lock(0, 0, &region1, &bytes1, &region2, &bytes2, DSBLOCK_ENTIREBUFFER) != DS_OK)
        return;
    std::memset(region1, format_.bits == 8 ? 0x80 : 0, bytes1);
    secondary_->Unlock(region1, bytes1, region2, bytes2);
}

int TDirectSoundOutput::Open() {
    if (open_ || secondary_) return 0;
    if (!CreateObject(true)) return 5;
    DSCAPS caps{};
    caps.dwSize = sizeof caps;
    const DWORD formats = object_->GetCaps(&caps) == DS_OK ? FormatsFromCaps(caps) : 0;
    int result = 0;
    if (formats == 0) {
        // Opens anyway, with the default format and size, whatever an
        // earlier open of other caps chose.
        result = 4;
        format_ = ChooseSoundFormat(kDefaultFormats);
        bufferBytes_ = kDefaultBufferBytes;
    } else {
        format_ = ChooseSoundFormat(formats);
        bufferBytes_ = static_cast<uint32_t>(2 * 32768 / format_.divisor);
    }
    if (int code = CreateBuffers(PcmFormat(format_))) {
        Close();
        return code;
    }
    playedBytes_ = 0;
    lastCursor_ = 0;
    ClearBuffer();
    int code = 0;
    if (secondary_->SetCurrentPosition(0) != DS_OK)
        code = 5;
    else if (primary_->Play(0, 0, DSBPLAY_LOOPING) != DS_OK)
        code = 11;
    else if (secondary_->Play(0, 0, DSBPLAY_LOOPING) != DS_OK)
        code = 12;
    if (code) {
        Close();
        return code;
    }
    open_ = true;
    return result;
}

void TDirectSoundOutput::Close() {
    if (secondary_) secondary_->Stop();
    if (primary_) primary_->Stop();
    open_ = false;
    if (secondary_) secondary_->Release();
    if (primary_) primary_->Release();
    if (object_) object_->Release();
    secondary_ = primary_ = nullptr;
    object_ = nullptr;
    FreeLibrary();
}

int64_t TDirectSoundOutput::GetPosition() {
    DWORD play = 0, write = 0;
    if (open_ && secondary_->GetCurrentPosition(&play, &write) == DS_OK) {
        playedBytes_ +=
            play >= lastCursor_ ? play - lastCursor_ : int64_t{bufferBytes_} - lastCursor_ + play;
        lastCursor_ = play;
    }
    return (format_.divisor * playedBytes_ + bufferBytes_ / 4) / 2;
}

int64_t TDirectSoundOutput::Write(int64_t position, const int32_t* acc, int64_t count) {
    if (!acc || !secondary_ || position < 0 || count <= 0) return 0;
    const int64_t divisor = format_.divisor;
    count = std::min<int64_t>(count, int64_t{bufferBytes_} * divisor / 2);
    const auto bytes = static_cast<DWORD>(count * 2 / divisor);
    const auto offset =
        static_cast<DWORD>((2 * position) % (int64_t{bufferBytes_} * divisor) / divisor);
    LPVOID region1 = nullptr, region2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    if (secondary_->Lock(offset, bytes, &region1, &bytes1, &region2, &bytes2, 0) != DS_OK)
        return count;
    const size_t first = size_t{bytes1} * divisor / 2;
    ConvertMix(format_.code, acc, first, static_cast<uint8_t*>(region1));
    if (region2 && bytes2)
        ConvertMix(format_.code, acc + first, size_t{bytes2} * divisor / 2,
                   static_cast<uint8_t*>(region2));
    secondary_->Unlock(region1, bytes1, region2, bytes2);
    return count;
}
