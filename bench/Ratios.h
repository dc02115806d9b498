// Ratios of a benchmark against a baseline measured in the same run.
// Register one at namespace scope in the file that defines both benchmarks:
//   BENCH_RATIO(store_add, "store add vs raw SQLite", "BM_StoreAdd/10000",
//               "BM_RawInsert/10000", 0.5);
// The id is also the ratio's name in the machine-readable lines the program
// prints last: "RATIO <id> <value>".
// The ratio is subject rate / baseline rate: items per second when both
// benchmarks report them, otherwise baseline time / subject time. So above
// 1.0 the subject is faster.
#pragma once

struct RatioSpec {
    const char* name;
    const char* title;
    const char* subject;   // full benchmark name, arguments included
    const char* baseline;
    double target;         // the lowest acceptable ratio; 0 for none
};

bool RegisterRatio(const RatioSpec& spec);

#define BENCH_RATIO(id, title, subject, baseline, target) \
    static const bool bench_ratio_##id = RegisterRatio(RatioSpec{#id, title, subject, baseline, target})
