// The delta-animation row codec on 800 x 600 16-bit frames in three cases
// (nothing changed, a tenth of the rows changed, everything changed):
// encoding each beside libavcodec's ZMBV encoder (compression level 0,
// motion range 1, RGB565LE) on the same frames, the unchanged frame beside
// glibc's memcmp of the pair, and decoding an all-changed frame (check,
// apply, copy out) beside one memcpy of it.
#include "../RatioReporter.h"
#include "media/animation/TDeltaCodec.h"
#include "ui/TEngine.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 800, kHeight = 600, kRowBytes = kWidth * 2;
constexpr int32_t kWords = kRowBytes / 4;
constexpr size_t kFrameBytes = size_t(kRowBytes) * kHeight;
constexpr int kRuns = 3;

enum Case { kUnchanged, kTenth, kAll };
const char* const kCaseNames[] = {"unchanged", "tenth", "all"};

std::vector<uint8_t> Scene(uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(kFrameBytes);
    for (size_t i = 0; i < out.size(); i += 2) {
        const uint16_t v = uint16_t((i / 2 % kWidth) / 8 * 33 + (i / kRowBytes) / 4 + rng() % 4);
        out[i] = uint8_t(v);
        out[i + 1] = uint8_t(v >> 8);
    }
    return out;
}

// The frame that follows `a` in a case.
std::vector<uint8_t> Next(const std::vector<uint8_t>& a, Case c) {
    std::vector<uint8_t> b = a;
    for (int32_t y = 0; y < kHeight; ++y) {
        if (c == kUnchanged || (c == kTenth && y % 10 != 3)) continue;
        for (int32_t i = 0; i < kRowBytes; ++i)
            b[size_t(y) * kRowBytes + i] ^= 0x5A;
    }
    return b;
}

struct Frames {
    std::vector<uint8_t> a, b;
    explicit Frames(Case c) : a(Scene(7)), b(Next(a, c)) {}
};

size_t EncodeFrame(const uint8_t* frame, uint32_t* previous, uint32_t* out) {
    size_t words = 0;
    for (int32_t y = 0; y < kHeight; ++y)
        words += TDeltaCodec::EncodeRow(frame + size_t(y) * kRowBytes, kRowBytes,
                                        previous + size_t(y) * kWords, kWords, false, out + words);
    return words;
}

void Encode(benchmark::State& state, Case c) {
    Frames f(c);
    std::vector<uint32_t> previous(size_t(kWords) * kHeight), out(previous.size() + 2 * kHeight);
    EncodeFrame(f.a.data(), previous.data(), out.data());
    bool second = true;
    for (auto _ : state) {
        size_t words = EncodeFrame((second ? f.b : f.a).data(), previous.data(), out.data());
        benchmark::DoNotOptimize(words);
        second = !second;
    }
}

void Zmbv(benchmark::State& state, Case c) {
    Frames f(c);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ZMBV);
    AVCodecContext* ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!ctx) {
        state.SkipWithError("no ZMBV encoder");
        return;
    }
    ctx->width = kWidth;
    ctx->height = kHeight;
    ctx->pix_fmt = AV_PIX_FMT_RGB565LE;
    ctx->time_base = {1, 10};
    ctx->gop_size = 1 << 30; // inter frames only after the first
    ctx->compression_level = 0;
    ctx->me_range = 1;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        state.SkipWithError("ZMBV encoder did not open");
    } else {
        frame->format = ctx->pix_fmt;
        frame->width = kWidth;
        frame->height = kHeight;
        frame->linesize[0] = kRowBytes;
        int64_t pts = 0;
        auto encode = [&](std::vector<uint8_t>& pixels) {
            frame->data[0] = pixels.data();
            frame->pts = pts++;
            avcodec_send_frame(ctx, frame);
            while (avcodec_receive_packet(ctx, packet) == 0)
                av_packet_unref(packet);
        };
        encode(f.a);
        bool second = true;
        for (auto _ : state) {
            encode(second ? f.b : f.a);
            second = !second;
        }
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
}

void Memcmp(benchmark::State& state) {
    const std::vector<uint8_t> a = Scene(7), b = a;
    for (auto _ : state) {
        int same = std::memcmp(a.data(), b.data(), kFrameBytes);
        benchmark::DoNotOptimize(same);
    }
}

void Decode(benchmark::State& state) {
    Frames f(kAll);
    std::vector<uint32_t> previous(size_t(kWords) * kHeight), out(previous.size() + 2 * kHeight);
    EncodeFrame(f.a.data(), previous.data(), out.data());
    const size_t words = EncodeFrame(f.b.data(), previous.data(), out.data());
    const auto* data = reinterpret_cast<const uint8_t*>(out.data());
    std::vector<uint8_t> picture(kFrameBytes);
    for (auto _ : state) {
        if (!TDeltaCodec::CheckFrame(data, words * 4, kHeight, kWords)) {
            state.SkipWithError("frame refused");
            break;
        }
        TDeltaCodec::ApplyFrame(data, kHeight, kWords, previous.data(), picture.data(), kRowBytes);
        benchmark::DoNotOptimize(picture.data());
    }
}

void Memcpy(benchmark::State& state) {
    const std::vector<uint8_t> a = Scene(7);
    std::vector<uint8_t> b(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), kFrameBytes);
        benchmark::DoNotOptimize(b.data());
    }
}

std::string Name(const char* what, Case c) {
    return std::string(what) + "/" + kCaseNames[c];
}

void Register() {
    for (Case c : {kUnchanged, kTenth, kAll}) {
        benchmark::RegisterBenchmark(Name("Encode", c).c_str(), Encode, c)->Repetitions(kRuns);
        benchmark::RegisterBenchmark(Name("Zmbv", c).c_str(), Zmbv, c)->Repetitions(kRuns);
    }
    benchmark::RegisterBenchmark("Memcmp", Memcmp)->Repetitions(kRuns);
    benchmark::RegisterBenchmark("Decode/all", Decode)->Repetitions(kRuns);
    benchmark::RegisterBenchmark("Memcpy", Memcpy)->Repetitions(kRuns);
}

// How many times `slow` takes as long as `fast`.
void PrintRatio(const RatioReporter& r, const std::string& fast, const std::string& slow,
                const char* reading) {
    auto a = r.times.find(fast), b = r.times.find(slow);
    if (a == r.times.end() || b == r.times.end() || a->second <= 0) return;
    std::printf("  %-18s %-18s %6.2fx  %s\n", slow.c_str(), fast.c_str(), b->second / a->second,
                reading);
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services for the run
    if (!StartBenchmarks(&argc, argv)) return 1;
    Register();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios (time of the first over time of the second):\n");
    for (Case c : {kUnchanged, kTenth, kAll})
        PrintRatio(reporter, Name("Encode", c), Name("Zmbv", c), "ZMBV over ours (want >= 20)");
    PrintRatio(reporter, "Memcmp", Name("Encode", kUnchanged), "ours over memcmp (want <= 2)");
    PrintRatio(reporter, "Memcpy", "Decode/all", "ours over memcpy (want <= 3)");
    benchmark::Shutdown();
    return 0;
}
