// aniconv: reads an animation (ALB, AVI or DLA) through the engine's
// animation resource and writes what it delivers: every frame of the clip as
// OUTDIR/NNNN.pam (RGB, top row first) and an AVI's audio as OUTDIR/audio.wav
// (canonical PCM as stored), or with --raw as the bare bytes in
// OUTDIR/audio.raw; OUTDIR is made when missing. Prints one line describing
// the animation.
//
//   aniconv [--clip N] [--raw] IN OUTDIR
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "media/animation/TMetaAni.h"

#include "CommandLine.h"
#include "EngineReports.h"
#include "PictureRgb.h"
#include "WavWriter.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Options {
    int32_t clip = 0;
    bool raw = false;
    std::vector<std::string> files;
};

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The engine's own report of what went wrong, or a fallback.
std::string Reason(const char* fallback) {
    const std::string report = tools::NextEngineReport();
    return report.empty() ? fallback : report;
}

const char* KindName(TMetaAni::Kind kind) {
    static const char* const names[] = {"none", "alb", "avi", "dla"};
    return names[kind];
}

int WriteFrames(TMetaAni& ani, const Options& o, const std::string& dir) {
    const int32_t count = ani.GetFrameCount(o.clip);
    for (int32_t i = 0; i < count; ++i) {
        if (!ani.ReadFrame(i, o.clip)) {
            std::fprintf(stderr, "aniconv: frame %d: %s\n", i, Reason("not read").c_str());
            return 1;
        }
        tools::RgbPicture picture;
        tools::UnpackBitmap(*ani.GetPixelFormat(), &picture);
        ani.FreeFrame();
        char name[32];
        std::snprintf(name, sizeof name, "/%04d.pam", i);
        if (!WriteFile(dir + name, tools::WritePam(picture))) {
            std::fprintf(stderr, "aniconv: cannot write %s%s\n", dir.c_str(), name);
            return 1;
        }
    }
    return 0;
}

int WriteAudio(TMetaAni& ani, const Options& o, const std::string& dir) {
    if (!ani.HasAudio() || ani.GetAudioLength() <= 0) return 0;
    const int64_t length = ani.GetAudioLength();
    if (length > INT32_MAX || !ani.ReadAudio(0, static_cast<int32_t>(length), 0)) {
        std::fprintf(stderr, "aniconv: audio: %s\n", Reason("not read").c_str());
        return 1;
    }
    const uint8_t* data = ani.GetAudioData();
    std::vector<uint8_t> bytes(data, data + length);
    const std::string path = dir + (o.raw ? "/audio.raw" : "/audio.wav");
    if (!o.raw)
        bytes = tools::PcmWav(uint16_t(ani.GetAudioChannels()), uint32_t(ani.GetAudioRate()),
                              uint16_t(ani.GetAudioBits()), bytes);
    if (!WriteFile(path, bytes)) {
        std::fprintf(stderr, "aniconv: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

// An album's entries are its clips; a film has one.
int32_t ClipCount(TMetaAni& ani) {
    return ani.GetKind() == TMetaAni::kAlbum ? ani.TAlbum::EntryCount() : 1;
}

int Convert(const Options& o) {
    TMetaAni ani;
    ani.SetPath(o.files[0].c_str());
    if (ani.GetKind() == TMetaAni::kNone || !ani.Open(1)) {
        std::fprintf(stderr, "aniconv: %s: %s\n", o.files[0].c_str(),
                     Reason("cannot be opened").c_str());
        return 1;
    }
    const int32_t clips = ClipCount(ani);
    if (o.clip >= clips || ani.GetFrameCount(o.clip) <= 0) {
        // Nothing to write is a failure, not "frames 0".
        const std::string reason =
            clips > 0 && o.clip >= clips
                ? "clip " + std::to_string(o.clip) + " out of " + std::to_string(clips)
                : Reason("no frames");
        std::fprintf(stderr, "aniconv: %s: %s\n", o.files[0].c_str(), reason.c_str());
        ani.Close();
        return 1;
    }
    std::printf("%s: %s clip %d frames %d size %dx%d rate %g", o.files[0].c_str(),
                KindName(ani.GetKind()), o.clip, ani.GetFrameCount(o.clip), ani.GetWidth(o.clip),
                ani.GetHeight(o.clip), ani.GetRate(o.clip));
    if (ani.HasAudio())
        std::printf(" audio %d ch %d Hz %d bits %lld bytes", ani.GetAudioChannels(),
                    ani.GetAudioRate(), ani.GetAudioBits(),
                    static_cast<long long>(ani.GetAudioLength()));
    std::printf("\n");
    int status = WriteFrames(ani, o, o.files[1]);
    if (status == 0) status = WriteAudio(ani, o, o.files[1]);
    ani.Close();
    return status;
}

int Usage() {
    std::fprintf(stderr, "usage: aniconv [--clip N] [--raw] IN OUTDIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    Options o;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--clip") == 0 && i + 1 < argc) {
            if (!tools::ParseNumber(argv[++i], 0, INT32_MAX, &o.clip)) {
                std::fprintf(stderr, "aniconv: --clip takes a whole number from 0, not \"%s\"\n",
                             argv[i]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--raw") == 0) {
            o.raw = true;
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return Usage();
        } else {
            o.files.emplace_back(argv[i]);
        }
    }
    if (o.files.size() != 2) return Usage();
    std::error_code error;
    std::filesystem::create_directories(o.files[1], error);
    if (error) {
        std::fprintf(stderr, "aniconv: cannot make %s\n", o.files[1].c_str());
        return 1;
    }
    TCache::Global().Start();
    const int status = Convert(o);
    TCache::Global().Stop();
    return status;
}
