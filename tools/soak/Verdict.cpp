#include "Verdict.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace {

struct CheckResult {
    int64_t lost = 0;
    int64_t duplicated = 0;
    bool readable = true;
    std::string detail;
};

void Report(const char* name, const CheckResult& result, Tally* tally) {
    const bool ok = result.readable && result.lost == 0 && result.duplicated == 0;
    printf("%s: %s (%s", name, ok ? "ok" : "FAILED", result.detail.c_str());
    if (result.lost || result.duplicated)
        printf("; %lld lost, %lld duplicated", static_cast<long long>(result.lost),
               static_cast<long long>(result.duplicated));
    printf(")\n");
    tally->lost += result.lost;
    tally->duplicated += result.duplicated;
    if (!ok) tally->passed = false;
}

int Arg(const JournalOp& op, size_t index) {
    return index < op.args.size() ? atoi(op.args[index].c_str()) : 0;
}

// What an addition of block counts adds to each path.
void CountContributions(const JournalOp& op, int64_t (&added)[kBlockPaths]) {
    for (int64_t& a : added) a = 0;
    const int pairs = op.kind == OpKind::kAddCountList ? 2 : 1;
    for (int i = 0; i < pairs; ++i) {
        const int path = Arg(op, 2 * i);
        if (path >= 0 && path < kBlockPaths) added[path] += Arg(op, 2 * i + 1);
    }
}

bool IsCountAddition(OpKind kind) {
    return kind == OpKind::kAddCount || kind == OpKind::kIncCount ||
           kind == OpKind::kAddCountList;
}

// Each path's count must be the acknowledged additions plus some of the
// in-doubt ones; the nearest such sum tells how much was lost or doubled.
CheckResult JudgeCounts(const std::vector<WorkerRecord>& workers, const FinalState& state) {
    CheckResult result;
    result.readable = state.countsRead;
    int64_t acknowledged[kBlockPaths] = {};
    std::vector<std::set<int64_t>> reachable(kBlockPaths, std::set<int64_t>{0});
    int64_t done = 0, doubtful = 0;
    for (const WorkerRecord& w : workers) {
        for (const JournalOp& op : w.journal.ops) {
            if (!IsCountAddition(op.kind)) continue;
            int64_t added[kBlockPaths];
            CountContributions(op, added);
            if (op.outcome == Outcome::kDone) {
                ++done;
                for (int p = 0; p < kBlockPaths; ++p) acknowledged[p] += added[p];
            } else if (&op == w.InDoubt()) {
                ++doubtful;
                for (int p = 0; p < kBlockPaths; ++p) {
                    if (!added[p]) continue;
                    std::set<int64_t> more = reachable[p];
                    for (int64_t sum : reachable[p]) more.insert(sum + added[p]);
                    reachable[p].swap(more);
                }
            }
        }
    }
    for (int p = 0; p < kBlockPaths; ++p) {
        const int64_t extra = state.counts[p] - acknowledged[p];
        int64_t nearest = 0;
        for (int64_t sum : reachable[p])
            if (std::llabs(sum - extra) < std::llabs(nearest - extra)) nearest = sum;
        if (extra < nearest) result.lost += nearest - extra;
        else result.duplicated += extra - nearest;
    }
    result.detail = std::to_string(kBlockPaths) + " paths, " + std::to_string(done) +
                    " acknowledged additions, " + std::to_string(doubtful) + " in doubt";
    for (int p = 0; p < kBlockPaths; ++p)
        result.detail += (p ? ", " : "; counts ") + std::to_string(state.counts[p]) + "/" +
                         std::to_string(acknowledged[p]);
    return result;
}

// Rows that acknowledged adds left and no acknowledged delete took away must
// be there; nothing else may be, except what an in-doubt or refused call
// touched.
CheckResult JudgeGroups(const std::vector<WorkerRecord>& workers, const std::set<std::wstring>& actual,
                        bool read, const wchar_t* table, OpKind add, OpKind del,
                        const PathHash& hash) {
    CheckResult result;
    result.readable = read;
    std::set<std::wstring> expected, uncertain, named(actual);
    for (const WorkerRecord& w : workers) {
        for (const JournalOp& op : w.journal.ops) {
            if (op.kind != add && op.kind != del) continue;
            const int group = Arg(op, 0), size = Arg(op, 1);
            for (int i = 1; i <= size; ++i) {
                const std::wstring row = GroupRowPath(table, w.worker, group, i, size);
                named.insert(row);
                if (op.outcome == Outcome::kDone && op.kind == add) expected.insert(row);
                else if (op.outcome == Outcome::kDone) expected.erase(row);
                else uncertain.insert(row);
            }
        }
    }
    std::vector<std::wstring> wrong;
    for (const std::wstring& row : expected) {
        if (actual.count(row) || uncertain.count(row)) continue;
        ++result.lost;
        wrong.push_back(row);
    }
    for (const std::wstring& row : actual) {
        if (expected.count(row) || uncertain.count(row)) continue;
        ++result.duplicated;
        wrong.push_back(row);
    }
    result.detail = std::to_string(expected.size()) + " rows expected, " +
                    std::to_string(actual.size()) + " present, " +
                    std::to_string(uncertain.size()) + " in doubt";
    if (wrong.empty()) return result;
    // The store keeps one row per 32-bit path hash; a wrong row whose hash
    // another soak row shares points there rather than at a lost write.
    std::map<uint32_t, int> keys;
    for (const std::wstring& row : named) ++keys[hash(row)];
    int shared = 0;
    for (const std::wstring& row : wrong) shared += keys[hash(row)] > 1 ? 1 : 0;
    result.detail += "; of the wrong rows " + std::to_string(shared) +
                     " share a path hash with another soak row; first: " + Narrow(wrong[0]);
    return result;
}

// Every acknowledged id is taken exactly once or still in the file. A take
// empties the file, so an id missing from every answered take can only have
// gone to a take in doubt that ran after the id's add began and began before
// the first answered take after the add had ended: that take may have
// removed it without living to journal it.
CheckResult JudgeCache(const std::vector<WorkerRecord>& workers, const FinalState& state) {
    CheckResult result;
    std::map<std::string, std::pair<int64_t, int64_t>> added;  // id -> its add's begin, end
    std::set<std::string> maybeAdded;
    std::vector<std::pair<int64_t, int64_t>> killedTakes;  // begin, kill of takes in doubt
    std::multimap<int64_t, int64_t> answeredTakes;          // begin -> end
    std::map<std::string, int> found;
    int64_t taken = 0, printed = 0;
    for (const WorkerRecord& w : workers) {
        for (const JournalOp& op : w.journal.ops) {
            const bool inDoubt = &op == w.InDoubt();
            if (op.kind == OpKind::kAddId || op.kind == OpKind::kAddIds) {
                for (const std::string& id : op.args) {
                    if (op.outcome == Outcome::kDone) added[id] = {op.started, op.ended};
                    else maybeAdded.insert(id);
                }
            } else if (op.kind == OpKind::kTakeIds) {
                if (op.outcome == Outcome::kDone) {
                    answeredTakes.emplace(op.started, op.ended);
                    for (const std::string& id : op.results) ++found[id];
                    taken += static_cast<int64_t>(op.results.size());
                } else if (inDoubt) {
                    killedTakes.emplace_back(op.started, w.killedAt);
                    for (const std::string& id : w.printedInDoubt) ++found[id];
                    printed += static_cast<int64_t>(w.printedInDoubt.size());
                }
            }
        }
    }
    for (const std::string& id : state.remainingIds) ++found[id];
    for (const auto& [id, times] : found) {
        if (!added.count(id) && !maybeAdded.count(id)) result.duplicated += times;  // never added
        else result.duplicated += times - 1;
    }
    int64_t excused = 0;
    for (const auto& [id, add] : added) {
        if (found.count(id)) continue;
        auto next = answeredTakes.upper_bound(add.second);
        const int64_t takenBy = next == answeredTakes.end() ? INT64_MAX : next->second;
        bool couldBeTaken = false;
        for (const auto& [began, killedAt] : killedTakes)
            couldBeTaken = couldBeTaken || (began < takenBy && add.first < killedAt);
        if (couldBeTaken) ++excused;
        else ++result.lost;
    }
    result.detail = std::to_string(added.size()) + " ids acknowledged, " + std::to_string(taken) +
                    " taken, " + std::to_string(state.remainingIds.size()) + " left in the file, " +
                    std::to_string(maybeAdded.size()) + " added in doubt, " +
                    std::to_string(printed) + " taken by a killed taker (from its output), " +
                    std::to_string(excused) + " missing but possibly taken by one";
    if (state.cacheBytesAfterTake >= 0)
        result.detail += "; file after the final take: " +
                         std::to_string(state.cacheBytesAfterTake) + " bytes";
    return result;
}

// The counter equals the acknowledged increments, plus any in-doubt ones;
// no two holders may have written the same value.
CheckResult JudgeCounter(const std::vector<WorkerRecord>& workers, const FinalState& state) {
    CheckResult result;
    result.readable = state.counterRead;
    std::set<long> values;
    int64_t done = 0, doubtful = 0, repeated = 0, retaken = 0;
    for (const WorkerRecord& w : workers) {
        for (const JournalOp& op : w.journal.ops) {
            if (op.kind != OpKind::kLockIncrement) continue;
            if (op.outcome == Outcome::kDone) {
                ++done;
                if (!op.results.empty() && !values.insert(atol(op.results[0].c_str())).second)
                    ++repeated;
                // A lock that a killed holder abandoned is refused once.
                if (op.results.size() > 1 && atoi(op.results[1].c_str()) > 1) ++retaken;
            } else if (&op == w.InDoubt()) {
                ++doubtful;
            }
        }
    }
    if (state.counter < done) result.lost = done - state.counter;
    if (state.counter > done + doubtful) result.duplicated = state.counter - done - doubtful;
    result.duplicated += repeated;
    result.detail = "value " + std::to_string(state.counter) + ", " + std::to_string(done) +
                    " acknowledged increments, " + std::to_string(doubtful) + " in doubt, " +
                    std::to_string(repeated) + " values written twice, " +
                    std::to_string(retaken) + " locks taken over from a killed holder";
    return result;
}

void PrintFigures(const std::vector<WorkerRecord>& workers, double seconds, Tally* tally) {
    const int kinds = static_cast<int>(OpKind::kCount);
    std::vector<int64_t> done(kinds), refused(kinds), doubtful(kinds);
    for (const WorkerRecord& w : workers) {
        for (const JournalOp& op : w.journal.ops) {
            const int k = static_cast<int>(op.kind);
            if (op.outcome == Outcome::kDone) ++done[k];
            else if (op.outcome == Outcome::kRefused) ++refused[k];
            else if (&op == w.InDoubt()) ++doubtful[k];
        }
    }
    printf("figures over %.0f s:\n", seconds);
    printf("  %-15s %8s %8s %9s %11s\n", "operation", "done", "refused", "in doubt", "per second");
    int64_t allRefused = 0;
    for (int k = 0; k < kinds; ++k) {
        printf("  %-15s %8lld %8lld %9lld %11.1f\n", OpName(static_cast<OpKind>(k)),
               static_cast<long long>(done[k]), static_cast<long long>(refused[k]),
               static_cast<long long>(doubtful[k]), seconds > 0 ? done[k] / seconds : 0.0);
        tally->operations += done[k];
        allRefused += refused[k];
    }
    printf("  %-15s %8lld %8lld %9s %11.1f\n", "all", static_cast<long long>(tally->operations),
           static_cast<long long>(allRefused), "",
           seconds > 0 ? tally->operations / seconds : 0.0);
    // The store waits for a busy database without limit, so nothing the
    // soak asks for should ever be refused.
    printf("refused operations: %s (%lld)\n", allRefused ? "FAILED" : "ok",
           static_cast<long long>(allRefused));
    if (allRefused) tally->passed = false;
}

void JudgeWorkers(const std::vector<WorkerRecord>& workers, Tally* tally) {
    int killed = 0, crashed = 0, anomalies = 0, unreadable = 0;
    for (const WorkerRecord& w : workers) {
        killed += w.killed ? 1 : 0;
        anomalies += static_cast<int>(w.journal.anomalies.size());
        unreadable += w.journal.unreadableLines;
        if (!w.fault.empty()) {
            ++crashed;
            printf("  worker %d: %s\n", w.worker, w.fault.c_str());
        }
        for (const std::string& what : w.journal.anomalies)
            printf("  worker %d saw: %s\n", w.worker, what.c_str());
    }
    const bool ok = crashed == 0 && anomalies == 0 && unreadable == 0;
    printf("workers: %s (%zu started, %d killed, %d crashed, %d read anomalies, "
           "%d unreadable journal lines)\n",
           ok ? "ok" : "FAILED", workers.size(), killed, crashed, anomalies, unreadable);
    if (!ok) tally->passed = false;
}

}  // namespace

Tally Judge(const std::vector<WorkerRecord>& workers, const FinalState& state, double seconds,
            const PathHash& hash) {
    Tally tally;
    PrintFigures(workers, seconds, &tally);
    JudgeWorkers(workers, &tally);
    Report("block counts", JudgeCounts(workers, state), &tally);
    Report("reject list",
           JudgeGroups(workers, state.rejects, state.rejectsRead, L"reject", OpKind::kAddReject,
                       OpKind::kDelReject, hash),
           &tally);
    Report("protect list",
           JudgeGroups(workers, state.protects, state.protectsRead, L"protect",
                       OpKind::kAddProtect, OpKind::kDelProtect, hash),
           &tally);
    Report("cache", JudgeCache(workers, state), &tally);
    Report("lock counter", JudgeCounter(workers, state), &tally);
    const bool intact = state.integrity == "ok";
    printf("integrity: %s (PRAGMA integrity_check: %s)\n", intact ? "ok" : "FAILED",
           state.integrity.c_str());
    if (!intact) tally.passed = false;
    return tally;
}
