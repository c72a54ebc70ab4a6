// The main of a benchmark program that times the engine: the engine's
// services are built before the benchmarks run and go after them.
#pragma once

#include "BenchMain.h"
#include "ui/TEngine.h"

#include <benchmark/benchmark.h>

#define ENGINE_BENCHMARK_MAIN()                                                                    \
    int main(int argc, char** argv) {                                                              \
        TEngine engine;                                                                            \
        if (!StartBenchmarks(&argc, argv)) return 1;                                               \
        benchmark::RunSpecifiedBenchmarks();                                                       \
        benchmark::Shutdown();                                                                     \
        return 0;                                                                                  \
    }
