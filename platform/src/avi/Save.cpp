// Saving streams into a new file, and the compressor choice that stands in
// for the options dialog.
#include "AviInternal.h"
#include "CompressedStream.h"
#include "Writer.h"

#include "platform/File.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace platform::avi {
namespace {

std::mutex choiceLock;
std::string choiceOverride;
bool choiceSet = false;

// "MSVC" or "CVID" as a handler; 0 for anything else (cancel).
DWORD ChosenHandler() {
    std::string choice;
    {
        std::lock_guard guard(choiceLock);
        if (choiceSet) {
            choice = choiceOverride;
        } else if (const char* env = std::getenv("ADV_AVI_COMPRESSOR")) {
            choice = env;
        }
    }
    for (char& c : choice)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (choice == "MSVC") return mmioFOURCC('M', 'S', 'V', 'C');
    if (choice == "CVID") return mmioFOURCC('c', 'v', 'i', 'd');
    return 0;
}

// Streams are copied one after another (each with its own index entries);
// every reader finds a stream's chunks through the index.
HRESULT CopyStream(AviStreamObject& source, WriteFile& out, AVISAVECALLBACK callback, int done,
                   int total) {
    PAVISTREAM target = nullptr;
    HRESULT hr = out.CreateStream(&target, source.info);
    if (hr != AVIERR_OK) return hr;
    struct Releaser {
        PAVISTREAM s;
        ~Releaser() { s->Release(); }
    } releaser{target};
    hr = target->SetFormat(0, source.format.data(), static_cast<LONG>(source.format.size()));
    if (hr != AVIERR_OK) return hr;
    const LONG start = static_cast<LONG>(source.info.dwStart);
    const LONG length = static_cast<LONG>(source.info.dwLength);
    const bool video = source.info.fccType == kTypeVideo || !source.info.dwSampleSize;
    const LONG step = video ? 1 : static_cast<LONG>(std::max<DWORD>(source.info.dwRate, 1));
    std::vector<uint8_t> data;
    for (LONG pos = start; pos < start + length;) {
        LONG bytes = 0, samples = 0;
        hr = source.Read(pos, std::min(step, start + length - pos), nullptr, 0, &bytes, &samples);
        if (hr != AVIERR_OK) return hr;
        if (samples <= 0) break;
        data.resize(static_cast<size_t>(bytes));
        hr = source.Read(pos, samples, data.data(), bytes, &bytes, &samples);
        if (hr != AVIERR_OK) return hr;
        const DWORD flags = (!video || source.IsKey(pos)) ? AVIIF_KEYFRAME : 0;
        hr = target->Write(pos, samples, data.data(), bytes, flags, nullptr, nullptr);
        if (hr != AVIERR_OK) return hr;
        pos += samples;
        const int percent =
            static_cast<int>((done * 100.0 + 100.0 * (pos - start) / length) / total);
        if (callback && callback(percent)) return AVIERR_USERABORT;
    }
    return AVIERR_OK;
}

bool WantsCompression(const AviStreamObject& s, const AVICOMPRESSOPTIONS* o) {
    return o && s.info.fccType == kTypeVideo && o->fccType == kTypeVideo && o->fccHandler &&
           UpperFourCC(o->fccHandler) != UpperFourCC(s.info.fccHandler);
}

HRESULT SaveInto(const std::string& host, AVISAVECALLBACK callback, int count, PAVISTREAM* streams,
                 LPAVICOMPRESSOPTIONS* options) {
    FILE* f = std::fopen(host.c_str(), "wb+");
    if (!f) return AVIERR_FILEOPEN;
    std::unique_ptr<WriteFile> out(new WriteFile(f, host));
    if (!out->Begin()) return AVIERR_FILEWRITE;
    for (int i = 0; i < count; ++i) {
        if (!streams[i]) return AVIERR_BADPARAM;
        AviStreamObject* source = streams[i];
        AviStreamObject* compressed = nullptr;
        if (options && WantsCompression(*source, options[i])) {
            const HRESULT made = CompressedStream::Make(*source, *options[i], &compressed);
            if (made != AVIERR_OK) return made;
            source = compressed;
        }
        const HRESULT copied = CopyStream(*source, *out, callback, i, count);
        if (compressed) compressed->Release();
        if (copied != AVIERR_OK) return copied;
    }
    return out->Finish() ? AVIERR_OK : AVIERR_FILEWRITE;
}

} // namespace
} // namespace platform::avi

using namespace platform::avi;

INT_PTR AVISaveOptions(HWND, UINT, int count, PAVISTREAM* streams, LPAVICOMPRESSOPTIONS* options) {
    if (count <= 0 || !streams || !options) return FALSE;
    const DWORD handler = ChosenHandler();
    if (!handler) return FALSE;
    for (int i = 0; i < count; ++i) {
        AVICOMPRESSOPTIONS* o = options[i];
        if (!o || !streams[i]) return FALSE;
        *o = AVICOMPRESSOPTIONS{};
        o->fccType = streams[i]->info.fccType;
        if (o->fccType == kTypeVideo) o->fccHandler = handler;
        o->dwFlags = AVICOMPRESSF_VALID;
    }
    return TRUE;
}

HRESULT AVISaveOptionsFree(int count, LPAVICOMPRESSOPTIONS* options) {
    // The options hold nothing of ours: no format or parameter blocks.
    for (int i = 0; options && i < count; ++i)
        if (options[i]) {
            options[i]->lpFormat = nullptr;
            options[i]->cbFormat = 0;
            options[i]->lpParms = nullptr;
            options[i]->cbParms = 0;
        }
    return AVIERR_OK;
}

HRESULT AVISaveVA(LPCSTR path, LPCLSID handler, AVISAVECALLBACK callback, int count,
                  PAVISTREAM* streams, LPAVICOMPRESSOPTIONS* options) {
    if (!path || handler || count <= 0 || !streams) return AVIERR_BADPARAM;
    const size_t n = std::strlen(path);
    if (n < 4 || strcasecmp(path + n - 4, ".avi") != 0) return REGDB_E_CLASSNOTREG;
    try {
        const std::string target = platform::MapPath(path, platform::PathUse::Create);
        if (target.empty()) return AVIERR_FILEOPEN;
        // Written beside the target and renamed over it only when complete:
        // a source may be reading the very file being replaced.
        const std::string temporary = target + ".saving";
        const HRESULT saved = SaveInto(temporary, callback, count, streams, options);
        if (saved != AVIERR_OK || std::rename(temporary.c_str(), target.c_str()) != 0) {
            std::remove(temporary.c_str());
            return saved != AVIERR_OK ? saved : AVIERR_FILEWRITE;
        }
        return AVIERR_OK;
    } catch (const std::bad_alloc&) {
        return AVIERR_MEMORY;
    } catch (...) {
        return AVIERR_ERROR;
    }
}

namespace platform {

void SetAviSaveOptionsChoice(const char* handler) {
    std::lock_guard guard(avi::choiceLock);
    avi::choiceSet = handler != nullptr;
    avi::choiceOverride = handler ? handler : "";
}

} // namespace platform
