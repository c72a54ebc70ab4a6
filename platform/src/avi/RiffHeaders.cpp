// The RIFF structure of an AVI file: main and stream headers, formats, names
// and where each stream's chunks lie. Read with the byte reader and bounded
// by the file, so a damaged file is refused or cut short, never over-read.
#include "AviInternal.h"

#include "platform/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace platform::avi {

FileSource::FileSource(FILE* file) : file_(file) {
    if (file_ && fseeko(file_, 0, SEEK_END) == 0) {
        const off_t end = ftello(file_);
        size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
}

FileSource::~FileSource() {
    if (file_) std::fclose(file_);
}

bool FileSource::ReadAt(uint64_t offset, void* out, size_t count) {
    if (!file_ || offset > size_ || count > size_ - offset) return false;
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return std::fread(out, 1, count, file_) == count;
}

bool MemorySource::ReadAt(uint64_t offset, void* out, size_t count) {
    if (offset > size_ || count > size_ - offset) return false;
    if (count) std::memcpy(out, data_ + offset, count); // an empty read may have no buffer
    return true;
}

std::vector<uint8_t> PcmFormat(int channels, int rate, int bits) {
    std::vector<uint8_t> f;
    ByteWriter w(f);
    const int align = channels * bits / 8;
    w.U16(kWavePcm);
    w.U16(static_cast<uint16_t>(channels));
    w.U32(static_cast<uint32_t>(rate));
    w.U32(static_cast<uint32_t>(rate * align));
    w.U16(static_cast<uint16_t>(align));
    w.U16(static_cast<uint16_t>(bits));
    w.U16(0);
    return f;
}

namespace {

constexpr uint32_t Tag(const char (&s)[5]) {
    return uint32_t(uint8_t(s[0])) | (uint32_t(uint8_t(s[1])) << 8) |
           (uint32_t(uint8_t(s[2])) << 16) | (uint32_t(uint8_t(s[3])) << 24);
}
constexpr uint32_t kRiff = Tag("RIFF"), kAvi = Tag("AVI "), kList = Tag("LIST"),
                   kHdrl = Tag("hdrl"), kStrl = Tag("strl"), kAvih = Tag("avih"),
                   kStrh = Tag("strh"), kStrf = Tag("strf"), kStrn = Tag("strn"),
                   kMovi = Tag("movi"), kIdx1 = Tag("idx1"), kRec = Tag("rec ");

// Headers larger than this are damaged, not large.
constexpr uint64_t kMaxHeaderList = 16u << 20;

// The stream number of a chunk id ("01wb" is stream 1; Windows writes the
// digits in hexadecimal), or -1.
int StreamOf(uint32_t ckid) {
    int n = 0;
    for (int i = 0; i < 2; ++i) {
        const int c = static_cast<int>((ckid >> (8 * i)) & 0xFF);
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return -1;
        n = n * 16 + d;
    }
    return n;
}

bool IsPaletteChange(uint32_t ckid) {
    return ((ckid >> 16) & 0xFFFF) == (uint32_t('p') | (uint32_t('c') << 8));
}

void ParseStreamHeader(ByteReader r, AVISTREAMINFOA& info) {
    info.fccType = r.U32();
    info.fccHandler = r.U32();
    info.dwFlags = r.U32();
    info.wPriority = r.U16();
    info.wLanguage = r.U16();
    info.dwInitialFrames = r.U32();
    info.dwScale = r.U32();
    info.dwRate = r.U32();
    info.dwStart = r.U32();
    info.dwLength = r.U32();
    info.dwSuggestedBufferSize = r.U32();
    info.dwQuality = r.U32();
    info.dwSampleSize = r.U32();
    if (r.Remaining() >= 8) {
        info.rcFrame.left = r.S16();
        info.rcFrame.top = r.S16();
        info.rcFrame.right = r.S16();
        info.rcFrame.bottom = r.S16();
    }
    info.dwCaps = AVIFILECAPS_CANREAD;
}

bool ParseStreamList(ByteReader r, StreamHeaders& s) {
    bool haveHeader = false;
    while (r.Remaining() >= 8) {
        const uint32_t id = r.U32();
        const uint32_t size = r.U32();
        const uint8_t* body = r.Take(size);
        if (!body) return false;
        if (size & 1) r.Skip(1);
        if (id == kStrh && size >= 48) {
            ParseStreamHeader(ByteReader(body, size), s.info);
            haveHeader = true;
        } else if (id == kStrf) {
            s.format.assign(body, body + size);
        } else if (id == kStrn) {
            const size_t n = std::min<size_t>(size, sizeof s.info.szName - 1);
            std::memcpy(s.info.szName, body, n);
            s.info.szName[n] = 0;
        }
    }
    return haveHeader;
}

HRESULT ParseHeaderList(ByteReader r, FileHeaders& out) {
    bool haveMain = false;
    while (r.Remaining() >= 8) {
        const uint32_t id = r.U32();
        const uint32_t size = r.U32();
        const uint8_t* body = r.Take(size);
        if (!body) return AVIERR_BADFORMAT;
        if (size & 1) r.Skip(1);
        if (id == kAvih && size >= 40) {
            ByteReader h(body, size);
            out.microSecPerFrame = h.U32();
            out.maxBytesPerSec = h.U32();
            h.U32(); // padding granularity
            out.flags = h.U32();
            out.totalFrames = h.U32();
            h.U32(); // initial frames
            out.streams = h.U32();
            out.suggestedBufferSize = h.U32();
            out.width = h.U32();
            out.height = h.U32();
            haveMain = true;
        } else if (id == kList && size >= 4 && ByteReader(body, 4).U32() == kStrl) {
            StreamHeaders s;
            if (!ParseStreamList(ByteReader(body + 4, size - 4), s)) return AVIERR_BADFORMAT;
            out.list.push_back(std::move(s));
        }
    }
    return haveMain ? AVIERR_OK : AVIERR_BADFORMAT;
}

struct Layout {
    uint64_t hdrlStart = 0, hdrlSize = 0;
    bool haveHdrl = false;
    uint64_t moviTag = 0, moviEnd = 0; // moviTag: the position of "movi"
    bool haveMovi = false;
    uint64_t idx1Start = 0, idx1Size = 0;
    bool haveIdx1 = false;
};

// Walks the top-level chunks of the RIFF form.
HRESULT FindLists(Source& src, Layout& l, bool& cut) {
    const uint64_t fileSize = src.Size();
    uint8_t head[12];
    if (!src.ReadAt(0, head, 12)) return AVIERR_FILEREAD;
    ByteReader h(head, 12);
    const uint32_t riff = h.U32();
    const uint64_t riffSize = h.U32();
    if (riff != kRiff || h.U32() != kAvi) return AVIERR_BADFORMAT;
    cut = 8 + riffSize > fileSize;
    const uint64_t end = std::min<uint64_t>(8 + riffSize, fileSize);
    uint64_t pos = 12;
    while (pos + 8 <= end) {
        uint8_t ck[12] = {};
        src.ReadAt(pos, ck, std::min<uint64_t>(12, fileSize - pos));
        ByteReader c(ck, 12);
        const uint32_t id = c.U32();
        const uint64_t size = c.U32();
        const uint32_t type = c.U32();
        if (id == kList && type == kHdrl && !l.haveHdrl) {
            if (pos + 8 + size > fileSize) return AVIERR_FILEREAD;
            if (size < 4 || size > kMaxHeaderList) return AVIERR_BADFORMAT;
            l.hdrlStart = pos + 12;
            l.hdrlSize = size - 4;
            l.haveHdrl = true;
        } else if (id == kList && type == kMovi && !l.haveMovi) {
            l.moviTag = pos + 8;
            l.moviEnd = std::min<uint64_t>(pos + 8 + size, fileSize);
            l.haveMovi = size >= 4;
        } else if (id == kIdx1 && !l.haveIdx1) {
            l.idx1Start = pos + 8;
            l.idx1Size = std::min<uint64_t>(size, fileSize - std::min(fileSize, pos + 8));
            l.haveIdx1 = true;
        }
        pos += 8 + size + (size & 1);
    }
    return AVIERR_OK;
}

void AddChunk(FileHeaders& out, uint32_t ckid, const Chunk& c, uint64_t fileSize) {
    const int n = StreamOf(ckid);
    if (n < 0 || static_cast<size_t>(n) >= out.list.size() || IsPaletteChange(ckid)) return;
    StreamHeaders& s = out.list[n];
    if (c.offset > fileSize || c.size > fileSize - c.offset) s.truncated = true;
    s.chunks.push_back(c);
}

// The index's offsets count from the "movi" tag or from the file's start;
// the first entry whose chunk id can be found tells which.
uint64_t IndexBase(Source& src, const Layout& l, ByteReader r) {
    while (r.Remaining() >= 16) {
        const uint32_t ckid = r.U32();
        r.U32();
        const uint32_t offset = r.U32();
        r.U32();
        if (StreamOf(ckid) < 0) continue;
        uint8_t id[4];
        if (src.ReadAt(l.moviTag + offset, id, 4) && ByteReader(id, 4).U32() == ckid)
            return l.moviTag;
        if (src.ReadAt(offset, id, 4) && ByteReader(id, 4).U32() == ckid) return 0;
        break;
    }
    return l.moviTag;
}

bool ReadIndex(Source& src, const Layout& l, FileHeaders& out) {
    if (l.idx1Size < 16) return false;
    std::vector<uint8_t> index(static_cast<size_t>(l.idx1Size));
    if (!src.ReadAt(l.idx1Start, index.data(), index.size())) return false;
    const uint64_t base = IndexBase(src, l, ByteReader(index));
    ByteReader r(index);
    while (r.Remaining() >= 16) {
        const uint32_t ckid = r.U32();
        Chunk c;
        c.flags = r.U32();
        c.offset = base + r.U32() + 8;
        c.size = r.U32();
        if (!(c.flags & AVIIF_LIST)) AddChunk(out, ckid, c, src.Size());
    }
    return true;
}

// Without an index, the chunks are found by walking the movi list (and the
// "rec " lists inside it); a chunk cut by the file's end is left out.
void WalkMovi(Source& src, const Layout& l, FileHeaders& out) {
    uint64_t pos = l.moviTag + 4;
    uint64_t end = l.moviEnd;
    while (pos + 8 <= end) {
        uint8_t ck[12] = {};
        if (!src.ReadAt(pos, ck, 8)) break;
        src.ReadAt(pos + 8, ck + 8, 4);
        ByteReader c(ck, 12);
        const uint32_t id = c.U32();
        const uint32_t size = c.U32();
        if (id == kList && c.U32() == kRec) {
            pos += 12; // step into the list
            continue;
        }
        if (pos + 8 + size > end) break;
        AddChunk(out, id, Chunk{pos + 8, size, 0}, src.Size());
        pos += 8 + uint64_t(size) + (size & 1);
    }
}

} // namespace

HRESULT ReadHeaders(Source& src, FileHeaders& out) {
    Layout l;
    bool cut = false;
    const HRESULT found = FindLists(src, l, cut);
    if (found != AVIERR_OK) return found;
    if (!l.haveHdrl || !l.haveMovi) return cut ? AVIERR_FILEREAD : AVIERR_BADFORMAT;
    std::vector<uint8_t> hdrl(static_cast<size_t>(l.hdrlSize));
    if (!src.ReadAt(l.hdrlStart, hdrl.data(), hdrl.size())) return AVIERR_FILEREAD;
    const HRESULT parsed = ParseHeaderList(ByteReader(hdrl), out);
    if (parsed != AVIERR_OK) return parsed;
    if (!(l.haveIdx1 && ReadIndex(src, l, out))) WalkMovi(src, l, out);
    return AVIERR_OK;
}

} // namespace platform::avi
