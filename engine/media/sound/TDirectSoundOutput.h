// The DirectSound output: "dsound.dll" loaded at run time, a primary buffer
// that sets the device format and one looping secondary buffer of 32768 mix
// samples in that format. Its position runs a quarter of the buffer ahead
// of the play cursor.
#pragma once

#include "media/sound/TSoundOutput.h"
#include "platform/DirectSound.h"
#include "platform/Module.h"

#include <cstdint>

class TDirectSoundOutput : public TSoundOutput {
public:
    TDirectSoundOutput();
    ~TDirectSoundOutput() override;
    TDirectSoundOutput(const TDirectSoundOutput&) = delete;
    TDirectSoundOutput& operator=(const TDirectSoundOutput&) = delete;

    // Device n is the (n + 1)-th enumerated device that has a GUID.
    void SetDevice(int n) { deviceNumber_ = n + 1; }
    int SetWindow(HWND window) {
        window_ = window;
        return 0;
    }
    // Loads the library and creates and releases the device object once.
    bool IsAvailable();
    // 0, 4 (no format reported: opened with the default), 5, 9, 10, 11 or 12.
    int Open() override;
    // Releases the buffers and the device object and frees the library.
    void Close() override;
    void Release() override { Close(); }
    int64_t GetPosition() override;
    int64_t Write(int64_t position, const int32_t* accumulators, int64_t count) override;

    bool IsOpen() const override { return open_; }
    const TSoundFormat& Format() const override { return format_; }
    uint32_t BufferBytes() const { return bufferBytes_; }

private:
    bool LoadLibrary();
    void FreeLibrary();
    bool CreateObject(bool cooperate);
    int CreateBuffers(const WAVEFORMATEX& wf);
    void ClearBuffer();
    static BOOL CALLBACK OnDevice(LPGUID guid, LPCSTR, LPCSTR, LPVOID context);

    LPDIRECTSOUNDBUFFER primary_ = nullptr;
    LPDIRECTSOUNDBUFFER secondary_ = nullptr;
    bool open_ = false;
    uint32_t lastCursor_ = 0;
    TSoundFormat format_;
    LPDIRECTSOUND object_ = nullptr;
    DWORD cooperativeLevel_ = DSSCL_PRIORITY;
    HWND window_ = nullptr;
    int64_t playedBytes_ = 0;
    uint32_t bufferBytes_ = 32768;
    int deviceNumber_ = 1;
    HMODULE library_ = nullptr;
    HRESULT (*create_)(LPCGUID, LPDIRECTSOUND*, void*) = nullptr;
    HRESULT (*enumerate_)(LPDSENUMCALLBACKA, LPVOID) = nullptr;
    int deviceCount_ = 0;
    GUID devices_[10] = {}; // slot i: the i-th device; slot 0 unused
};
