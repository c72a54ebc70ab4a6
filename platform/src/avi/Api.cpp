// The AVIFile calls. None lets a C++ exception out: running out of memory
// answers AVIERR_MEMORY (or null), as Windows does.
#include "AviInternal.h"
#include "CompressedStream.h"
#include "Decoder.h"
#include "FrameGetter.h"

#include "platform/File.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <new>

namespace platform::avi {

void AddRef(AviFileObject* file) {
    ++file->refs;
}

void Release(AviFileObject* file) {
    if (file->refs && --file->refs == 0) delete file;
}

namespace {

std::atomic<int> initCount{0};

template <typename F> HRESULT Guarded(F&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return AVIERR_MEMORY;
    } catch (...) {
        return AVIERR_ERROR;
    }
}

bool HasAviExtension(const char* path) {
    const size_t n = std::strlen(path);
    if (n < 4) return false;
    const char* ext = path + n - 4;
    return ext[0] == '.' && std::tolower(static_cast<unsigned char>(ext[1])) == 'a' &&
           std::tolower(static_cast<unsigned char>(ext[2])) == 'v' &&
           std::tolower(static_cast<unsigned char>(ext[3])) == 'i';
}

} // namespace
} // namespace platform::avi

using namespace platform::avi;

void AVIFileInit() {
    ++initCount;
}

void AVIFileExit() {
    if (initCount > 0) --initCount;
}

HRESULT AVIFileOpenA(PAVIFILE* file, LPCSTR path, UINT mode, LPCLSID handler) {
    if (!file) return AVIERR_BADPARAM;
    *file = nullptr;
    if (!path || handler) return AVIERR_BADPARAM;
    // The handler is chosen by the extension, as the registry would.
    if (!HasAviExtension(path)) return REGDB_E_CLASSNOTREG;
    return Guarded([&] {
        if (mode & OF_CREATE) {
            const std::string host = platform::MapPath(path, platform::PathUse::Create);
            if (host.empty()) return AVIERR_FILEOPEN;
            return OpenWriter(host, file);
        }
        if (mode & (OF_WRITE | OF_READWRITE)) return AVIERR_UNSUPPORTED;
        const std::string host = platform::MapPath(path, platform::PathUse::Read);
        if (host.empty() || !platform::FileExists(path) || platform::DirectoryExists(path))
            return AVIERR_FILEOPEN;
        return OpenReader(host, file);
    });
}

ULONG AVIFileRelease(PAVIFILE file) {
    if (!file || !file->refs) return 0;
    const ULONG left = file->refs - 1;
    Release(file);
    return left;
}

HRESULT AVIFileInfoA(PAVIFILE file, LPAVIFILEINFOA info, LONG size) {
    if (!file || !info || size < 0) return AVIERR_BADPARAM;
    AVIFILEINFOA full;
    file->Info(full);
    std::memcpy(info, &full, std::min<size_t>(size, sizeof full));
    return AVIERR_OK;
}

HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD type, LONG index) {
    if (!stream) return AVIERR_BADPARAM;
    *stream = nullptr;
    if (!file || index < 0) return AVIERR_BADPARAM;
    return file->GetStream(stream, type, index);
}

HRESULT AVIFileCreateStreamA(PAVIFILE file, PAVISTREAM* stream, AVISTREAMINFOA* info) {
    if (!stream) return AVIERR_BADPARAM;
    *stream = nullptr;
    if (!file || !info) return AVIERR_BADPARAM;
    return Guarded([&] { return file->CreateStream(stream, *info); });
}

ULONG AVIStreamRelease(PAVISTREAM stream) {
    return stream ? stream->Release() : 0;
}

HRESULT AVIStreamInfoA(PAVISTREAM stream, LPAVISTREAMINFOA info, LONG size) {
    if (!stream || !info || size < 0) return AVIERR_BADPARAM;
    std::memcpy(info, &stream->info, std::min<size_t>(size, sizeof stream->info));
    return AVIERR_OK;
}

LONG AVIStreamStart(PAVISTREAM stream) {
    return stream ? static_cast<LONG>(stream->info.dwStart) : -1;
}

LONG AVIStreamLength(PAVISTREAM stream) {
    return stream ? static_cast<LONG>(stream->info.dwLength) : -1;
}

HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG, LPVOID format, LONG* size) {
    if (!stream || !size) return AVIERR_BADPARAM;
    const LONG have = static_cast<LONG>(stream->format.size());
    if (format)
        std::memcpy(format, stream->format.data(), std::min(std::max<LONG>(*size, 0), have));
    *size = have;
    return AVIERR_OK;
}

HRESULT AVIStreamRead(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                      LONG* bytes, LONG* samplesRead) {
    if (!stream) return AVIERR_BADHANDLE;
    return Guarded(
        [&] { return stream->Read(start, samples, buffer, bufferSize, bytes, samplesRead); });
}

HRESULT AVIStreamSetFormat(PAVISTREAM stream, LONG pos, LPVOID format, LONG size) {
    if (!stream) return AVIERR_BADHANDLE;
    return Guarded([&] { return stream->SetFormat(pos, format, size); });
}

HRESULT AVIStreamWrite(PAVISTREAM stream, LONG start, LONG samples, LPVOID buffer, LONG bufferSize,
                       DWORD flags, LONG* samplesWritten, LONG* bytesWritten) {
    if (!stream) return AVIERR_BADHANDLE;
    return Guarded([&] {
        return stream->Write(start, samples, buffer, bufferSize, flags, samplesWritten,
                             bytesWritten);
    });
}

PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM stream, BITMAPINFOHEADER* wanted) {
    if (!stream || stream->info.fccType != kTypeVideo) return nullptr;
    try {
        std::unique_ptr<Decoder> decoder(stream->OpenDecoder());
        if (!decoder) return nullptr;
        auto getter = std::make_unique<AviFrameGetter>(*stream, std::move(decoder));
        if (!getter->Setup(wanted)) return nullptr;
        return getter.release();
    } catch (...) {
        return nullptr;
    }
}

LPVOID AVIStreamGetFrame(PGETFRAME getter, LONG pos) {
    if (!getter) return nullptr;
    try {
        return getter->Get(pos);
    } catch (...) {
        return nullptr;
    }
}

HRESULT AVIStreamGetFrameClose(PGETFRAME getter) {
    delete getter;
    return AVIERR_OK;
}

HRESULT AVIMakeCompressedStream(PAVISTREAM* compressed, PAVISTREAM source,
                                AVICOMPRESSOPTIONS* options, LPCLSID handler) {
    if (!compressed) return AVIERR_BADPARAM;
    *compressed = nullptr;
    if (!source || !options || handler) return AVIERR_BADPARAM;
    return Guarded([&] { return CompressedStream::Make(*source, *options, compressed); });
}
