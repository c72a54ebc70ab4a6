// The start of every benchmark program: Google Benchmark takes its own flags
// from the command line, and anything left over is refused, naming the flag,
// so that a mistyped flag never runs the whole program and reports success.
#pragma once

#include <benchmark/benchmark.h>

// True when the program may run its benchmarks; false after reporting the
// first flag it does not know (the caller then exits with a failure).
inline bool StartBenchmarks(int* argc, char** argv) {
    benchmark::Initialize(argc, argv);
    return !benchmark::ReportUnrecognizedArguments(*argc, argv);
}
