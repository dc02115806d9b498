// Child processes lined up at a gate, so a benchmark's timer sees only their
// work: each child arrives at "ready" once started, waits for "go", and
// arrives at "done" when its work is finished.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

struct GateNames {
    std::wstring ready;
    std::wstring go;
    std::wstring done;
};

// Starts `processes` copies of program (arguments(i, names) is the command
// line of copy i), opens the gate once all are ready, and sets the
// iteration's time to the span from the gate to the last "done". False, with
// the benchmark marked failed, when a child did not start, did not finish or
// ended with an exit code other than 0.
inline bool TimeGatedChildren(benchmark::State& state, const wchar_t* program, int processes,
                              const std::function<std::wstring(int, const GateNames&)>& arguments) {
    NamedCounter ready(UniqueName(L"ready"));
    NamedCounter done(UniqueName(L"done"));
    NamedGate go(UniqueName(L"go"));
    const GateNames names{ready.name(), go.name(), done.name()};
    std::vector<HANDLE> children;
    for (int i = 0; i < processes; ++i) children.push_back(StartChild(program, arguments(i, names)));
    bool ok = ready.WaitFor(processes);
    if (ok) {
        auto start = std::chrono::steady_clock::now();
        go.Open();
        ok = done.WaitFor(processes);
        auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    } else {
        go.Open();  // let the children that did start run out
    }
    for (HANDLE child : children) ok = WaitChild(child) == 0 && ok;
    if (!ok) state.SkipWithError("a child program did not start, finish or succeed");
    return ok;
}
