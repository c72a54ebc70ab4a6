// A console reporter that keeps each benchmark's fastest CPU time per
// iteration, so a program can print ours-against-peer ratios after the run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
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
    // "  ours beside peer  N.NNx" (the peer's time over ours); nothing when
    // either did not run.
    void PrintRatio(const char* ours, const char* peer) const {
        auto a = times.find(ours), b = times.find(peer);
        if (a == times.end() || b == times.end() || a->second <= 0) return;
        std::printf("  %-22s beside %-22s %.2fx\n", ours, peer, b->second / a->second);
    }
    std::map<std::string, double> times;
};
