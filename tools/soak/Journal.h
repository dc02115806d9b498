// The journal of one worker: each operation as one JSON line before the
// call (outcome "pending") and again after it ("done" or "refused", with
// what it handed back), so the parent can tell acknowledged operations from
// the one a kill left in doubt. Fields at their defaults are left out:
//
//   {"ids":["w1-8","w1-9"],"op":"add-ids","outcome":"pending","seq":7,"started":...}
//   {"ended":...,"ids":["w1-8","w1-9"],"op":"add-ids","outcome":"done","seq":7,"started":...}
//
// A line is whole once it ends in a line feed; a kill can leave a cut last
// line, which the reader ignores.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "interfaces/FileProtectHost.h"
#include "Soak.h"

enum class Outcome { kPending, kDone, kRefused };

struct JournalOp {
    int64_t seq = 0;
    Op op = Op::kReadCounts;
    int64_t started = 0;
    int64_t ended = 0;  // when it was answered
    Outcome outcome = Outcome::kPending;
    // What it worked on and what it got back, as far as its kind has them.
    std::vector<std::pair<int, int>> adds;  // (block path, count) per addition
    int group = 0, size = 0;                // the group of rows added or deleted
    std::vector<std::string> ids;           // cache ids added, or handed out to a take
    long value = 0;                         // the counter value written under the lock
    int attempts = 0;                       // Lock calls it took
    std::vector<std::string> anomalies;     // what a listing showed that breaks a promise
};

class JournalWriter {
public:
    bool Open(const std::wstring& path);
    // Writes the operation as it stands. False when the line could not be
    // written: the worker must then stop, since it can no longer tell what
    // it did.
    bool Write(const JournalOp& op);

private:
    fileprotect::Handle file_;
};

struct WorkerJournal {
    std::vector<JournalOp> ops;  // in the order they were begun
    int unreadableLines = 0;

    // The operation begun but never answered: in doubt when the worker was
    // killed, a fault otherwise. Null when there is none.
    const JournalOp* Pending() const;
};

WorkerJournal ReadJournal(const std::wstring& path);
// Operations acknowledged so far (for the progress line).
int64_t CountDone(const std::wstring& path);
