// Block counts added by several processes at once against one process alone:
// how the adds of the machine scale when every process writes the one
// database. SQLite lets one connection write at a time, and a connection
// that finds the database locked waits in the store's busy handler (100 ms a
// try), so more processes cannot add faster; the ratio shows by how much
// they add slower. The timer runs from the gate until every child is done.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "Ratios.h"
#include "TestSupport.h"
#include "../tests/procs/coord_sync.h"

namespace {

constexpr int kAddsPerProcess = 500;

void BM_StoreBlockAddProcesses(benchmark::State& state) {
    const int processes = static_cast<int>(state.range(0));
    FreshStore();
    for (auto _ : state) {
        NamedCounter ready(UniqueName(L"ready"));
        NamedCounter done(UniqueName(L"done"));
        NamedGate go(UniqueName(L"go"));
        std::vector<HANDLE> children;
        for (int i = 0; i < processes; ++i)
            children.push_back(StartChild(
                L"store_block_adder", L"adder" + std::to_wstring(i) + L" " +
                                          std::to_wstring(kAddsPerProcess) + L" " + ready.name() +
                                          L" " + go.name() + L" " + done.name()));
        if (!ready.WaitFor(processes)) {
            state.SkipWithError("an adder did not start");
            return;
        }
        auto start = std::chrono::steady_clock::now();
        go.Open();
        bool finished = done.WaitFor(processes);
        auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        int failures = 0;
        for (HANDLE child : children) failures += WaitChild(child) != 0 ? 1 : 0;
        if (!finished || failures != 0) {
            state.SkipWithError("an adder failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * processes * kAddsPerProcess);
}
BENCHMARK(BM_StoreBlockAddProcesses)->Arg(1)->Arg(4)->Iterations(3)->UseManualTime();

}  // namespace

// Informational: no target, since the single writer bounds it.
BENCH_RATIO(block_add_4p_vs_1p, "AddBlockCount, 4 processes vs 1 process",
            "BM_StoreBlockAddProcesses/4/iterations:3/manual_time",
            "BM_StoreBlockAddProcesses/1/iterations:3/manual_time", 0);
