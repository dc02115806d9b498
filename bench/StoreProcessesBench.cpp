// Block counts added by several processes at once against one process alone:
// how the adds of the machine scale when every process writes the one
// database. SQLite lets one connection write at a time, and a connection
// that finds the database locked waits in the store's busy handler (100 ms a
// try), so more processes cannot add faster; the ratio shows by how much
// they add slower. The timer runs from the gate until every child is done.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/GatedChildren.h"
#include "bench/Ratios.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kAddsPerProcess = 500;

void BM_StoreBlockAddProcesses(benchmark::State& state) {
    const int processes = static_cast<int>(state.range(0));
    FreshStore();
    for (auto _ : state) {
        auto arguments = [](int i, const GateNames& gate) {
            return L"adder" + std::to_wstring(i) + L" " + std::to_wstring(kAddsPerProcess) + L" " +
                   gate.ready + L" " + gate.go + L" " + gate.done;
        };
        if (!TimeGatedChildren(state, L"store_block_adder", processes, arguments)) return;
    }
    state.SetItemsProcessed(state.iterations() * processes * kAddsPerProcess);
}
BENCHMARK(BM_StoreBlockAddProcesses)->Arg(1)->Arg(4)->Iterations(3)->UseManualTime();

}  // namespace

// Informational: no target, since the single writer bounds it.
BENCH_RATIO(block_add_4p_vs_1p, "AddBlockCount, 4 processes vs 1 process",
            "BM_StoreBlockAddProcesses/4/iterations:3/manual_time",
            "BM_StoreBlockAddProcesses/1/iterations:3/manual_time", 0);
