// The journal of one worker: what it was about to do and what it was told
// succeeded, one line each, so the parent can tell acknowledged operations
// from the one a kill left in doubt.
//
//   I <seq> <micros> <kind> <args...>   intent, written before the call
//   A <seq> <micros> <results...>       the call succeeded (for a take: the ids)
//   F <seq> <micros>                    the call reported failure
//   X <seq> <what a read saw wrong>
//
// A line is whole once it ends in a line feed; a kill can leave a cut last
// line, which the reader ignores.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SoakPlan.h"

class JournalWriter {
public:
    JournalWriter() = default;
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    bool Open(const std::wstring& path);
    // Each returns false when the line could not be written; the worker must
    // then stop, since it can no longer tell what it did.
    bool Intent(int64_t seq, OpKind kind, const std::string& args);
    bool Done(int64_t seq, const std::string& results);
    bool Refused(int64_t seq);
    bool Anomaly(int64_t seq, const std::string& detail);

private:
    bool Write(const std::string& line);
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

enum class Outcome { kPending, kDone, kRefused };

struct JournalOp {
    int64_t seq = 0;
    OpKind kind = OpKind::kCount;
    std::vector<std::string> args;
    int64_t started = 0;
    Outcome outcome = Outcome::kPending;
    int64_t ended = 0;  // when it was answered
    std::vector<std::string> results;
};

struct WorkerJournal {
    std::vector<JournalOp> ops;  // in the order they were begun
    std::vector<std::string> anomalies;
    int unreadableLines = 0;

    // The operation begun but never answered: in doubt when the worker was
    // killed, a fault otherwise. Null when there is none.
    const JournalOp* Pending() const;
};

bool ReadJournal(const std::wstring& path, WorkerJournal* journal);
// Operations acknowledged so far (for the progress line).
int64_t CountDone(const std::wstring& path);
