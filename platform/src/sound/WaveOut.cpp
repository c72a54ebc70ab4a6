// waveOut over the sound device: one open handle, its headers played in the
// order written. Header flags are shared with the caller's threads, so they
// are read and written atomically.
#include "platform/Clock.h"
#include "platform/WaveOut.h"
#include "../kernel/OutOfMemory.h"
#include "SoundDevice.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <memory>

namespace platform::sound {
namespace {

DWORD LoadFlags(WAVEHDR* h) {
    return std::atomic_ref<DWORD>(h->dwFlags).load();
}
void StoreFlags(WAVEHDR* h, DWORD flags) {
    std::atomic_ref<DWORD>(h->dwFlags).store(flags);
}

class WaveOutStream final : public Source {
public:
    WaveOutStream(uintptr_t serial, const WAVEFORMATEX& format)
        : serial_(serial), blockAlign_(format.nBlockAlign) {}

    HWAVEOUT Handle() const { return reinterpret_cast<HWAVEOUT>(serial_); }
    bool HasQueued() const { return !queue_.empty(); }

    void Queue(WAVEHDR* h) {
        size_t usable = h->dwBufferLength - h->dwBufferLength % blockAlign_;
        queue_.push_back(Entry{h, ClockNow(), usable, 0, 0, false});
    }

    // Every queued header becomes done and leaves the queue.
    void Flush() {
        for (Entry& e : queue_)
            StoreFlags(e.header, (LoadFlags(e.header) | WHDR_DONE) & ~DWORD{WHDR_INQUEUE});
        queue_.clear();
    }

    bool Pending(uint32_t* arrival) override {
        for (const Entry& e : queue_)
            if (!e.handed) {
                if (arrival) *arrival = e.arrival;
                return true;
            }
        return false;
    }

    size_t Fill(uint8_t* out, size_t bytes, uint64_t stream) override {
        size_t copied = 0;
        for (Entry& e : queue_) {
            if (e.handed) continue;
            size_t n = std::min(bytes - copied, e.length - e.offset);
            std::memcpy(out + copied, e.header->lpData + e.offset, n);
            e.offset += n;
            copied += n;
            if (e.offset < e.length) break;
            e.handed = true;
            e.end = stream + copied;
        }
        return copied;
    }

    void Played(uint64_t played) override {
        while (!queue_.empty() && queue_.front().handed && queue_.front().end <= played) {
            WAVEHDR* h = queue_.front().header;
            StoreFlags(h, (LoadFlags(h) | WHDR_DONE) & ~DWORD{WHDR_INQUEUE});
            queue_.pop_front();
        }
    }

private:
    struct Entry {
        WAVEHDR* header;
        uint32_t arrival;
        size_t length; // whole blocks only
        size_t offset;
        uint64_t end; // stream position after its last byte, once handed on
        bool handed;
    };

    uintptr_t serial_;
    size_t blockAlign_;
    std::deque<Entry> queue_;
};

// The open handle (guarded by the device lock) and the next handle value.
WaveOutStream* current = nullptr;
uintptr_t nextSerial = 0x5700;

WaveOutStream* Find(HWAVEOUT handle) {
    return current && current->Handle() == handle ? current : nullptr;
}

// The WAVEOUTCAPSA bit of a standard format; 0 for other rates.
DWORD StandardFormatBit(const WAVEFORMATEX& f) {
    int rateShift = f.nSamplesPerSec == 11025   ? 0
                    : f.nSamplesPerSec == 22050 ? 4
                    : f.nSamplesPerSec == 44100 ? 8
                                                : -1;
    if (rateShift < 0) return 0;
    int index = (f.nChannels == 2 ? 1 : 0) + (f.wBitsPerSample == 16 ? 2 : 0);
    return DWORD{1} << (rateShift + index);
}

MMRESULT CheckHeader(WAVEHDR* header, UINT size) {
    if (!header || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

} // namespace
} // namespace platform::sound

using platform::SoundCall;
using platform::sound::Device;
using platform::sound::Find;
using platform::sound::LoadFlags;
using platform::sound::StoreFlags;
using platform::sound::WaveOutStream;

UINT waveOutGetNumDevs() {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    return d.DeviceCount();
}

MMRESULT waveOutGetDevCapsA(UINT_PTR deviceId, LPWAVEOUTCAPSA caps, UINT size) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::WaveOutGetDevCaps)) return failure;
    if (d.DeviceCount() == 0) return MMSYSERR_NODRIVER;
    if (deviceId >= d.DeviceCount() && deviceId != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
    if (!caps) return MMSYSERR_INVALPARAM;
    WAVEOUTCAPSA c{};
    c.wMid = 1;
    c.vDriverVersion = 0x0100;
    std::strncpy(c.szPname, "Sound device", MAXPNAMELEN - 1);
    c.dwFormats = d.WaveOutFormats();
    c.wChannels = 2;
    std::memcpy(caps, &c, std::min<size_t>(size, sizeof c));
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR, DWORD_PTR,
                     DWORD flags) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::WaveOutOpen)) return failure;
    if ((flags & CALLBACK_TYPEMASK) != CALLBACK_NULL) return MMSYSERR_INVALFLAG;
    if (d.DeviceCount() == 0) return MMSYSERR_NODRIVER;
    if (deviceId >= d.DeviceCount() && deviceId != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
    if (!format) return MMSYSERR_INVALPARAM;
    if (!platform::sound::IsPlayableFormat(format)) return WAVERR_BADFORMAT;
    DWORD bit = platform::sound::StandardFormatBit(*format);
    if (bit && !(d.WaveOutFormats() & bit)) return WAVERR_BADFORMAT;
    if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
    if (!handle) return MMSYSERR_INVALPARAM;
    if (!d.Claim(platform::sound::Owner::WaveOut)) return MMSYSERR_ALLOCATED;
    // Out of memory the device is given back: a claim without a stream would
    // refuse every later open.
    std::unique_ptr<WaveOutStream> stream;
    const MMRESULT result = platform::OrOutOfMemory(MMRESULT{MMSYSERR_NOMEM}, [&] {
        stream = std::make_unique<WaveOutStream>(platform::sound::nextSerial, *format);
        d.Start(*format, stream.get());
        return MMRESULT{MMSYSERR_NOERROR};
    });
    if (result != MMSYSERR_NOERROR) {
        d.Unclaim();
        return result;
    }
    platform::sound::nextSerial += 0x10;
    platform::sound::current = stream.release();
    *handle = platform::sound::current->Handle();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::WaveOutPrepareHeader)) return failure;
    if (!Find(handle)) return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = platform::sound::CheckHeader(header, size)) return r;
    if (!header->lpData && header->dwBufferLength) return MMSYSERR_INVALPARAM;
    StoreFlags(header, LoadFlags(header) | WHDR_PREPARED);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::WaveOutUnprepareHeader)) return failure;
    if (!Find(handle)) return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = platform::sound::CheckHeader(header, size)) return r;
    DWORD flags = LoadFlags(header);
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    StoreFlags(header, flags & ~DWORD{WHDR_PREPARED});
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT size) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::WaveOutWrite)) return failure;
    platform::sound::WaveOutStream* stream = Find(handle);
    if (!stream) return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = platform::sound::CheckHeader(header, size)) return r;
    DWORD flags = LoadFlags(header);
    if (!(flags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (flags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    StoreFlags(header, (flags & ~DWORD{WHDR_DONE}) | WHDR_INQUEUE);
    stream->Queue(header);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT handle) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::WaveOutReset)) return failure;
    platform::sound::WaveOutStream* stream = Find(handle);
    if (!stream) return MMSYSERR_INVALHANDLE;
    stream->Flush();
    d.Idle();
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT handle) {
    Device& d = Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    if (uint32_t failure = d.Failure(SoundCall::WaveOutClose)) return failure;
    platform::sound::WaveOutStream* stream = Find(handle);
    if (!stream) return MMSYSERR_INVALHANDLE;
    if (stream->HasQueued()) return WAVERR_STILLPLAYING;
    d.Unclaim();
    platform::sound::current = nullptr;
    delete stream;
    return MMSYSERR_NOERROR;
}
