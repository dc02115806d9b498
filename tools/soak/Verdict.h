// The parent's end of a run: what each worker's journal says was done,
// against what the store, the cache file and the counter file hold now.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Journal.h"
#include "SoakPlan.h"

struct WorkerRecord {
    int worker = 0;
    HANDLE process = nullptr;
    bool killed = false;
    int64_t killedAt = 0;      // NowMicros once the kill had taken effect
    std::string fault;         // why it counts as crashed; empty if it did not
    WorkerJournal journal;
    // Ids the library printed for this worker's take in doubt ("pathHash=..."
    // on its standard output, after the take saved the file): the ones the
    // kill kept out of the journal, as far as the print got.
    std::vector<std::string> printedInDoubt;

    // The operation a kill left in doubt (at most one per killed worker).
    const JournalOp* InDoubt() const { return killed ? journal.Pending() : nullptr; }
};

struct FinalState {
    bool countsRead = false;
    int64_t counts[kBlockPaths] = {};
    bool rejectsRead = false;
    std::set<std::wstring> rejects;   // soak rows of rejectlist
    bool protectsRead = false;
    std::set<std::wstring> protects;  // soak rows of fileprotect
    std::vector<std::string> remainingIds;  // the parent's own final take
    long long cacheBytesAfterTake = -1;
    bool counterRead = false;
    long counter = 0;
    std::string integrity;  // the rows of PRAGMA integrity_check
};

struct Tally {
    int64_t operations = 0;
    int64_t lost = 0;
    int64_t duplicated = 0;
    bool passed = true;  // every check, not only lost and duplicated
};

// The store's key of a path (the library's GetPathHash).
using PathHash = std::function<uint32_t(const std::wstring&)>;

// Prints one line per check and the figures; the caller prints the last line.
Tally Judge(const std::vector<WorkerRecord>& workers, const FinalState& state, double seconds,
            const PathHash& hash);
