// waveOut: PCM output through queued headers, without callbacks. There is one
// sound device (SDL audio, or a recording sink that consumes on the layer's
// clock when no audio device opens); it serves one waveOut handle or one
// DirectSound object at a time.
//
// The device pump (a 10 ms multimedia timer, on the one timer thread) is the
// only reader of the queued data: it sets WHDR_DONE once a header has been
// played. A thread other than the timer thread polls that flag with an atomic
// load (std::atomic_ref).
#pragma once

#include "platform/MMSystem.h"
#include "platform/Types.h"

struct HWAVEOUT__;
typedef HWAVEOUT__* HWAVEOUT;
typedef HWAVEOUT* LPHWAVEOUT;

#define WAVE_MAPPER ((UINT)-1)

#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34

// waveOutOpen flags. Only CALLBACK_NULL is served.
#define CALLBACK_NULL 0x00000000
#define CALLBACK_WINDOW 0x00010000
#define CALLBACK_THREAD 0x00020000
#define CALLBACK_FUNCTION 0x00030000
#define CALLBACK_EVENT 0x00050000
#define CALLBACK_TYPEMASK 0x00070000
#define WAVE_FORMAT_QUERY 0x0001
#define WAVE_ALLOWSYNC 0x0002

// Standard formats in WAVEOUTCAPSA::dwFormats: rate 11.025, 22.05, 44.1 kHz;
// mono or stereo; 8 or 16 bits.
#define WAVE_FORMAT_1M08 0x00000001
#define WAVE_FORMAT_1S08 0x00000002
#define WAVE_FORMAT_1M16 0x00000004
#define WAVE_FORMAT_1S16 0x00000008
#define WAVE_FORMAT_2M08 0x00000010
#define WAVE_FORMAT_2S08 0x00000020
#define WAVE_FORMAT_2M16 0x00000040
#define WAVE_FORMAT_2S16 0x00000080
#define WAVE_FORMAT_4M08 0x00000100
#define WAVE_FORMAT_4S08 0x00000200
#define WAVE_FORMAT_4M16 0x00000400
#define WAVE_FORMAT_4S16 0x00000800

#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_BEGINLOOP 0x00000004
#define WHDR_ENDLOOP 0x00000008
#define WHDR_INQUEUE 0x00000010

#define MAXPNAMELEN 32

struct WAVEOUTCAPSA {
    WORD wMid;
    WORD wPid;
    UINT vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;
};
typedef WAVEOUTCAPSA* LPWAVEOUTCAPSA;

// Holds pointers: its size is the compiler's, not the 32 bytes of a 32-bit
// build. Loops (WHDR_BEGINLOOP, dwLoops) are not served: a header plays once.
struct WAVEHDR {
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};
typedef WAVEHDR* LPWAVEHDR;

// The number of devices: 1, or 0 with ADV_AUDIO=none (tests may choose).
UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsA(UINT_PTR deviceId, LPWAVEOUTCAPSA caps, UINT size);
// PCM with 8 or 16 bits and 1 or 2 channels; MMSYSERR_ALLOCATED while the
// device serves another handle or a DirectSound object.
MMRESULT waveOutOpen(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, LPWAVEHDR header, UINT size);
// Queues a prepared header; headers play in the order written.
MMRESULT waveOutWrite(HWAVEOUT handle, LPWAVEHDR header, UINT size);
// Stops playing; every queued header is marked done and leaves the queue.
MMRESULT waveOutReset(HWAVEOUT handle);
// WAVERR_STILLPLAYING while headers are queued.
MMRESULT waveOutClose(HWAVEOUT handle);
