// The multimedia timers: periodic and one-shot callbacks, all of them run
// one after another on a single timer thread (on virtual time: on the thread
// that advances the clock, in due order). timeGetTime lives in Kernel.h.
#pragma once

#include "platform/Kernel.h"
#include "platform/Types.h"

typedef UINT MMRESULT;
typedef void(CALLBACK* LPTIMECALLBACK)(UINT timerId, UINT msg, DWORD_PTR user, DWORD_PTR dw1,
                                       DWORD_PTR dw2);
typedef LPTIMECALLBACK TIMECALLBACK;

#define TIMERR_NOERROR 0
#define MMSYSERR_INVALPARAM 11
#define TIME_ONESHOT 0x0000
#define TIME_PERIODIC 0x0001
#define TIME_CALLBACK_FUNCTION 0x0000

// Starts a timer firing after `delay` ms (and every `delay` ms with
// TIME_PERIODIC). Returns its id, or 0 for a null callback or a delay of 0.
// `resolution` is accepted and ignored: the layer always aims for 1 ms.
MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user,
                      UINT flags);

// Stops a timer. Never waits for a callback in progress, so it may be called
// from inside that callback or while the callback waits for a lock the caller
// holds; a callback already running completes, no later one starts.
MMRESULT timeKillEvent(UINT timerId);

// --- Wave formats and results shared by waveOut and DirectSound ------------

#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_INVALFLAG 10

#define WAVE_FORMAT_PCM 1

// The layout of the format record, field by field. This is a 64-bit build:
// its size is the compiler's (20); files are read and written field by field.
struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
typedef WAVEFORMATEX* LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;
