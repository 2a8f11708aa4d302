#pragma once

// Runs the registered benchmarks and prints one comparison line:
//   NAME ratio=R goal<=G
// where R is the time of one benchmark divided by that of another, from the same run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace skiff::bench {

// Keeps the CPU and wall time of each benchmark while printing the usual table (without colours, so
// that the comparison line starts a clean line).
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    RecordingReporter() : ConsoleReporter(OO_Tabular) {}
    std::map<std::string, double> cpuTime;
    std::map<std::string, double> wallTime;
    void ReportRuns(const std::vector<Run>& runs) override {
        // By the benchmark's function name, without the options that the full name carries.
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            cpuTime[run.run_name.function_name] = run.GetAdjustedCPUTime();
            wallTime[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

// Which time of a benchmark the comparison divides: CPU time, or the wall time that a user
// waits (for work that waits on the disk); a benchmark compared by wall time says UseRealTime().
enum class Timing { Cpu, Wall };

inline int runComparison(int argc, char** argv, const char* name, const char* measured,
                         const char* baseline, double goal, Timing timing = Timing::Cpu) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto& times = timing == Timing::Wall ? reporter.wallTime : reporter.cpuTime;
    const double m = times[measured];
    const double b = times[baseline];
    benchmark::Shutdown();
    if (m <= 0 || b <= 0) return 1;
    std::printf("%s ratio=%.2f goal<=%.2f\n", name, m / b, goal);
    return 0;
}

}  // namespace skiff::bench
