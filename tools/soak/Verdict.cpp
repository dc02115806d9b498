#include "Verdict.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <io.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>

namespace {

bool IsSoakPath(const std::wstring& path) {
    return path.compare(0, std::size(kSoakPrefix) - 1, kSoakPrefix) == 0;
}

template <typename Row>
std::vector<std::wstring> SoakPathsOf(const std::vector<Row>& rows) {
    std::vector<std::wstring> paths;
    for (const Row& row : rows)
        if (IsSoakPath(row.filepath)) paths.push_back(row.filepath);
    return paths;
}

// The take prints every id on standard output; this keeps them off the
// console.
std::vector<std::string> TakeQuietly(IProtectFileCacheFileMgr* cache) {
    std::vector<std::string> ids;
    std::fflush(stdout);
    const int console = _dup(1);
    const int nowhere = _open("NUL", _O_WRONLY);
    if (nowhere >= 0) _dup2(nowhere, 1);
    cache->TakePathIds(ids);
    std::fflush(stdout);
    if (console >= 0) _dup2(console, 1);
    if (nowhere >= 0) _close(nowhere);
    if (console >= 0) _close(console);
    return ids;
}

// The rows of PRAGMA integrity_check on a connection of the soak's own.
std::string IntegrityCheck(const std::wstring& database) {
    sqlite3* db = nullptr;
    std::string rows;
    if (sqlite3_open_v2(fileprotect::Utf8(database).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_busy_timeout(db, 60000);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(statement, 0);
            rows += (rows.empty() ? "" : "; ") +
                    std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        sqlite3_finalize(statement);
    }
    if (rows.empty()) rows = std::string("not run: ") + (db ? sqlite3_errmsg(db) : "no connection");
    sqlite3_close(db);
    return rows;
}

// What the run left behind, read once every worker has ended.
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

// Takes what the cache file holds.
FinalState ReadFinalState(const fileprotect::Library& library, const SoakRun& run) {
    IFileProtectCfgMgr* store = library.Store();
    FinalState state;
    std::vector<BlockCountItem> counts;
    state.countsRead = store->GetBlockList(counts);
    state.counts = CountsOf(counts);
    std::vector<ProtectFileItem> rejects, files;
    std::vector<std::wstring> extensions;
    state.rejectsRead = store->GetRejectList(rejects);
    for (const std::wstring& path : SoakPathsOf(rejects)) state.rejects.insert(path);
    state.protectsRead = store->GetProtectFileList(files, extensions);
    for (const std::wstring& path : SoakPathsOf(files)) state.protects.insert(path);
    for (const std::wstring& extension : extensions)
        if (IsSoakPath(extension)) state.protects.insert(extension);

    state.remainingIds = TakeQuietly(library.Cache());
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (GetFileAttributesExW(run.File(kCacheFile).c_str(), GetFileExInfoStandard, &attributes))
        state.cacheBytesAfterTake = attributes.nFileSizeLow;
    state.counterRead = ReadCounter(run.File(kCounterFile), &state.counter);
    state.integrity = IntegrityCheck(library.RuleDatabasePath());
    return state;
}

// The ids the library printed for a worker's take in doubt ("pathHash=..."
// on its standard output, after the take saved the file): the ones the kill
// kept out of the journal, as far as the print got.
std::vector<std::string> PrintedInDoubt(const WorkerRecord& worker, const SoakRun& run) {
    const std::string text = ReadWholeFile(run.Output(worker.worker));
    std::multiset<std::string> journalled;
    for (const JournalOp& op : worker.journal.ops)
        if (op.op == Op::kTakeIds && op.outcome == Outcome::kDone)
            journalled.insert(op.ids.begin(), op.ids.end());
    // The library prints "pathHash=<id>" per id with nothing between them;
    // the ids it printed beyond those journalled are what the last take
    // handed out before the kill.
    static const std::string kMark = "pathHash=";
    static const std::regex kSoakId("w[0-9]+-[0-9]+");  // not Wine's noise on the same file
    std::vector<std::string> ids;
    for (size_t at = text.find(kMark); at != std::string::npos;) {
        const size_t begin = at + kMark.size();
        at = text.find(kMark, begin);
        // Only an id followed by the next mark is whole: the kill may have
        // cut the last one short.
        if (at == std::string::npos) break;
        const std::string id = text.substr(begin, at - begin);
        auto known = journalled.find(id);
        if (known != journalled.end()) journalled.erase(known);
        else if (std::regex_match(id, kSoakId)) ids.push_back(id);
    }
    return ids;
}

struct CheckResult {
    int64_t lost = 0;
    int64_t duplicated = 0;
    bool readable = true;
    std::string detail;
};

// Prints the line of one check: its name, ok or FAILED, and its figures.
void Print(const char* name, bool ok, const std::string& detail, Tally* tally) {
    fmt::print("{}: {} ({})\n", name, ok ? "ok" : "FAILED", detail);
    tally->passed = tally->passed && ok;
}

void Report(const char* name, const CheckResult& result, Tally* tally) {
    const bool ok = result.readable && result.lost == 0 && result.duplicated == 0;
    std::string detail = result.detail;
    if (result.lost || result.duplicated)
        detail += fmt::format("; {} lost, {} duplicated", result.lost, result.duplicated);
    Print(name, ok, detail, tally);
    tally->lost += result.lost;
    tally->duplicated += result.duplicated;
}

// Calls visit(worker, op, whether a kill left op in doubt) for every
// operation of every worker.
template <typename Visit>
void ForEachOp(const std::vector<WorkerRecord>& workers, Visit visit) {
    for (const WorkerRecord& w : workers) {
        const JournalOp* inDoubt = w.InDoubt();
        for (const JournalOp& op : w.journal.ops) visit(w, op, &op == inDoubt);
    }
}

// Each path's count must be the acknowledged additions plus some of the
// in-doubt ones; the nearest such sum tells how much was lost or doubled.
CheckResult JudgeCounts(const std::vector<WorkerRecord>& workers, const FinalState& state) {
    BlockCounts acknowledged = {};
    std::vector<std::set<int64_t>> reachable(kBlockPaths, std::set<int64_t>{0});
    int64_t done = 0, doubtful = 0;
    ForEachOp(workers, [&](const WorkerRecord&, const JournalOp& op, bool inDoubt) {
        if (op.op != Op::kAddCount && op.op != Op::kIncCount && op.op != Op::kAddCountList) return;
        if (op.outcome != Outcome::kDone && !inDoubt) return;
        ++(inDoubt ? doubtful : done);
        for (const auto& [p, count] : op.adds) {
            if (p < 0 || p >= kBlockPaths) continue;
            if (!inDoubt) {
                acknowledged[p] += count;
                continue;
            }
            std::set<int64_t> more = reachable[p];
            for (int64_t sum : reachable[p]) more.insert(sum + count);
            reachable[p].swap(more);
        }
    });
    CheckResult result;
    result.readable = state.countsRead;
    result.detail = fmt::format("{} paths, {} acknowledged additions, {} in doubt", kBlockPaths,
                                done, doubtful);
    for (int p = 0; p < kBlockPaths; ++p) {
        const int64_t extra = state.counts[p] - acknowledged[p];
        int64_t nearest = 0;
        for (int64_t sum : reachable[p])
            if (std::llabs(sum - extra) < std::llabs(nearest - extra)) nearest = sum;
        if (extra < nearest) result.lost += nearest - extra;
        else result.duplicated += extra - nearest;
        result.detail +=
            fmt::format("{}{}/{}", p ? ", " : "; counts ", state.counts[p], acknowledged[p]);
    }
    return result;
}

// Rows that acknowledged adds left and no acknowledged delete took away must
// be there; nothing else may be, except what an in-doubt or refused call
// touched.
CheckResult JudgeGroups(const std::vector<WorkerRecord>& workers, const GroupTable& table,
                        const std::set<std::wstring>& actual, bool read, IHlpFunc* helper) {
    std::set<std::wstring> expected, uncertain, named(actual);
    ForEachOp(workers, [&](const WorkerRecord& w, const JournalOp& op, bool) {
        if (op.op != table.add && op.op != table.del) return;
        for (const std::wstring& row : GroupRows(table, w.worker, op.group, op.size)) {
            named.insert(row);
            if (op.outcome != Outcome::kDone) uncertain.insert(row);
            else if (op.op == table.add) expected.insert(row);
            else expected.erase(row);
        }
    });
    CheckResult result;
    result.readable = read;
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
    result.detail = fmt::format("{} rows expected, {} present, {} in doubt", expected.size(),
                                actual.size(), uncertain.size());
    if (wrong.empty()) return result;
    // The store keeps one row per 32-bit path hash; a wrong row whose hash
    // another soak row shares points there rather than at a lost write.
    std::map<uint32_t, int> keys;
    for (const std::wstring& row : named) ++keys[helper->GetPathHash(row)];
    int shared = 0;
    for (const std::wstring& row : wrong) shared += keys[helper->GetPathHash(row)] > 1 ? 1 : 0;
    result.detail += fmt::format(
        "; of the wrong rows {} share a path hash with another soak row; "
        "first: {}",
        shared, fileprotect::Utf8(wrong[0]));
    return result;
}

// Every acknowledged id is taken exactly once or still in the file. A take
// empties the file, so an id missing from every answered take can only have
// gone to a take in doubt that ran after the id's add began and began before
// the first answered take after the add had ended: that take may have
// removed it without living to journal it.
CheckResult JudgeCache(const std::vector<WorkerRecord>& workers, const FinalState& state,
                       const SoakRun& run) {
    std::map<std::string, std::pair<int64_t, int64_t>> added;  // id -> its add's begin, end
    std::set<std::string> maybeAdded;
    std::vector<std::pair<int64_t, int64_t>> killedTakes;  // begin, kill of takes in doubt
    std::multimap<int64_t, int64_t> answeredTakes;         // begin -> end
    std::map<std::string, int> found;
    int64_t taken = 0, printed = 0;
    ForEachOp(workers, [&](const WorkerRecord& w, const JournalOp& op, bool inDoubt) {
        const bool done = op.outcome == Outcome::kDone;
        if (op.op == Op::kAddId || op.op == Op::kAddIds) {
            for (const std::string& id : op.ids) {
                if (done) added[id] = {op.started, op.ended};
                else maybeAdded.insert(id);
            }
        } else if (op.op == Op::kTakeIds && done) {
            answeredTakes.emplace(op.started, op.ended);
            for (const std::string& id : op.ids) ++found[id];
            taken += static_cast<int64_t>(op.ids.size());
        } else if (op.op == Op::kTakeIds && inDoubt) {
            killedTakes.emplace_back(op.started, w.killedAt);
            const std::vector<std::string> ids = PrintedInDoubt(w, run);
            for (const std::string& id : ids) ++found[id];
            printed += static_cast<int64_t>(ids.size());
        }
    });
    for (const std::string& id : state.remainingIds) ++found[id];
    CheckResult result;
    for (const auto& [id, times] : found) {
        const bool wasAdded = added.count(id) || maybeAdded.count(id);
        result.duplicated += wasAdded ? times - 1 : times;
    }
    int64_t excused = 0;
    for (const auto& [id, add] : added) {
        if (found.count(id)) continue;
        auto next = answeredTakes.upper_bound(add.second);
        const int64_t takenBy = next == answeredTakes.end() ? INT64_MAX : next->second;
        bool couldBeTaken = false;
        for (const auto& [began, killedAt] : killedTakes)
            couldBeTaken = couldBeTaken || (began < takenBy && add.first < killedAt);
        ++(couldBeTaken ? excused : result.lost);
    }
    result.detail = fmt::format(
        "{} ids acknowledged, {} taken, {} left in the file, {} added in doubt, {} taken by a "
        "killed taker (from its output), {} missing but possibly taken by one",
        added.size(), taken, state.remainingIds.size(), maybeAdded.size(), printed, excused);
    if (state.cacheBytesAfterTake >= 0)
        result.detail +=
            fmt::format("; file after the final take: {} bytes", state.cacheBytesAfterTake);
    return result;
}

// The counter equals the acknowledged increments, plus any in-doubt ones;
// no two holders may have written the same value.
CheckResult JudgeCounter(const std::vector<WorkerRecord>& workers, const FinalState& state) {
    std::set<long> values;
    int64_t done = 0, doubtful = 0, repeated = 0, retaken = 0;
    ForEachOp(workers, [&](const WorkerRecord&, const JournalOp& op, bool inDoubt) {
        if (op.op != Op::kLockIncrement) return;
        if (op.outcome == Outcome::kDone) {
            ++done;
            if (!values.insert(op.value).second) ++repeated;
            // A lock that a killed holder abandoned is refused once.
            if (op.attempts > 1) ++retaken;
        } else if (inDoubt) {
            ++doubtful;
        }
    });
    CheckResult result;
    result.readable = state.counterRead;
    if (state.counter < done) result.lost = done - state.counter;
    if (state.counter > done + doubtful) result.duplicated = state.counter - done - doubtful;
    result.duplicated += repeated;
    result.detail = fmt::format(
        "value {}, {} acknowledged increments, {} in doubt, {} values written twice, {} locks "
        "taken over from a killed holder",
        state.counter, done, doubtful, repeated, retaken);
    return result;
}

void PrintFigures(const std::vector<WorkerRecord>& workers, double seconds, Tally* tally) {
    std::vector<int64_t> done(std::size(kOps)), refused(std::size(kOps)), doubtful(std::size(kOps));
    ForEachOp(workers, [&](const WorkerRecord&, const JournalOp& op, bool inDoubt) {
        const size_t k = static_cast<size_t>(op.op);
        if (op.outcome == Outcome::kDone) ++done[k];
        else if (op.outcome == Outcome::kRefused) ++refused[k];
        else if (inDoubt) ++doubtful[k];
    });
    auto perSecond = [seconds](int64_t count) { return seconds > 0 ? count / seconds : 0.0; };
    fmt::print("figures over {:.0f} s:\n", seconds);
    fmt::print("  {:<15} {:>8} {:>8} {:>9} {:>11}\n", "operation", "done", "refused", "in doubt",
               "per second");
    int64_t allRefused = 0;
    for (const OpInfo& info : kOps) {
        const size_t k = static_cast<size_t>(info.op);
        fmt::print("  {:<15} {:>8} {:>8} {:>9} {:>11.1f}\n", info.name, done[k], refused[k],
                   doubtful[k], perSecond(done[k]));
        tally->operations += done[k];
        allRefused += refused[k];
    }
    fmt::print("  {:<15} {:>8} {:>8} {:>9} {:>11.1f}\n", "all", tally->operations, allRefused, "",
               perSecond(tally->operations));
    // The store waits for a busy database without limit, so nothing the
    // soak asks for should ever be refused.
    Print("refused operations", allRefused == 0, std::to_string(allRefused), tally);
}

void JudgeWorkers(const std::vector<WorkerRecord>& workers, Tally* tally) {
    int killed = 0, crashed = 0, anomalies = 0, unreadable = 0;
    for (const WorkerRecord& w : workers) {
        killed += w.killed ? 1 : 0;
        unreadable += w.journal.unreadableLines;
        if (!w.fault.empty()) {
            ++crashed;
            fmt::print("  worker {}: {}\n", w.worker, w.fault);
        }
        for (const JournalOp& op : w.journal.ops) {
            anomalies += static_cast<int>(op.anomalies.size());
            for (const std::string& what : op.anomalies)
                fmt::print("  worker {} saw: {}\n", w.worker, what);
        }
    }
    Print("workers", crashed == 0 && anomalies == 0 && unreadable == 0,
          fmt::format("{} started, {} killed, {} crashed, {} read anomalies, {} unreadable "
                      "journal lines",
                      workers.size(), killed, crashed, anomalies, unreadable),
          tally);
}

}  // namespace

bool RemoveSoakRows(IFileProtectCfgMgr* store) {
    std::vector<BlockCountItem> counts;
    std::vector<ProtectFileItem> rejects, files;
    std::vector<std::wstring> extensions;
    return store->GetBlockList(counts) && store->DeleteBlockList(SoakPathsOf(counts)) &&
           store->GetRejectList(rejects) && store->DeleteRejectList(SoakPathsOf(rejects)) &&
           store->GetProtectFileList(files, extensions) &&
           store->DeleteProtectFile(SoakPathsOf(files), false);
}

Tally Judge(const fileprotect::Library& library, const SoakRun& run,
            std::vector<WorkerRecord>& workers, double seconds) {
    for (WorkerRecord& w : workers) w.journal = ReadJournal(run.Journal(w.worker));
    const FinalState state = ReadFinalState(library, run);
    IHlpFunc* helper = library.Helper();
    Tally tally;
    PrintFigures(workers, seconds, &tally);
    JudgeWorkers(workers, &tally);
    Report("block counts", JudgeCounts(workers, state), &tally);
    Report("reject list",
           JudgeGroups(workers, kRejectTable, state.rejects, state.rejectsRead, helper), &tally);
    Report("protect list",
           JudgeGroups(workers, kProtectTable, state.protects, state.protectsRead, helper), &tally);
    Report("cache", JudgeCache(workers, state, run), &tally);
    Report("lock counter", JudgeCounter(workers, state), &tally);
    tally.intact = state.integrity == "ok";
    Print("integrity", tally.intact, "PRAGMA integrity_check: " + state.integrity, &tally);
    return tally;
}
