#pragma once

// Runs the registered benchmarks and prints one comparison line:
//   NAME ratio=R goal<=G
// where R is the CPU time of one benchmark divided by that of another, from the same run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace skiff::bench {

// Keeps the CPU time of each benchmark while printing the usual table (without colours, so
// that the comparison line starts a clean line).
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> cpuTime;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) cpuTime[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

inline int runComparison(int argc, char** argv, const char* name, const char* measured,
                         const char* baseline, double goal) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double m = reporter.cpuTime[measured];
    const double b = reporter.cpuTime[baseline];
    benchmark::Shutdown();
    if (m <= 0 || b <= 0) return 1;
    std::printf("%s ratio=%.2f goal<=%.2f\n", name, m / b, goal);
    return 0;
}

}  // namespace skiff::bench
