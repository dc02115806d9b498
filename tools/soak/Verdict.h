// The parent's end of a run: what the run left behind in the store, the
// cache file and the counter file (FinalState.cpp), against what each
// worker's journal says was done (Verdict.cpp).
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "interfaces/FileProtectHost.h"
#include "Journal.h"
#include "Soak.h"

struct WorkerRecord {
    int worker = 0;
    fileprotect::Handle process;  // while it runs
    bool killed = false;
    int64_t killedAt = 0;  // NowMicros once the kill had taken effect
    std::string fault;     // why it counts as crashed; empty if it did not
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
    BlockCounts counts = {};
    bool rejectsRead = false;
    std::set<std::wstring> rejects;  // soak rows of rejectlist
    bool protectsRead = false;
    std::set<std::wstring> protects;        // soak rows of fileprotect
    std::vector<std::string> remainingIds;  // the parent's own final take
    long long cacheBytesAfterTake = -1;
    bool counterRead = false;
    long counter = 0;
    std::string integrity;  // the rows of PRAGMA integrity_check
};

// Reads the state once every worker has ended; takes what the cache file holds.
FinalState ReadFinalState(const fileprotect::Library& library, const SoakRun& run);
// Reads the ids the library printed for a worker's take in doubt.
std::vector<std::string> PrintedInDoubt(const WorkerRecord& worker, const SoakRun& run);
// Removes the rows under the soak's prefix, and only those: the rule
// database is shared by everything on the machine.
bool RemoveSoakRows(IFileProtectCfgMgr* store);

struct Tally {
    int64_t operations = 0;
    int64_t lost = 0;
    int64_t duplicated = 0;
    bool passed = true;  // every check, not only lost and duplicated
};

// Prints the figures and one line per check; the caller prints the last
// line. `helper` gives the store's key of a path.
Tally Judge(const std::vector<WorkerRecord>& workers, const FinalState& state, double seconds,
            IHlpFunc* helper);
