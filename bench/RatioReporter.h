// A console reporter that keeps each benchmark's fastest CPU time per
// iteration, so a program can print ours-against-peer ratios after the run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            const std::string name = run.run_name.function_name;
            const double t = run.GetAdjustedCPUTime();
            auto [it, fresh] = times.emplace(name, t);
            if (!fresh && t < it->second) it->second = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // "  ours beside peer  N.NNx  label" (the peer's time over ours); the
    // label tells a like-for-like peer from a yardstick doing other work.
    // Nothing when either did not run.
    void PrintRatio(const char* ours, const char* peer, const char* label = "") const {
        auto a = times.find(ours), b = times.find(peer);
        if (a == times.end() || b == times.end() || a->second <= 0) return;
        std::printf("  %-22s beside %-24s %5.2fx  %s\n", ours, peer, b->second / a->second, label);
    }
    std::map<std::string, double> times;
};

// One printed ratio: our benchmark, its peer and what kind of peer it is.
struct Ratio {
    const char* ours;
    const char* peer;
    const char* label;
};

// A benchmark program's main: runs what the command line selects, then
// prints the ratios of those that ran.
inline int RunWithRatios(int argc, char** argv, std::initializer_list<Ratio> ratios) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nSpeed beside the peers (higher is faster):\n");
    for (const Ratio& r : ratios)
        reporter.PrintRatio(r.ours, r.peer, r.label);
    benchmark::Shutdown();
    return 0;
}
