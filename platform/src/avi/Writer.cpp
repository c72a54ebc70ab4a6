// Writing AVI 1.0 files chunk by chunk.
#include "Writer.h"

#include "platform/ByteStream.h"
#include "platform/Kernel.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace platform::avi {
namespace {

// Room kept in front of the chunks for the headers: enough for a few streams
// with palettes; more is made by moving the chunks when the file is done.
constexpr uint64_t kHeaderRoom = 4096;
constexpr DWORD kHasIndex = 0x10;
constexpr DWORD kJunkId = mmioFOURCC('J', 'U', 'N', 'K');

uint64_t writeLimit = uint64_t(1) << 30;

uint32_t ChunkId(int number, uint16_t kind) {
    static const char digits[] = "0123456789ABCDEF";
    return uint32_t(uint8_t(digits[(number >> 4) & 15])) |
           (uint32_t(uint8_t(digits[number & 15])) << 8) | (uint32_t(kind) << 16);
}

constexpr uint16_t Kind(char a, char b) {
    return static_cast<uint16_t>(uint8_t(a) | (uint8_t(b) << 8));
}

bool IsVideo(const AVISTREAMINFOA& info) {
    return info.fccType == kTypeVideo;
}

} // namespace

uint64_t WriteLimit() {
    return writeLimit;
}

WriteStream::WriteStream(WriteFile* file, int number, const AVISTREAMINFOA& given)
    : FileStream(file), writer_(file), number_(number) {
    info = given;
    info.dwLength = 0;
    info.dwCaps = AVIFILECAPS_CANREAD | AVIFILECAPS_CANWRITE;
    info.szName[sizeof info.szName - 1] = 0;
}

HRESULT WriteStream::SetFormat(LONG pos, const void* data, LONG size) {
    if (!data || size <= 0) return AVIERR_BADPARAM;
    const uint8_t* bytes8 = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> given(bytes8, bytes8 + size);
    if (!format.empty() && (pos > 0 || info.dwLength)) {
        // Only the same format again once data is written.
        return given == format ? AVIERR_OK : AVIERR_UNSUPPORTED;
    }
    if (IsVideo(info) && (given.size() < 40 || !SizeAllowed(static_cast<int32_t>(Le32(given, 4)),
                                                            static_cast<int32_t>(Le32(given, 8)))))
        return AVIERR_BADFORMAT;
    if (info.fccType == kTypeAudio && given.size() < 14) return AVIERR_BADFORMAT;
    format = std::move(given);
    return AVIERR_OK;
}

uint16_t WriteStream::ChunkKind() const {
    if (info.fccType == kTypeAudio) return Kind('w', 'b');
    if (IsVideo(info)) {
        const uint32_t compression = Le32(format, 16);
        return compression == BI_RGB || compression == BI_BITFIELDS ? Kind('d', 'b')
                                                                    : Kind('d', 'c');
    }
    return Kind('d', 'c');
}

HRESULT WriteStream::Write(LONG start, LONG samples, const void* buffer, LONG size, DWORD flags,
                           LONG* samplesWritten, LONG* bytesWritten) {
    if (samplesWritten) *samplesWritten = 0;
    if (bytesWritten) *bytesWritten = 0;
    if (format.empty()) return AVIERR_BADFORMAT;
    if (samples < 0 || size < 0 || (size && !buffer)) return AVIERR_BADPARAM;
    // Video frames skipped over are stored as empty chunks (dropped frames).
    if (IsVideo(info) && start > 0 && static_cast<DWORD>(start) > info.dwStart + info.dwLength) {
        const DWORD gap = static_cast<DWORD>(start) - info.dwStart - info.dwLength;
        for (DWORD i = 0; i < gap; ++i) {
            const HRESULT hr = writer_->Append(number_, ChunkKind(), nullptr, 0, 0);
            if (hr != AVIERR_OK) return hr;
            ++info.dwLength;
        }
    }
    const HRESULT hr =
        writer_->Append(number_, ChunkKind(), buffer, static_cast<uint32_t>(size), flags);
    if (hr != AVIERR_OK) return hr;
    info.dwLength += static_cast<DWORD>(samples);
    largest = std::max<DWORD>(largest, static_cast<DWORD>(size));
    bytes += static_cast<uint64_t>(size);
    if (samplesWritten) *samplesWritten = samples;
    if (bytesWritten) *bytesWritten = size;
    return AVIERR_OK;
}

WriteFile::~WriteFile() {
    // Released through a Windows-shaped call: nothing may escape.
    try {
        Finish();
    } catch (...) {
        OutputDebugStringA("AVI: could not complete a file\n");
    }
    streams_.clear();
    if (file_) std::fclose(file_);
}

bool WriteFile::WriteAt(uint64_t at, const void* data, size_t size) {
    if (!file_ || fseeko(file_, static_cast<off_t>(at), SEEK_SET) != 0) return false;
    return !size || std::fwrite(data, 1, size, file_) == size;
}

bool WriteFile::Begin() {
    moviList_ = kHeaderRoom;
    std::vector<uint8_t> list;
    ByteWriter w(list);
    w.Text("LIST");
    w.U32(4);
    w.Text("movi");
    end_ = moviList_ + 12;
    // A valid (empty) file from the start.
    if (!WriteAt(moviList_, list.data(), list.size()) || !Finish()) return false;
    finished_ = false;
    return true;
}

void WriteFile::Info(AVIFILEINFOA& out) {
    out = AVIFILEINFOA{};
    out.dwCaps = AVIFILECAPS_CANREAD | AVIFILECAPS_CANWRITE;
    out.dwStreams = static_cast<DWORD>(streams_.size());
    out.dwFlags = kHasIndex;
    for (const auto& s : streams_) {
        out.dwSuggestedBufferSize = std::max(out.dwSuggestedBufferSize, s->largest);
        if (IsVideo(s->info) && !out.dwRate) {
            out.dwScale = s->info.dwScale;
            out.dwRate = s->info.dwRate;
            out.dwLength = s->info.dwLength;
            out.dwWidth = Le32(s->format, 4);
            const int32_t h = static_cast<int32_t>(Le32(s->format, 8));
            out.dwHeight = static_cast<DWORD>(h < 0 ? -h : h);
        }
    }
    std::strcpy(out.szFileType, "AVI");
}

HRESULT WriteFile::GetStream(PAVISTREAM* stream, DWORD type, LONG index) {
    for (auto& s : streams_)
        if ((!type || s->info.fccType == type) && index-- == 0) {
            s->AddRef();
            *stream = s.get();
            return AVIERR_OK;
        }
    return AVIERR_NODATA;
}

HRESULT WriteFile::CreateStream(PAVISTREAM* stream, const AVISTREAMINFOA& info) {
    if (streams_.size() >= 100) return AVIERR_UNSUPPORTED;
    streams_.push_back(
        std::make_unique<WriteStream>(this, static_cast<int>(streams_.size()), info));
    streams_.back()->AddRef();
    *stream = streams_.back().get();
    return AVIERR_OK;
}

HRESULT WriteFile::Append(int number, uint16_t kind, const void* data, uint32_t size, DWORD flags) {
    const uint64_t padded = size + (size & 1);
    // Past the limit nothing is written, so the file stays complete and valid.
    const uint64_t indexBytes = (index_.size() + 1) * 16 + 8;
    if (end_ + 8 + padded + indexBytes > WriteLimit()) return AVIERR_FILEWRITE;
    std::vector<uint8_t> head;
    ByteWriter w(head);
    w.U32(ChunkId(number, kind));
    w.U32(size);
    static const uint8_t zero = 0;
    if (!WriteAt(end_, head.data(), head.size()) || !WriteAt(end_ + 8, data, size) ||
        ((size & 1) && !WriteAt(end_ + 8 + size, &zero, 1)))
        return AVIERR_FILEWRITE;
    index_.push_back({ChunkId(number, kind), flags & ~AVIIF_LIST,
                      static_cast<uint32_t>(end_ - (moviList_ + 8)), size});
    end_ += 8 + padded;
    finished_ = false;
    return AVIERR_OK;
}

std::vector<uint8_t> WriteFile::Headers() const {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.Text("RIFF");
    w.U32(0); // patched by Finish
    w.Text("AVI LIST");
    const size_t hdrlSize = w.Position();
    w.U32(0);
    w.Text("hdrl");
    AVIFILEINFOA main;
    const_cast<WriteFile*>(this)->Info(main);
    w.Text("avih");
    w.U32(56);
    w.U32(main.dwRate ? static_cast<uint32_t>(uint64_t(1000000) * main.dwScale / main.dwRate) : 0);
    uint64_t bytesPerSec = 0;
    for (const auto& s : streams_)
        if (s->info.dwLength && s->info.dwScale)
            bytesPerSec +=
                s->bytes * s->info.dwRate / (uint64_t(s->info.dwLength) * s->info.dwScale);
    w.U32(static_cast<uint32_t>(std::min<uint64_t>(bytesPerSec, 0xFFFFFFFF)));
    w.U32(0);
    w.U32(kHasIndex);
    w.U32(main.dwLength);
    w.U32(0);
    w.U32(main.dwStreams);
    w.U32(main.dwSuggestedBufferSize);
    w.U32(main.dwWidth);
    w.U32(main.dwHeight);
    w.Zeros(16);
    for (const auto& s : streams_) {
        const AVISTREAMINFOA& i = s->info;
        w.Text("LIST");
        const size_t strlSize = w.Position();
        w.U32(0);
        w.Text("strlstrh");
        w.U32(56);
        w.U32(i.fccType);
        w.U32(i.fccHandler);
        w.U32(i.dwFlags);
        w.U16(i.wPriority);
        w.U16(i.wLanguage);
        w.U32(i.dwInitialFrames);
        w.U32(i.dwScale);
        w.U32(i.dwRate);
        w.U32(i.dwStart);
        w.U32(i.dwLength);
        w.U32(s->largest);
        w.U32(i.dwQuality);
        w.U32(i.dwSampleSize);
        w.S16(static_cast<int16_t>(i.rcFrame.left));
        w.S16(static_cast<int16_t>(i.rcFrame.top));
        w.S16(static_cast<int16_t>(i.rcFrame.right));
        w.S16(static_cast<int16_t>(i.rcFrame.bottom));
        w.Text("strf");
        w.U32(static_cast<uint32_t>(s->format.size()));
        w.Bytes(s->format.data(), s->format.size());
        if (s->format.size() & 1) w.U8(0);
        if (i.szName[0]) {
            const size_t n = std::strlen(i.szName) + 1;
            w.Text("strn");
            w.U32(static_cast<uint32_t>(n));
            w.Bytes(i.szName, n);
            if (n & 1) w.U8(0);
        }
        w.PatchU32(strlSize, static_cast<uint32_t>(w.Position() - strlSize - 4));
    }
    w.PatchU32(hdrlSize, static_cast<uint32_t>(w.Position() - hdrlSize - 4));
    return out;
}

// The headers go in front of the movi list, the gap filled by a JUNK chunk;
// headers that outgrow the room move the chunks back first.
bool WriteFile::PlaceHeaders(const std::vector<uint8_t>& headers) {
    const uint64_t need = headers.size();
    if (need != moviList_ && need + 8 > moviList_) {
        const uint64_t shift = ((need + 8 - moviList_) + 1023) / 1024 * 1024;
        std::vector<uint8_t> block(1 << 16);
        for (uint64_t left = end_ - moviList_; left > 0;) {
            const uint64_t n = std::min<uint64_t>(left, block.size());
            left -= n;
            const uint64_t from = moviList_ + left;
            if (fseeko(file_, static_cast<off_t>(from), SEEK_SET) != 0 ||
                std::fread(block.data(), 1, n, file_) != n ||
                !WriteAt(from + shift, block.data(), n))
                return false;
        }
        moviList_ += shift;
        end_ += shift;
    }
    std::vector<uint8_t> head = headers;
    if (need != moviList_) {
        ByteWriter w(head);
        w.U32(kJunkId);
        w.U32(static_cast<uint32_t>(moviList_ - need - 8));
        w.Zeros(static_cast<size_t>(moviList_ - need - 8));
    }
    return WriteAt(0, head.data(), head.size());
}

void WriteFile::ReportIncomplete() const {
    OutputDebugStringA(("AVI: could not complete " + path_ + "\n").c_str());
}

bool WriteFile::Finish() {
    if (finished_) return true;
    finished_ = true;
    std::vector<uint8_t> headers = Headers();
    if (!PlaceHeaders(headers)) {
        ReportIncomplete();
        return false;
    }
    std::vector<uint8_t> tail;
    ByteWriter w(tail);
    w.Text("idx1");
    w.U32(static_cast<uint32_t>(index_.size() * 16));
    for (const Entry& e : index_) {
        w.U32(e.ckid);
        w.U32(e.flags);
        w.U32(e.offset);
        w.U32(e.size);
    }
    std::vector<uint8_t> sizes;
    ByteWriter s(sizes);
    s.U32(static_cast<uint32_t>(end_ - moviList_ - 8));
    std::vector<uint8_t> riff;
    ByteWriter r(riff);
    r.U32(static_cast<uint32_t>(end_ + tail.size() - 8));
    const bool ok = WriteAt(end_, tail.data(), tail.size()) &&
                    WriteAt(moviList_ + 4, sizes.data(), 4) && WriteAt(4, riff.data(), 4) &&
                    std::fflush(file_) == 0 &&
                    ftruncate(fileno(file_), static_cast<off_t>(end_ + tail.size())) == 0;
    if (!ok) ReportIncomplete();
    return ok;
}

HRESULT OpenWriter(const std::string& hostPath, PAVIFILE* out) {
    FILE* f = std::fopen(hostPath.c_str(), "wb+");
    if (!f) return AVIERR_FILEOPEN;
    auto file = std::make_unique<WriteFile>(f, hostPath);
    if (!file->Begin()) return AVIERR_FILEWRITE;
    *out = file.release();
    return AVIERR_OK;
}

} // namespace platform::avi

namespace platform {

void SetAviWriteLimitForTests(uint64_t bytes) {
    avi::writeLimit = bytes ? bytes : uint64_t(1) << 30;
}

} // namespace platform
