#include "media/sound/TWaveOutOutput.h"

#include "media/sound/SoundMemory.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

bool HeaderDone(WAVEHDR* header) {
    return (std::atomic_ref<DWORD>(header->dwFlags).load() & WHDR_DONE) != 0;
}

} // namespace

TWaveOutOutput::TWaveOutOutput() : format_(ChooseSoundFormat(0x80)) {}

TWaveOutOutput::~TWaveOutOutput() {
    Release();
}

bool TWaveOutOutput::IsAvailable() const {
    return deviceId_ < waveOutGetNumDevs();
}

int TWaveOutOutput::Init(HWND window) {
    if (ring_) return 0;
    window_ = window;
    WAVEOUTCAPSA caps{};
    DWORD formats = 0x1;
    if (waveOutGetDevCapsA(deviceId_, &caps, sizeof caps) == MMSYSERR_NOERROR) {
        formats = caps.dwFormats;
        if (formats == 0) return 4;
    }
    format_ = ChooseSoundFormat(formats);
    ring_ = static_cast<uint8_t*>(SoundAlloc(65536 / format_.divisor));
    return ring_ ? 0 : 2;
}

int TWaveOutOutput::Open() {
    if (open_) return 0;
    if (!ring_) return 2;
    const WAVEFORMATEX wf = PcmFormat(format_);
    completed_ = submitted_ = target_ = 0;
    if (waveOutOpen(&handle_, deviceId_, &wf, 0, 0, WAVE_ALLOWSYNC) != MMSYSERR_NOERROR) {
        handle_ = nullptr;
        return 5;
    }
    std::memset(ring_, format_.bits == 8 ? 0x80 : 0, 65536 / format_.divisor);
    if (int code = PrepareHeaders()) {
        FreeHeaders();
        waveOutClose(handle_);
        handle_ = nullptr;
        return code;
    }
    open_ = true;
    return 0;
}

int TWaveOutOutput::PrepareHeaders() {
    const DWORD bytes = static_cast<DWORD>(kHeaderSamples * 2 / format_.divisor);
    for (int i = 0; i < kHeaders; ++i) {
        auto* h = static_cast<WAVEHDR*>(SoundAlloc(sizeof(WAVEHDR)));
        if (!h) return 2;
        headers_[i] = h;
        h->lpData = reinterpret_cast<LPSTR>(ring_ + i * bytes);
        h->dwBufferLength = bytes;
        if (waveOutPrepareHeader(handle_, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return 6;
        h->dwFlags |= WHDR_DONE; // counts as free
    }
    return 0;
}

void TWaveOutOutput::FreeHeaders() {
    for (WAVEHDR*& h : headers_) {
        if (!h) continue;
        if (h->dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(handle_, h, sizeof(WAVEHDR));
        SoundFree(h);
        h = nullptr;
    }
}

void TWaveOutOutput::Close() {
    if (!open_) return;
    waveOutReset(handle_);
    waveOutReset(handle_);
    FreeHeaders();
    waveOutClose(handle_);
    handle_ = nullptr;
    open_ = false;
}

void TWaveOutOutput::Release() {
    Close();
    SoundFree(ring_);
    ring_ = nullptr;
}

int64_t TWaveOutOutput::GetPosition() {
    while (completed_ < submitted_) {
        WAVEHDR* h = headers_[completed_ % kHeaders];
        if (!h || !HeaderDone(h)) break;
        ++completed_;
    }
    return kHeaderSamples * (completed_ + 3);
}

void TWaveOutOutput::SubmitHeaders(bool* failed) {
    while (submitted_ < target_) {
        WAVEHDR* h = headers_[submitted_ % kHeaders];
        if (!h || !HeaderDone(h)) break;
        if (waveOutWrite(handle_, h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) *failed = true;
        ++submitted_;
    }
}

int64_t TWaveOutOutput::Write(int64_t position, const int32_t* acc, int64_t count) {
    if (!acc || !ring_ || position < 0 || count <= 0) return 0;
    const int64_t n = std::min(count, kRingSamples);
    const int64_t r = position % kRingSamples;
    const int64_t first = std::min(n, kRingSamples - r);
    const int64_t second = std::min(n - first, r);
    const int32_t code = format_.code;
    ConvertMix(code, acc, static_cast<size_t>(first), ring_ + r * 2 / format_.divisor);
    if (second > 0) ConvertMix(code, acc + first, static_cast<size_t>(second), ring_);
    target_ = std::max(target_, (position + n) / kHeaderSamples);
    bool failed = false;
    if (open_) SubmitHeaders(&failed);
    return failed ? 0 : first + second;
}
