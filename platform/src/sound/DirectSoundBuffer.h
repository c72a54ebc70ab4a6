// A DirectSound buffer: the primary (the device's format and start) or a
// secondary with its own memory, read only by the device pump. Every method
// takes the device lock.
#pragma once

#include "platform/DirectSound.h"

#include <cstdint>
#include <vector>

namespace platform::sound {

class Device;
class DirectSoundObject;

// The GUID DirectSoundEnumerateA reports for device `index`.
GUID DeviceGuid(UINT index);

class DirectSoundBuffer final : public IDirectSoundBuffer {
public:
    // Null when the memory cannot be had.
    static DirectSoundBuffer* CreateSecondary(DirectSoundObject* owner, const WAVEFORMATEX& format,
                                              DWORD bytes);
    // `format` null: the primary buffer.
    DirectSoundBuffer(DirectSoundObject* owner, const WAVEFORMATEX* format, DWORD bytes);

    HRESULT SetFormat(LPCWAVEFORMATEX format) override;
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT Stop() override;
    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* region1, LPDWORD bytes1, LPVOID* region2,
                 LPDWORD bytes2, DWORD flags) override;
    HRESULT Unlock(LPVOID region1, DWORD bytes1, LPVOID region2, DWORD bytes2) override;
    HRESULT SetCurrentPosition(DWORD position) override;
    HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) override;
    ULONG Release() override;

    // --- for the object and the pump, with the device lock held ---
    void AddReference() { ++references_; }
    bool Playing() const { return playing_; }
    uint32_t Started() const { return started_; }
    // Copies what plays next (the pump); a buffer that does not loop stops
    // at its end.
    size_t Read(uint8_t* out, size_t bytes);

private:
    size_t PlayCursor(Device& d);
    bool Inside(const void* region, DWORD bytes) const;

    DirectSoundObject* owner_;
    bool primary_;
    WAVEFORMATEX format_{};
    std::vector<uint8_t> data_;
    size_t readPos_ = 0; // the write cursor: next byte to hand on
    bool playing_ = false;
    bool looping_ = false;
    uint32_t started_ = 0;
    uint64_t handedSincePlay_ = 0;
    ULONG references_ = 1;
};

} // namespace platform::sound
