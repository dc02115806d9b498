#include <benchmark/benchmark.h>

#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/Ratios.h"

namespace {

std::vector<RatioSpec>& Registry() {
    static std::vector<RatioSpec> ratios;
    return ratios;
}

struct Measured {
    double secondsPerIteration = 0;
    double itemsPerSecond = 0;
};

// Each benchmark runs this often, its runs interleaved at random with the
// other benchmarks' so that a slow spell of the machine falls on subjects and
// baselines alike; ratios use the median run. Flags given on the command line
// take precedence.
const char* const kDefaultFlags[] = {
    "--benchmark_repetitions=5",
    "--benchmark_enable_random_interleaving=true",
    "--benchmark_report_aggregates_only=true",
};

// Prints as usual and keeps each benchmark's median figures for the ratios
// (or its single run's, when it is run once).
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Measured> results;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || !(median || run.run_type == Run::RT_Iteration)) continue;
            Measured m;
            if (run.iterations > 0)
                m.secondsPerIteration = run.GetAdjustedRealTime() /
                                        benchmark::GetTimeUnitMultiplier(run.time_unit);
            auto items = run.counters.find("items_per_second");
            if (items != run.counters.end()) m.itemsPerSecond = items->second.value;
            results[run.run_name.str()] = m;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

double Ratio(const Measured& subject, const Measured& baseline) {
    if (subject.itemsPerSecond > 0 && baseline.itemsPerSecond > 0)
        return subject.itemsPerSecond / baseline.itemsPerSecond;
    if (subject.secondsPerIteration > 0)
        return baseline.secondsPerIteration / subject.secondsPerIteration;
    return 0;
}

}  // namespace

bool RegisterRatio(const RatioSpec& spec) {
    Registry().push_back(spec);
    return true;
}

int main(int argc, char** argv) {
    std::vector<char*> arguments(argv, argv + argc);
    arguments.insert(arguments.begin() + 1, const_cast<char**>(std::begin(kDefaultFlags)),
                     const_cast<char**>(std::end(kDefaultFlags)));
    argc = static_cast<int>(arguments.size());
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    printf("\nRatios against baselines of the same run (above 1.0: faster than the baseline)\n");
    int missed = 0;
    std::vector<std::pair<const char*, double>> measured;
    for (const RatioSpec& spec : Registry()) {
        auto subject = reporter.results.find(spec.subject);
        auto baseline = reporter.results.find(spec.baseline);
        if (subject == reporter.results.end() || baseline == reporter.results.end()) {
            printf("  %-52s not measured in this run\n", spec.title);
            continue;
        }
        double ratio = Ratio(subject->second, baseline->second);
        measured.emplace_back(spec.name, ratio);
        bool met = spec.target <= 0 || ratio >= spec.target;
        if (!met) ++missed;
        if (spec.target > 0)
            printf("  %-52s %6.2fx  (target >= %.2fx: %s)\n", spec.title, ratio, spec.target,
                   met ? "met" : "MISSED");
        else
            printf("  %-52s %6.2fx\n", spec.title, ratio);
    }
    printf("\n");
    for (const auto& entry : measured) printf("RATIO %s %.3f\n", entry.first, entry.second);
    fflush(stdout);
    return 0;
}
