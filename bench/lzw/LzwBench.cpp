// Decoding 20 MB of LZW and LZW16 data (text and 16-bit pictures) with the
// engine's decoders, beside Debian's `uncompress` (ncompress) on the same
// data packed by `compress`, as a yardstick. Each figure is MB of decoded
// output per second.
#include "LzwEncoder.h"
#include "foundation/TLzw16Codec.h"
#include "foundation/TLzwCodec.h"
#include "../EngineBenchMain.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t kSize = 20u << 20;

std::vector<uint8_t> MakeText() {
    static const char* words[] = {"the ",    "room ",  "door ",    "key ",       "opens ",
                                  "Lua ",    "actor ", "walks ",   "to ",        "table, ",
                                  "and\r\n", "Hello ", "world ",   "inventory ", "dialog. ",
                                  "camera ", "sky ",   "[12]\r\n", "Yes ",       "No "};
    std::mt19937 rng(42);
    std::vector<uint8_t> out;
    out.reserve(kSize);
    while (out.size() < kSize) {
        const char* w = words[rng() % 20];
        out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    }
    out.resize(kSize);
    return out;
}

// 800 x 600 pictures of 5:6:5 pixels: gradients, flat areas and a little
// noise, like rendered room backgrounds.
std::vector<uint8_t> MakePicture() {
    std::mt19937 rng(7);
    std::vector<uint8_t> out;
    out.reserve(kSize);
    for (uint32_t i = 0; out.size() < kSize; ++i) {
        uint32_t x = i % 800, y = (i / 800) % 600, frame = i / (800 * 600);
        uint32_t r = (x / 25 + frame) & 31, g = (y / 10) & 63, b = ((x + y) / 40) & 31;
        if (y > 400) g = 20; // a flat floor
        if (rng() % 16 == 0) b ^= 1;
        uint16_t pixel = static_cast<uint16_t>((r << 11) | (g << 5) | b);
        out.push_back(static_cast<uint8_t>(pixel));
        out.push_back(static_cast<uint8_t>(pixel >> 8));
    }
    out.resize(kSize);
    return out;
}

const std::vector<uint8_t>& Data(int kind) {
    static const std::vector<uint8_t> text = MakeText();
    static const std::vector<uint8_t> picture = MakePicture();
    return kind == 0 ? text : picture;
}

const std::vector<uint8_t>& Packed(int method, int kind) {
    static std::vector<uint8_t> cache[2][2];
    std::vector<uint8_t>& packed = cache[method][kind];
    if (packed.empty())
        packed = method == 0 ? tools::EncodeLzw(Data(kind)) : tools::EncodeLzw16(Data(kind));
    return packed;
}

template <class Codec> void DecodeMemory(benchmark::State& state, int method) {
    int kind = static_cast<int>(state.range(0));
    const std::vector<uint8_t>& packed = Packed(method, kind);
    std::vector<uint8_t> out(kSize);
    Codec codec;
    for (auto _ : state) {
        int32_t capacity = static_cast<int32_t>(out.size());
        codec.Decode(packed.data(), static_cast<int32_t>(packed.size()), out.data(), &capacity);
        benchmark::DoNotOptimize(out.data());
        if (capacity != static_cast<int32_t>(kSize)) state.SkipWithError("short output");
    }
    if (out != Data(kind)) state.SkipWithError("wrong output");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
    state.SetLabel(kind == 0 ? "text" : "16-bit picture");
    state.counters["ratio"] = static_cast<double>(packed.size()) / kSize;
}

template <class Codec> void DecodeFile(benchmark::State& state, int method) {
    int kind = static_cast<int>(state.range(0));
    const std::vector<uint8_t>& packed = Packed(method, kind);
    std::string path = (std::filesystem::temp_directory_path() /
                        ("bench_lzw_" + std::to_string(method) + std::to_string(kind)))
                           .string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(packed.data()),
               static_cast<std::streamsize>(packed.size()));
    std::vector<uint8_t> out(kSize);
    Codec codec;
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        int32_t capacity = static_cast<int32_t>(out.size());
        codec.DecodeStream(f, out.data(), &capacity);
        std::fclose(f);
        benchmark::DoNotOptimize(out.data());
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
    state.SetLabel(kind == 0 ? "text" : "16-bit picture");
}

// The yardstick: the `uncompress` program on the same data packed by
// `compress`, its output thrown away. Timed from outside, so the process
// start is included (well below a millisecond against some 100).
void Uncompress(benchmark::State& state) {
    int kind = static_cast<int>(state.range(0));
    std::filesystem::path dir = std::filesystem::temp_directory_path();
    std::string raw = (dir / ("bench_lzw_raw" + std::to_string(kind))).string();
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(Data(kind).data()),
               static_cast<std::streamsize>(kSize));
    std::string packed = raw + ".Z";
    std::string pack = "compress -c " + raw + " > " + packed;
    std::string unpack = "uncompress -c " + packed + " > /dev/null";
    if (std::system(pack.c_str()) != 0) {
        state.SkipWithError("compress failed (ncompress not installed?)");
        return;
    }
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (std::system(unpack.c_str()) != 0) state.SkipWithError("uncompress failed");
        auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
    state.counters["ratio"] =
        static_cast<double>(std::filesystem::file_size(packed)) / static_cast<double>(kSize);
    std::filesystem::remove(raw);
    std::filesystem::remove(packed);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
    state.SetLabel(kind == 0 ? "text" : "16-bit picture");
}

void LzwMemory(benchmark::State& state) {
    DecodeMemory<TLzwCodec>(state, 0);
}
void Lzw16Memory(benchmark::State& state) {
    DecodeMemory<TLzw16Codec>(state, 1);
}
void LzwStream(benchmark::State& state) {
    DecodeFile<TLzwCodec>(state, 0);
}
void Lzw16Stream(benchmark::State& state) {
    DecodeFile<TLzw16Codec>(state, 1);
}

BENCHMARK(LzwMemory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Lzw16Memory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(LzwStream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Lzw16Stream)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Uncompress)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

ENGINE_BENCHMARK_MAIN()
