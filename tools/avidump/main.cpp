// avidump: opens an AVI file through the platform layer's AVIFile calls and
// prints the file and stream information as text. With OUTDIR it also writes
//   streamNN-FFFFF.pam  every frame of video stream NN (RGB, top row first)
//   streamNN.wav        audio stream NN as canonical PCM WAV
// so that files made by independent tools can check the layer.
//
//   avidump FILE [OUTDIR]
#include "WavWriter.h"
#include "platform/ByteStream.h"
#include "platform/Vfw.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string FourCC(DWORD v) {
    std::string s;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>(v >> (8 * i));
        s += (c >= 32 && c < 127) ? c : '.';
    }
    return s;
}

const char* ResultName(HRESULT hr) {
    static const struct {
        HRESULT code;
        const char* name;
    } names[] = {
        {AVIERR_FILEOPEN, "AVIERR_FILEOPEN"},         {AVIERR_FILEREAD, "AVIERR_FILEREAD"},
        {AVIERR_BADFORMAT, "AVIERR_BADFORMAT"},       {AVIERR_MEMORY, "AVIERR_MEMORY"},
        {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
    };
    for (const auto& n : names)
        if (n.code == hr) return n.name;
    return "error";
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) ok = std::fclose(f) == 0 && ok;
    if (!ok) std::fprintf(stderr, "avidump: cannot write %s\n", path.c_str());
    return ok;
}

std::string Name(const char* dir, int stream, int frame, const char* ext) {
    char name[64];
    if (frame < 0)
        std::snprintf(name, sizeof name, "/stream%02d.%s", stream, ext);
    else
        std::snprintf(name, sizeof name, "/stream%02d-%05d.%s", stream, frame, ext);
    return dir + std::string(name);
}

void PrintFile(const AVIFILEINFOA& f) {
    std::printf("file: type %s streams %u size %ux%u length %u rate %u/%u flags 0x%x "
                "max-bytes-per-sec %u buffer %u\n",
                f.szFileType, f.dwStreams, f.dwWidth, f.dwHeight, f.dwLength, f.dwRate, f.dwScale,
                f.dwFlags, f.dwMaxBytesPerSec, f.dwSuggestedBufferSize);
}

void PrintStream(int n, const AVISTREAMINFOA& s, const std::vector<uint8_t>& format) {
    std::printf("stream %d: type %s handler %s rate %u/%u start %u length %u sample-size %u "
                "quality %u buffer %u frame %d,%d,%d,%d name \"%s\"\n",
                n, FourCC(s.fccType).c_str(), FourCC(s.fccHandler).c_str(), s.dwRate, s.dwScale,
                s.dwStart, s.dwLength, s.dwSampleSize, s.dwQuality, s.dwSuggestedBufferSize,
                s.rcFrame.left, s.rcFrame.top, s.rcFrame.right, s.rcFrame.bottom, s.szName);
    platform::ByteReader r(format);
    if (s.fccType == streamtypeVIDEO) {
        r.U32();
        const int32_t w = r.S32(), h = r.S32();
        r.U16();
        const int bits = r.U16();
        const DWORD compression = r.U32();
        std::printf("  video: %dx%d bits %d compression %s (%u) format %zu bytes\n", w, h, bits,
                    compression > 3 ? FourCC(compression).c_str() : "rgb", compression,
                    format.size());
    } else if (s.fccType == streamtypeAUDIO) {
        const int tag = r.U16(), channels = r.U16();
        const uint32_t rate = r.U32();
        r.U32();
        const int align = r.U16(), bits = r.U16();
        std::printf("  audio: tag %d channels %d rate %u bits %d block %d format %zu bytes\n", tag,
                    channels, rate, bits, align, format.size());
    }
}

int DumpVideo(PAVISTREAM stream, int n, const AVISTREAMINFOA& s, const char* dir) {
    std::vector<uint8_t> format(40);
    LONG size = 40;
    AVIStreamReadFormat(stream, 0, format.data(), &size);
    platform::ByteReader r(format);
    r.U32();
    const int32_t width = r.S32(), stored = r.S32();
    const int32_t height = stored < 0 ? -stored : stored;
    BITMAPINFOHEADER wanted = {40, width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    PGETFRAME getter = AVIStreamGetFrameOpen(stream, &wanted);
    if (!getter) {
        std::printf("  no decoder\n");
        return 1;
    }
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    int failures = 0;
    for (DWORD i = 0; i < s.dwLength; ++i) {
        const uint8_t* dib =
            static_cast<const uint8_t*>(AVIStreamGetFrame(getter, LONG(s.dwStart + i)));
        if (!dib) {
            std::printf("  frame %u: not decoded\n", i);
            ++failures;
            continue;
        }
        std::vector<uint8_t> pam;
        platform::ByteWriter w(pam);
        w.Text("P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
               "\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n");
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* p = dib + 40 + y * stride + 3 * size_t(x);
                w.U8(p[2]);
                w.U8(p[1]);
                w.U8(p[0]);
            }
        if (!WriteFile(Name(dir, n, static_cast<int>(i), "pam"), pam)) {
            ++failures;
            break; // the folder refuses them all
        }
    }
    AVIStreamGetFrameClose(getter);
    return failures ? 1 : 0;
}

int DumpAudio(PAVISTREAM stream, int n, const char* dir) {
    LONG size = 0;
    AVIStreamReadFormat(stream, 0, nullptr, &size);
    std::vector<uint8_t> format(static_cast<size_t>(size));
    AVIStreamReadFormat(stream, 0, format.data(), &size);
    platform::ByteReader r(format);
    r.U16();
    const uint16_t channels = r.U16();
    const uint32_t rate = r.U32();
    r.U32();
    r.U16(); // the block size follows from channels and bits
    const uint16_t bits = r.U16();
    std::vector<uint8_t> pcm;
    LONG bytes = 0, samples = 0;
    const LONG length = AVIStreamLength(stream);
    if (AVIStreamRead(stream, AVIStreamStart(stream), length, nullptr, 0, &bytes, &samples) ==
        AVIERR_OK) {
        pcm.resize(static_cast<size_t>(bytes));
        AVIStreamRead(stream, AVIStreamStart(stream), length, pcm.data(), bytes, &bytes, &samples);
        pcm.resize(static_cast<size_t>(bytes));
    }
    return WriteFile(Name(dir, n, -1, "wav"), tools::PcmWav(channels, rate, bits, pcm)) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: avidump FILE [OUTDIR]\n");
        return 2;
    }
    std::error_code error;
    if (argc == 3 && !std::filesystem::is_directory(argv[2], error)) {
        std::fprintf(stderr, "avidump: %s is no folder to write the streams into\n", argv[2]);
        return 1;
    }
    AVIFileInit();
    PAVIFILE file = nullptr;
    const HRESULT opened = AVIFileOpenA(&file, argv[1], OF_READ, nullptr);
    if (opened != AVIERR_OK) {
        std::fprintf(stderr, "avidump: %s: %s (0x%08x)\n", argv[1], ResultName(opened),
                     static_cast<unsigned>(opened));
        AVIFileExit();
        return 1;
    }
    AVIFILEINFOA info;
    AVIFileInfoA(file, &info, sizeof info);
    PrintFile(info);
    int status = 0;
    PAVISTREAM stream = nullptr;
    for (int n = 0; AVIFileGetStream(file, &stream, 0, n) == AVIERR_OK; ++n) {
        AVISTREAMINFOA s;
        AVIStreamInfoA(stream, &s, sizeof s);
        LONG size = 0;
        AVIStreamReadFormat(stream, 0, nullptr, &size);
        std::vector<uint8_t> format(static_cast<size_t>(size));
        AVIStreamReadFormat(stream, 0, format.data(), &size);
        PrintStream(n, s, format);
        if (argc == 3 && s.fccType == streamtypeVIDEO) status |= DumpVideo(stream, n, s, argv[2]);
        if (argc == 3 && s.fccType == streamtypeAUDIO) status |= DumpAudio(stream, n, argv[2]);
        AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
    AVIFileExit();
    return status;
}
