// DirectSound: the module "dsound.dll" (DirectSoundCreate,
// DirectSoundEnumerateA) and the two interfaces its callers use, with only the
// methods they call. Buffers play on the layer's one sound device (see
// WaveOut.h): a primary buffer that sets the device format and starts it, and
// secondary buffers in that format, mixed and handed on by the device pump.
#pragma once

#include "platform/MMSystem.h"
#include "platform/Types.h"

typedef LONG HRESULT;

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef GUID* LPGUID;
typedef const GUID* LPCGUID;

#define DS_OK 0
#define DSERR_ALLOCATED ((HRESULT)0x8878000A)
#define DSERR_CONTROLUNAVAIL ((HRESULT)0x8878001E)
#define DSERR_INVALIDPARAM ((HRESULT)0x80070057)
#define DSERR_INVALIDCALL ((HRESULT)0x88780032)
#define DSERR_GENERIC ((HRESULT)0x80004005)
#define DSERR_PRIOLEVELNEEDED ((HRESULT)0x88780046)
#define DSERR_OUTOFMEMORY ((HRESULT)0x8007000E)
#define DSERR_BADFORMAT ((HRESULT)0x88780064)
#define DSERR_UNSUPPORTED ((HRESULT)0x80004001)
#define DSERR_NODRIVER ((HRESULT)0x88780078)
#define DSERR_NOAGGREGATION ((HRESULT)0x80040110)

#define DSSCL_NORMAL 0x00000001
#define DSSCL_PRIORITY 0x00000002
#define DSSCL_EXCLUSIVE 0x00000003
#define DSSCL_WRITEPRIMARY 0x00000004

#define DSCAPS_PRIMARYMONO 0x00000001
#define DSCAPS_PRIMARYSTEREO 0x00000002
#define DSCAPS_PRIMARY8BIT 0x00000004
#define DSCAPS_PRIMARY16BIT 0x00000008
#define DSCAPS_CONTINUOUSRATE 0x00000010
#define DSCAPS_EMULDRIVER 0x00000020
#define DSCAPS_CERTIFIED 0x00000040
#define DSCAPS_SECONDARYMONO 0x00000100
#define DSCAPS_SECONDARYSTEREO 0x00000200
#define DSCAPS_SECONDARY8BIT 0x00000400
#define DSCAPS_SECONDARY16BIT 0x00000800

#define DSBCAPS_PRIMARYBUFFER 0x00000001
#define DSBCAPS_STATIC 0x00000002
#define DSBCAPS_LOCHARDWARE 0x00000004
#define DSBCAPS_LOCSOFTWARE 0x00000008
#define DSBCAPS_CTRLFREQUENCY 0x00000020
#define DSBCAPS_CTRLPAN 0x00000040
#define DSBCAPS_CTRLVOLUME 0x00000080
#define DSBCAPS_STICKYFOCUS 0x00004000
#define DSBCAPS_GLOBALFOCUS 0x00008000
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000

#define DSBPLAY_LOOPING 0x00000001
#define DSBLOCK_FROMWRITECURSOR 0x00000001
#define DSBLOCK_ENTIREBUFFER 0x00000002
#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFF

// 96 bytes: a data record (no pointers), its size checked by GetCaps.
struct DSCAPS {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwMinSecondarySampleRate;
    DWORD dwMaxSecondarySampleRate;
    DWORD dwPrimaryBuffers;
    DWORD dwMaxHwMixingAllBuffers;
    DWORD dwMaxHwMixingStaticBuffers;
    DWORD dwMaxHwMixingStreamingBuffers;
    DWORD dwFreeHwMixingAllBuffers;
    DWORD dwFreeHwMixingStaticBuffers;
    DWORD dwFreeHwMixingStreamingBuffers;
    DWORD dwMaxHw3DAllBuffers;
    DWORD dwMaxHw3DStaticBuffers;
    DWORD dwMaxHw3DStreamingBuffers;
    DWORD dwFreeHw3DAllBuffers;
    DWORD dwFreeHw3DStaticBuffers;
    DWORD dwFreeHw3DStreamingBuffers;
    DWORD dwTotalHwMemBytes;
    DWORD dwFreeHwMemBytes;
    DWORD dwMaxContigFreeHwMemBytes;
    DWORD dwUnlockTransferRateHwBuffers;
    DWORD dwPlayCpuOverheadSwBuffers;
    DWORD dwReserved1;
    DWORD dwReserved2;
};
typedef DSCAPS* LPDSCAPS;
static_assert(sizeof(DSCAPS) == 96, "DSCAPS is a 96-byte record");

// Holds a pointer: dwSize must be the compiler's sizeof, not 20.
struct DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    LPWAVEFORMATEX lpwfxFormat;
};
typedef DSBUFFERDESC* LPDSBUFFERDESC;
typedef const DSBUFFERDESC* LPCDSBUFFERDESC;

class IDirectSoundBuffer {
public:
    // Primary buffer only, cooperative level DSSCL_PRIORITY or higher.
    virtual HRESULT SetFormat(LPCWAVEFORMATEX format) = 0;
    // The primary buffer starts the device (it must loop); a secondary buffer
    // plays once, or round and round with DSBPLAY_LOOPING.
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT Stop() = 0;
    // Secondary buffers: `offset`/`bytes` may run across the end, giving two
    // regions (the second at the buffer's start); DSBLOCK_ENTIREBUFFER gives
    // the whole buffer as one region.
    virtual HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* region1, LPDWORD bytes1,
                         LPVOID* region2, LPDWORD bytes2, DWORD flags) = 0;
    virtual HRESULT Unlock(LPVOID region1, DWORD bytes1, LPVOID region2, DWORD bytes2) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    // Play cursor: what the device has played; write cursor: what it has
    // been handed (the play cursor plus what is queued in the device).
    virtual HRESULT GetCurrentPosition(LPDWORD play, LPDWORD write) = 0;
    virtual ULONG Release() = 0;

protected:
    ~IDirectSoundBuffer() = default;
};
typedef IDirectSoundBuffer* LPDIRECTSOUNDBUFFER;

class IDirectSound {
public:
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;
    virtual HRESULT GetCaps(LPDSCAPS caps) = 0;
    virtual HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                      void* outer) = 0;
    // The device stays claimed until the object and all its buffers are
    // released.
    virtual ULONG Release() = 0;

protected:
    ~IDirectSound() = default;
};
typedef IDirectSound* LPDIRECTSOUND;

typedef BOOL(CALLBACK* LPDSENUMCALLBACKA)(LPGUID guid, LPCSTR description, LPCSTR module,
                                          LPVOID context);

// Exported by the module "dsound.dll": callers find them with GetProcAddress.
// A null GUID names the default device; DSERR_NODRIVER without a device,
// DSERR_ALLOCATED while the device serves waveOut or another object.
HRESULT DirectSoundCreate(LPCGUID device, LPDIRECTSOUND* object, void* outer);
// First the default device (null GUID), then one call per device, until the
// callback answers FALSE.
HRESULT DirectSoundEnumerateA(LPDSENUMCALLBACKA callback, LPVOID context);
