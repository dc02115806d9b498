// The parent's end of a run: what the run left behind in the store, the
// cache file and the counter file, against what each worker's journal says
// was done.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Soak.h"

struct WorkerRecord {
    int worker = 0;
    fileprotect::Handle process;  // while it runs
    bool killed = false;
    int64_t killedAt = 0;  // NowMicros once the kill had taken effect
    std::string fault;     // why it counts as crashed; empty if it did not
    WorkerJournal journal;

    // The operation a kill left in doubt (at most one per killed worker).
    const JournalOp* InDoubt() const {
        for (const JournalOp& op : journal.ops)
            if (op.outcome == Outcome::kPending) return killed ? &op : nullptr;
        return nullptr;
    }
};

// Removes the rows under the soak's prefix, and only those: the rule
// database is shared by everything on the machine.
bool RemoveSoakRows(IFileProtectCfgMgr* store);

struct Tally {
    int64_t operations = 0;
    int64_t lost = 0;
    int64_t duplicated = 0;
    bool intact = false;  // the rule database passed its integrity check
    bool passed = true;   // every check, not only lost and duplicated
};

// Once every worker has ended: reads their journals and what the run left
// behind (taking what the cache file holds), prints the figures and one
// line per check; the caller prints the last line.
Tally Judge(const fileprotect::Library& library, const SoakRun& run,
            std::vector<WorkerRecord>& workers, double seconds);
