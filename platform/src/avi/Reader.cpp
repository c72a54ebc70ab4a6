// Files opened for reading: our own headers and chunk index, with libavformat
// naming each stream's codec and decoding compressed audio once.
#include "Reader.h"

#include "Decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstring>

namespace platform::avi {

ReadStream::ReadStream(ReadFile* file, StreamHeaders headers, AVCodecParameters* codec)
    : FileStream(file), reader_(file), chunks_(std::move(headers.chunks)), codec_(codec) {
    info = headers.info;
    format = std::move(headers.format);
    if (info.fccType == kTypeAudio) {
        blockAlign_ = Le16(format, 12) ? Le16(format, 12) : std::max<DWORD>(info.dwSampleSize, 1);
        chunkStarts_.reserve(chunks_.size());
        for (const Chunk& c : chunks_) {
            chunkStarts_.push_back(audioBytes_);
            audioBytes_ += c.size;
        }
    }
}

ReadStream::~ReadStream() {
    avcodec_parameters_free(&codec_);
}

void ReadStream::UsePcm(std::vector<uint8_t> pcm, int channels, int rate) {
    pcm_ = std::move(pcm);
    usePcm_ = true;
    format = PcmFormat(channels, rate, 16);
    blockAlign_ = static_cast<DWORD>(channels * 2);
    info.dwScale = 1;
    info.dwRate = static_cast<DWORD>(rate);
    info.dwSampleSize = blockAlign_;
    info.dwLength = static_cast<DWORD>(pcm_.size() / blockAlign_);
    info.dwSuggestedBufferSize =
        std::min<DWORD>(info.dwLength, static_cast<DWORD>(rate)) * blockAlign_;
}

long ReadStream::Filled(long index) const {
    for (long i = std::min<long>(index, static_cast<long>(chunks_.size()) - 1); i >= 0; --i)
        if (chunks_[i].size) return i;
    return -1;
}

bool ReadStream::ReadChunk(size_t index, std::vector<uint8_t>& out) {
    if (index >= chunks_.size()) return false;
    const Chunk& c = chunks_[index];
    // The index's sizes are checked against the file before any memory is taken.
    const uint64_t fileSize = reader_->Bytes().Size();
    if (c.offset > fileSize || c.size > fileSize - c.offset) return false;
    out.resize(c.size);
    return reader_->Bytes().ReadAt(c.offset, out.data(), c.size);
}

Decoder* ReadStream::OpenDecoder() {
    return info.fccType == kTypeVideo ? Decoder::Open(*this, codec_).release() : nullptr;
}

bool ReadStream::IsKey(LONG pos) {
    const long index = static_cast<long>(pos) - static_cast<long>(info.dwStart);
    if (index < 0 || index >= static_cast<long>(chunks_.size())) return false;
    return (chunks_[index].flags & AVIIF_KEYFRAME) != 0;
}

HRESULT ReadStream::Read(LONG start, LONG samples, void* buffer, LONG size, LONG* bytes,
                         LONG* samplesRead) {
    if (bytes) *bytes = 0;
    if (samplesRead) *samplesRead = 0;
    if (size < 0) return AVIERR_BADPARAM;
    if (info.fccType == kTypeAudio && (info.dwSampleSize || usePcm_))
        return ReadAudio(start, samples, buffer, size, bytes, samplesRead);
    return ReadVideo(start, buffer, size, bytes, samplesRead);
}

HRESULT ReadStream::ReadVideo(LONG start, void* buffer, LONG size, LONG* bytes, LONG* samplesRead) {
    const int64_t pos = int64_t(start) - info.dwStart;
    if (pos < 0) return AVIERR_BADPARAM;
    if (pos >= static_cast<int64_t>(chunks_.size()))
        return pos < int64_t(info.dwLength) ? AVIERR_FILEREAD : AVIERR_NODATA;
    // A dropped frame is stored as an empty chunk: it shows the one before.
    const long index = Filled(static_cast<long>(pos));
    const uint32_t need = index < 0 ? 0 : chunks_[index].size;
    const uint64_t fileSize = reader_->Bytes().Size();
    if (index >= 0 && (chunks_[index].offset > fileSize || need > fileSize - chunks_[index].offset))
        return AVIERR_FILEREAD; // the index names bytes the file does not have
    if (buffer) {
        if (static_cast<uint32_t>(size) < need) return AVIERR_BUFFERTOOSMALL;
        if (need && !reader_->Bytes().ReadAt(chunks_[index].offset, buffer, need))
            return AVIERR_FILEREAD;
    }
    if (bytes) *bytes = static_cast<LONG>(need);
    if (samplesRead) *samplesRead = 1;
    return AVIERR_OK;
}

bool ReadStream::CopyBytes(uint64_t from, uint64_t count, uint8_t* out) {
    if (usePcm_) {
        if (from > pcm_.size() || count > pcm_.size() - from) return false;
        std::memcpy(out, pcm_.data() + from, count);
        return true;
    }
    auto it = std::upper_bound(chunkStarts_.begin(), chunkStarts_.end(), from);
    size_t i = static_cast<size_t>(it - chunkStarts_.begin()) - 1;
    while (count) {
        if (i >= chunks_.size()) return false;
        const uint64_t inChunk = from - chunkStarts_[i];
        const uint64_t n = std::min<uint64_t>(count, chunks_[i].size - inChunk);
        if (n && !reader_->Bytes().ReadAt(chunks_[i].offset + inChunk, out, n)) return false;
        out += n;
        from += n;
        count -= n;
        ++i;
    }
    return true;
}

HRESULT ReadStream::ReadAudio(LONG start, LONG samples, void* buffer, LONG size, LONG* bytes,
                              LONG* samplesRead) {
    const uint64_t total = (usePcm_ ? pcm_.size() : audioBytes_) / blockAlign_;
    const int64_t first = int64_t(start) - info.dwStart;
    if (first < 0 || (samples < 0 && samples != AVISTREAMREAD_CONVENIENT)) return AVIERR_BADPARAM;
    if (static_cast<uint64_t>(first) >= total) return AVIERR_OK; // nothing left
    uint64_t count = total - static_cast<uint64_t>(first);
    if (samples != AVISTREAMREAD_CONVENIENT) count = std::min<uint64_t>(count, samples);
    if (buffer) {
        const uint64_t fits = static_cast<uint64_t>(size) / blockAlign_;
        if (!fits && count) return AVIERR_BUFFERTOOSMALL;
        count = std::min(count, fits);
        if (!CopyBytes(static_cast<uint64_t>(first) * blockAlign_, count * blockAlign_,
                       static_cast<uint8_t*>(buffer)))
            return AVIERR_FILEREAD;
    }
    count = std::min<uint64_t>(count, 0x7FFFFFFF / blockAlign_);
    if (bytes) *bytes = static_cast<LONG>(count * blockAlign_);
    if (samplesRead) *samplesRead = static_cast<LONG>(count);
    return AVIERR_OK;
}

ReadFile::~ReadFile() {
    streams_.clear();
    avformat_close_input(&format_);
}

HRESULT ReadFile::Open(const std::string& hostPath) {
    const HRESULT read = ReadHeaders(*source_, headers_);
    if (read != AVIERR_OK) return read;
    RouteFfmpegLog();
    // Only the AVI demuxer and only plain files: a name never becomes a URL
    // or a list of files.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const std::string url = "file:" + hostPath;
    const int opened =
        avformat_open_input(&format_, url.c_str(), av_find_input_format("avi"), &options);
    av_dict_free(&options);
    if (opened < 0) {
        format_ = nullptr;
        return AVIERR_BADFORMAT;
    }
    return MapStreams(headers_);
}

// Our streams in file order meet the demuxer's by kind: the n-th video
// stream of the file is the demuxer's n-th video stream.
HRESULT ReadFile::MapStreams(FileHeaders& headers) {
    int seen[2] = {0, 0};
    for (StreamHeaders& s : headers.list) {
        const bool video = s.info.fccType == kTypeVideo;
        if (!video && s.info.fccType != kTypeAudio) continue;
        const AVMediaType kind = video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO;
        int wanted = seen[video ? 0 : 1]++;
        AVStream* match = nullptr;
        for (unsigned i = 0; i < format_->nb_streams && !match; ++i)
            if (format_->streams[i]->codecpar->codec_type == kind && wanted-- == 0)
                match = format_->streams[i];
        if (!match || match->codecpar->codec_id == AV_CODEC_ID_NONE) return AVIERR_BADFORMAT;
        if (s.format.size() < (video ? 40u : 14u)) return AVIERR_BADFORMAT;
        if (video && !SizeAllowed(static_cast<int32_t>(Le32(s.format, 4)),
                                  static_cast<int32_t>(Le32(s.format, 8))))
            return AVIERR_BADFORMAT;
        AVCodecParameters* codec = avcodec_parameters_alloc();
        if (!codec || avcodec_parameters_copy(codec, match->codecpar) < 0) {
            avcodec_parameters_free(&codec);
            return AVIERR_MEMORY;
        }
        const bool compressedAudio = !video && Le16(s.format, 0) != kWavePcm;
        auto stream = std::make_unique<ReadStream>(this, std::move(s), codec);
        if (compressedAudio) {
            std::vector<uint8_t> pcm;
            int channels = 0, rate = 0;
            if (!DecodeAudio(format_, match->index, pcm, channels, rate)) return AVIERR_BADFORMAT;
            stream->UsePcm(std::move(pcm), channels, rate);
        }
        streams_.push_back(std::move(stream));
    }
    return AVIERR_OK;
}

void ReadFile::Info(AVIFILEINFOA& out) {
    out = AVIFILEINFOA{};
    out.dwMaxBytesPerSec = headers_.maxBytesPerSec;
    out.dwFlags = headers_.flags;
    out.dwCaps = AVIFILECAPS_CANREAD;
    out.dwStreams = headers_.streams;
    out.dwSuggestedBufferSize = headers_.suggestedBufferSize;
    out.dwWidth = headers_.width;
    out.dwHeight = headers_.height;
    out.dwScale = headers_.microSecPerFrame;
    out.dwRate = 1000000;
    out.dwLength = headers_.totalFrames;
    std::strcpy(out.szFileType, "AVI");
}

HRESULT ReadFile::GetStream(PAVISTREAM* stream, DWORD type, LONG index) {
    for (auto& s : streams_)
        if ((!type || s->info.fccType == type) && index-- == 0) {
            s->AddRef();
            *stream = s.get();
            return AVIERR_OK;
        }
    return AVIERR_NODATA;
}

HRESULT OpenReader(const std::string& hostPath, PAVIFILE* out) {
    FILE* f = std::fopen(hostPath.c_str(), "rb");
    if (!f) return AVIERR_FILEOPEN;
    auto file = std::make_unique<ReadFile>(std::make_unique<FileSource>(f));
    const HRESULT opened = file->Open(hostPath);
    if (opened != AVIERR_OK) return opened;
    *out = file.release();
    return AVIERR_OK;
}

} // namespace platform::avi
