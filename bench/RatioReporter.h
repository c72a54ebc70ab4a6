// A console reporter that keeps each benchmark's CPU times per iteration, so
// a program can print ours-against-peer ratios after the run: the ratio of
// the median runs, the two medians with their fastest and slowest runs, and
// the ratio of the fastest runs. Run with --benchmark_repetitions=N (and
// --benchmark_enable_random_interleaving=true on a busy machine) for more
// runs to take the median of.
#pragma once

#include "BenchMain.h"

#include <benchmark/benchmark.h>

#include <algorithm>
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
            all[name].push_back(t);
            units[name] = benchmark::GetTimeUnitString(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // "  ours beside peer  N.NNx  label", then the medians [fastest-slowest]
    // and the ratio of the fastest runs (the peer's time over ours); the
    // label tells a like-for-like peer from a yardstick doing other work.
    // Nothing when either did not run.
    void PrintRatio(const char* ours, const char* peer, const char* label = "") const {
        auto a = all.find(ours), b = all.find(peer);
        if (a == all.end() || b == all.end() || Median(a->second) <= 0) return;
        std::printf("  %-22s beside %-24s %5.2fx  %s\n", ours, peer,
                    Median(b->second) / Median(a->second), label);
        std::printf("    medians %.1f [%.1f-%.1f] beside %.1f [%.1f-%.1f] %s, %zu and %zu runs; "
                    "fastest %.2fx\n",
                    Median(a->second), Min(a->second), Max(a->second), Median(b->second),
                    Min(b->second), Max(b->second), Unit(ours), a->second.size(), b->second.size(),
                    Min(b->second) / Min(a->second));
    }
    std::map<std::string, double> times;            // fastest run
    std::map<std::string, std::vector<double>> all; // every run
    std::map<std::string, std::string> units;

private:
    static double Median(std::vector<double> v) {
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    static double Min(const std::vector<double>& v) {
        return *std::min_element(v.begin(), v.end());
    }
    static double Max(const std::vector<double>& v) {
        return *std::max_element(v.begin(), v.end());
    }
    const char* Unit(const char* name) const {
        auto u = units.find(name);
        return u == units.end() ? "" : u->second.c_str();
    }
};

// One printed ratio: our benchmark, its peer and what kind of peer it is.
struct Ratio {
    const char* ours;
    const char* peer;
    const char* label;
};

// A benchmark program's main: runs what the command line selects, then
// prints the ratios of those that ran; 1 on a flag it does not know.
inline int RunWithRatios(int argc, char** argv, std::initializer_list<Ratio> ratios) {
    if (!StartBenchmarks(&argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nSpeed beside the peers (higher is faster):\n");
    for (const Ratio& r : ratios)
        reporter.PrintRatio(r.ours, r.peer, r.label);
    benchmark::Shutdown();
    return 0;
}
