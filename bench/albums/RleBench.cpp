// The album decoders on an 800 x 600 picture (a rendered-room mix of flat
// areas, gradients and noise): TRleCodec::Decode8 beside libtiff's PackBits
// decoding of the same 8-bit picture, then Decode16, Decode24 and
// DecodeRows16, each checked to give the picture back. Items per second are
// pixels.
#include "../EngineBenchMain.h"
#include "AlbumWriter.h"
#include "media/resources/TRleCodec.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int32_t kWidth = 800, kHeight = 600, kPixels = kWidth * kHeight;

std::vector<uint8_t> Picture8() {
    std::mt19937 rng(11);
    std::vector<uint8_t> out(kPixels);
    for (int32_t i = 0; i < kPixels; ++i) {
        int32_t x = i % kWidth, y = i / kWidth;
        uint8_t v = y > 400 ? 20 : static_cast<uint8_t>(x / 25 + y / 40);
        if (y < 200 && rng() % 8 == 0) v = static_cast<uint8_t>(rng());
        out[static_cast<size_t>(i)] = v;
    }
    return out;
}

std::vector<uint8_t> Picture16() {
    std::vector<uint8_t> p8 = Picture8(), out;
    for (uint8_t v : p8) {
        uint16_t w = static_cast<uint16_t>(v * 257 / 8);
        out.push_back(static_cast<uint8_t>(w));
        out.push_back(static_cast<uint8_t>(w >> 8));
    }
    return out;
}

std::vector<uint8_t> Picture24() {
    std::vector<uint8_t> p8 = Picture8(), out;
    for (uint8_t v : p8) {
        out.push_back(v);
        out.push_back(static_cast<uint8_t>(v / 2));
        out.push_back(static_cast<uint8_t>(255 - v));
    }
    return out;
}

// One album decoder over the picture packed with `pixelBytes`-byte pixels;
// the picture must come back as it was.
using Decoder = int (TRleCodec::*)(const uint8_t*, uint8_t*, int32_t, int32_t);
void DecodeRuns(benchmark::State& state, const std::vector<uint8_t>& picture, int pixelBytes,
                Decoder decode) {
    std::vector<uint8_t> packed = tools::PackRunLength(picture, pixelBytes);
    std::vector<uint8_t> out(picture.size());
    const auto size = static_cast<int32_t>(packed.size());
    const auto room = static_cast<int32_t>(out.size());
    TRleCodec codec;
    for (auto _ : state) {
        int ok = (codec.*decode)(packed.data(), out.data(), size, room);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(out.data());
    }
    if (out != picture) state.SkipWithError("decoded another picture");
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_Decode8(benchmark::State& state) {
    DecodeRuns(state, Picture8(), 1, &TRleCodec::Decode8);
}

void BM_LibtiffPackBits8(benchmark::State& state) {
    std::string path = (std::filesystem::temp_directory_path() / "rle_bench.tif").string();
    std::vector<uint8_t> picture = Picture8();
    TIFF* out = TIFFOpen(path.c_str(), "w");
    if (!out) {
        state.SkipWithError("cannot write the TIFF");
        return;
    }
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_PACKBITS);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, kHeight);
    TIFFWriteEncodedStrip(out, 0, picture.data(), kPixels);
    TIFFClose(out);
    TIFF* in = TIFFOpen(path.c_str(), "rm"); // mapped: decoding, not reading
    std::vector<uint8_t> decoded(kPixels);
    for (auto _ : state) {
        tmsize_t n = TIFFReadEncodedStrip(in, 0, decoded.data(), kPixels);
        benchmark::DoNotOptimize(n);
    }
    if (decoded != picture) state.SkipWithError("libtiff decoded another picture");
    TIFFClose(in);
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kPixels);
}

void BM_Decode16(benchmark::State& state) {
    DecodeRuns(state, Picture16(), 2, &TRleCodec::Decode16);
}

void BM_Decode24(benchmark::State& state) {
    DecodeRuns(state, Picture24(), 3, &TRleCodec::Decode24);
}

void BM_DecodeRows16(benchmark::State& state) {
    std::vector<uint8_t> picture = Picture16();
    uint16_t fill = static_cast<uint16_t>(picture[0] | picture[1] << 8);
    std::vector<uint8_t> packed = tools::PackSkipFill(picture, kWidth, kHeight, 2, fill);
    auto c = tools::FillComponents(fill);
    std::vector<uint8_t> out(kPixels * 2);
    TRleCodec codec;
    for (auto _ : state) {
        int ok = codec.DecodeRows16(packed.data(), out.data(), kHeight, c[0], c[1], c[2],
                                    static_cast<int32_t>(packed.size()), kPixels * 2);
        benchmark::DoNotOptimize(ok);
    }
    state.SetItemsProcessed(state.iterations() * kPixels);
}

BENCHMARK(BM_Decode8);
BENCHMARK(BM_LibtiffPackBits8);
BENCHMARK(BM_Decode16);
BENCHMARK(BM_Decode24);
BENCHMARK(BM_DecodeRows16);

} // namespace

ENGINE_BENCHMARK_MAIN()
