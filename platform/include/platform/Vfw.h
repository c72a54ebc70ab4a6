// AVI files: the AVIFile calls the engine makes to play films and record the
// screen, with Windows' records, flags and result values.
//
// Reading goes through FFmpeg (any video or audio it decodes); writing is our
// own RIFF writer, so a stream may be created after another one's data and
// its format block is stored exactly as given. "MSVC" (Microsoft Video 1) and
// "CVID" (Cinepak) are the compressors on offer. A file, its streams and the
// frame getters belong to one thread at a time.
#pragma once

#include "platform/Gdi.h"
#include "platform/Types.h"

typedef LONG HRESULT;

// Opaque handles; a file or stream lives until its last release.
struct AviFileObject;
struct AviStreamObject;
struct AviFrameGetter;
typedef AviFileObject* PAVIFILE;
typedef AviStreamObject* PAVISTREAM;
typedef AviFrameGetter* PGETFRAME;

struct CLSID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
typedef CLSID* LPCLSID;

#define mmioFOURCC(a, b, c, d)                                                                     \
    ((DWORD)(BYTE)(a) | ((DWORD)(BYTE)(b) << 8) | ((DWORD)(BYTE)(c) << 16) |                       \
     ((DWORD)(BYTE)(d) << 24))
#define streamtypeVIDEO mmioFOURCC('v', 'i', 'd', 's')
#define streamtypeAUDIO mmioFOURCC('a', 'u', 'd', 's')

// --- Records ----------------------------------------------------------------

struct AVIFILEINFOA {
    DWORD dwMaxBytesPerSec;
    DWORD dwFlags;
    DWORD dwCaps;
    DWORD dwStreams;
    DWORD dwSuggestedBufferSize;
    DWORD dwWidth;
    DWORD dwHeight;
    DWORD dwScale;
    DWORD dwRate; // dwRate / dwScale = frames per second
    DWORD dwLength;
    DWORD dwEditCount;
    char szFileType[64];
};
static_assert(sizeof(AVIFILEINFOA) == 108);
typedef AVIFILEINFOA* LPAVIFILEINFOA;

struct AVISTREAMINFOA {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
};
static_assert(sizeof(AVISTREAMINFOA) == 140);
typedef AVISTREAMINFOA* LPAVISTREAMINFOA;

// Holds pointers: its size is the compiler's.
struct AVICOMPRESSOPTIONS {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwKeyFrameEvery;
    DWORD dwQuality;
    DWORD dwBytesPerSecond;
    DWORD dwFlags;
    LPVOID lpFormat;
    DWORD cbFormat;
    LPVOID lpParms;
    DWORD cbParms;
    DWORD dwInterleaveEvery;
};
typedef AVICOMPRESSOPTIONS* LPAVICOMPRESSOPTIONS;

// --- Constants ----------------------------------------------------------------

#ifndef OF_READ
#define OF_READ 0x0000
#define OF_WRITE 0x0001
#define OF_READWRITE 0x0002
#define OF_SHARE_DENY_WRITE 0x0020
#define OF_CREATE 0x1000
#endif

#define AVIFILEINFO_HASINDEX 0x00000010
#define AVIFILEINFO_MUSTUSEINDEX 0x00000020
#define AVIFILEINFO_ISINTERLEAVED 0x00000100
#define AVIFILEINFO_WASCAPTUREFILE 0x00010000
#define AVIFILEINFO_COPYRIGHTED 0x00020000
#define AVIFILECAPS_CANREAD 0x00000001
#define AVIFILECAPS_CANWRITE 0x00000002
#define AVIFILECAPS_ALLKEYFRAMES 0x00000010
#define AVIFILECAPS_NOCOMPRESSION 0x00000020

#define AVISTREAMINFO_DISABLED 0x00000001
#define AVISTREAMINFO_FORMATCHANGES 0x00010000

#define AVIIF_LIST 0x00000001
#define AVIIF_KEYFRAME 0x00000010
#define AVIIF_NOTIME 0x00000100

#define AVISTREAMREAD_CONVENIENT (-1L)

#define AVICOMPRESSF_INTERLEAVE 0x00000001
#define AVICOMPRESSF_DATARATE 0x00000002
#define AVICOMPRESSF_KEYFRAMES 0x00000004
#define AVICOMPRESSF_VALID 0x00000008

#define ICMF_CHOOSE_KEYFRAME 0x0001
#define ICMF_CHOOSE_DATARATE 0x0002
#define ICMF_CHOOSE_PREVIEW 0x0004
#define ICMF_CHOOSE_ALLCOMPRESSORS 0x0008

// Results.
#define AVIERR_OK 0
#define MAKE_AVIERR(error) ((HRESULT)(0x80040000u | (0x4000u + (error))))
#define AVIERR_UNSUPPORTED MAKE_AVIERR(101)
#define AVIERR_BADFORMAT MAKE_AVIERR(102)
#define AVIERR_MEMORY MAKE_AVIERR(103)
#define AVIERR_INTERNAL MAKE_AVIERR(104)
#define AVIERR_BADFLAGS MAKE_AVIERR(105)
#define AVIERR_BADPARAM MAKE_AVIERR(106)
#define AVIERR_BADSIZE MAKE_AVIERR(107)
#define AVIERR_BADHANDLE MAKE_AVIERR(108)
#define AVIERR_FILEREAD MAKE_AVIERR(109)
#define AVIERR_FILEWRITE MAKE_AVIERR(110)
#define AVIERR_FILEOPEN MAKE_AVIERR(111)
#define AVIERR_COMPRESSOR MAKE_AVIERR(112)
#define AVIERR_NOCOMPRESSOR MAKE_AVIERR(113)
#define AVIERR_READONLY MAKE_AVIERR(114)
#define AVIERR_NODATA MAKE_AVIERR(115)
#define AVIERR_BUFFERTOOSMALL MAKE_AVIERR(116)
#define AVIERR_CANTCOMPRESS MAKE_AVIERR(117)
#define AVIERR_USERABORT MAKE_AVIERR(198)
#define AVIERR_ERROR MAKE_AVIERR(199)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154u)

// Called with the percentage done; TRUE stops the save.
typedef BOOL(CALLBACK* AVISAVECALLBACK)(int percent);

// --- Library ----------------------------------------------------------------------

// Counted; nothing needs starting.
void AVIFileInit();
void AVIFileExit();

// --- Files ----------------------------------------------------------------------------

// OF_READ opens an existing ".avi" (any other extension: REGDB_E_CLASSNOTREG;
// missing: AVIERR_FILEOPEN; cut short: AVIERR_FILEREAD; not an AVI, or a
// stream FFmpeg cannot read: AVIERR_BADFORMAT). OF_CREATE | OF_WRITE creates
// one; its headers are written when the last reference goes. `handler` must be
// null.
HRESULT AVIFileOpenA(PAVIFILE* file, LPCSTR path, UINT mode, LPCLSID handler);
ULONG AVIFileRelease(PAVIFILE file);
HRESULT AVIFileInfoA(PAVIFILE file, LPAVIFILEINFOA info, LONG size);
// `type` 0 counts every stream; otherwise only streams of that type.
HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD type, LONG index);
HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFOA* info);

// --- Streams ----------------------------------------------------------------------------

ULONG AVIStreamRelease(PAVISTREAM stream);
HRESULT AVIStreamInfoA(PAVISTREAM stream, LPAVISTREAMINFOA info, LONG size);
LONG AVIStreamStart(PAVISTREAM stream);
LONG AVIStreamLength(PAVISTREAM stream);
// With `format` null, the size needed.
HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG* size);
// Video: one frame's chunk as stored. Audio: whole blocks of PCM.
// With `buffer` null, the sizes needed.
HRESULT AVIStreamRead(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                      LONG* bytes, LONG* samplesRead);
HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG size);
// Appends at the end of the stream (`start` must not lie before it).
HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                       DWORD flags, LONG* samplesWritten, LONG* bytesWritten);

// --- Decoded frames ------------------------------------------------------------------

// `wanted` null: the stream's own depth (a colour table up to 8 bits, 16 bits
// as 5:5:5), bottom-up. Otherwise 1 to 32 bits of the stream's size, rows in
// the order of the sign of biHeight, BI_BITFIELDS masks after the header.
// Null when no decoder or no such format.
PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM stream, BITMAPINFOHEADER* wanted);
// A packed DIB owned by the getter (header, masks, colour table, rows),
// valid until the next call; null on failure.
LPVOID AVIStreamGetFrame(PGETFRAME getter, LONG pos);
HRESULT AVIStreamGetFrameClose(PGETFRAME getter);

// --- Compression and saving ---------------------------------------------------------

HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source,
                                AVICOMPRESSOPTIONS* options, LPCLSID handler);
// Shows no dialog: answers the configured choice (the environment variable
// ADV_AVI_COMPRESSOR, "MSVC" or "CVID", or platform::SetAviSaveOptionsChoice);
// FALSE (cancel) when there is none.
INT_PTR AVISaveOptions(HWND window, UINT flags, int streamCount, PAVISTREAM* streams,
                       LPAVICOMPRESSOPTIONS* options);
HRESULT AVISaveOptionsFree(int streamCount, LPAVICOMPRESSOPTIONS* options);
// Writes a new file of the given streams, compressing video as the options
// say. The file is written beside the target and renamed over it only when
// complete, so a stream may read the file it replaces and a failure leaves
// the old file as it was.
HRESULT AVISaveVA(LPCSTR path, LPCLSID handler, AVISAVECALLBACK callback, int streamCount,
                  PAVISTREAM* streams, LPAVICOMPRESSOPTIONS* options);

namespace platform {

// The compressor AVISaveOptions answers ("MSVC" or "CVID"; anything else,
// "" included, answers cancel), over ADV_AVI_COMPRESSOR; null goes back to
// the environment variable.
void SetAviSaveOptionsChoice(const char* handler);

// Test hook: the writer's size limit (1 GB by default), so the full-file
// path can be reached with small files.
void SetAviWriteLimitForTests(uint64_t bytes);

} // namespace platform
