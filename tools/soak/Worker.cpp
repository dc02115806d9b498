#include <fmt/format.h>

#include <map>
#include <random>
#include <set>

#include "interfaces/FileProtectHost.h"
#include "Soak.h"

namespace {

constexpr int kLockAttempts = 3;
// Rows are keyed by a 32-bit hash of their path: the fewer rows live at
// once, the less likely two of them share a key (which the store cannot
// hold). A worker with this many groups in a table deletes before it adds.
constexpr size_t kMaxGroups = 12;

// The groups of one rule table that this worker has added, as it knows them.
struct OwnGroups {
    const GroupTable& table;
    std::map<int, int> present = {};  // group -> size, acknowledged and not deleted
    std::set<int> uncertain = {};     // a refused call may have left part of them
};

// Picks an index into kOps by the operations' weights.
std::discrete_distribution<size_t> OpChooser(const std::string& focus) {
    std::vector<int> weights;
    for (const OpInfo& info : kOps)
        weights.push_back(focus == "all" || focus == info.area ? info.weight : 0);
    return {weights.begin(), weights.end()};
}

class Worker {
public:
    Worker(const SoakRun& run, int worker, uint64_t seed, const std::string& focus)
        : run_(run), worker_(worker), random_(seed), choose_(OpChooser(focus)) {}

    int Run() {
        journal_.Reset(CreateFileW(run_.Journal(worker_).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!journal_.Valid()) return kWorkerNoJournal;
        if (!store_->InitDb()) {
            fmt::print("{}", kStoreClosed);
            return kWorkerNoLibrary;
        }
        if (!cache_->InitCacheFile(run_.File(kCacheFile), L"soak")) return kWorkerNoLibrary;
        lock_->SetLockName(run_.name + L"-counter");
        const int exitCode = Work();
        store_->CloseDb();
        return exitCode;
    }

private:
    // Steps until the parent sets the stop event or goes away.
    int Work() {
        const fileprotect::Handle stop(
            OpenEventW(SYNCHRONIZE, FALSE, (run_.name + L"-stop").c_str()));
        const fileprotect::Handle parent(OpenProcess(SYNCHRONIZE, FALSE, run_.parentId));
        while (stop.Valid() && WaitForSingleObject(stop.Get(), 0) != WAIT_OBJECT_0) {
            if (!parent.Valid() || WaitForSingleObject(parent.Get(), 0) == WAIT_OBJECT_0)
                return kWorkerParentGone;
            if (!Step(kOps[choose_(random_)].op)) return kWorkerNoJournal;
        }
        return kWorkerStopped;
    }

    int Pick(int below) { return static_cast<int>(random_() % static_cast<uint64_t>(below)); }

    // Runs one operation between its intent and its answer in the journal;
    // false only when the journal cannot be written.
    bool Step(Op op) {
        op_ = JournalOp();
        op_.seq = ++seq_;
        op_.op = op;
        switch (op) {
            case Op::kAddCount: case Op::kIncCount: case Op::kAddCountList: return AddCount();
            case Op::kReadCounts: return ReadCounts();
            case Op::kAddReject: return AddGroup(rejects_);
            case Op::kDelReject: return DeleteGroup(rejects_);
            case Op::kReadRejects: return ReadGroups(rejects_);
            case Op::kAddProtect: return AddGroup(protects_);
            case Op::kDelProtect: return DeleteGroup(protects_);
            case Op::kReadProtects: return ReadGroups(protects_);
            case Op::kAddId: case Op::kAddIds: return AddIds();
            case Op::kTakeIds: return TakeIds();
            case Op::kLockIncrement: return LockIncrement();
        }
        return true;
    }

    bool Intent() {
        op_.started = NowMicros();
        return WriteJournal(journal_, op_);
    }
    bool Answer(bool done) {
        op_.ended = NowMicros();
        op_.outcome = done ? Outcome::kDone : Outcome::kRefused;
        return WriteJournal(journal_, op_);
    }

    bool AddCount() {
        // Additions of 1 to 9: small, and different enough that the parent
        // can tell which in-doubt additions landed.
        const int first = Pick(kBlockPaths);
        const int firstCount = op_.op == Op::kIncCount ? 1 : 1 + Pick(9);
        const int second = (first + 1 + Pick(kBlockPaths - 1)) % kBlockPaths;
        const int secondCount = 1 + Pick(9);
        op_.adds = {{first, firstCount}};
        if (op_.op == Op::kAddCountList) op_.adds.emplace_back(second, secondCount);
        if (!Intent()) return false;
        bool added = false;
        if (op_.op == Op::kAddCount) added = store_->AddBlockCount(BlockPath(first), firstCount);
        else if (op_.op == Op::kIncCount) added = store_->IncreaseBlockCount(BlockPath(first));
        else
            added = store_->AddBlockCountList(
                {{0, BlockPath(first), firstCount}, {0, BlockPath(second), secondCount}});
        if (added)
            for (const auto& [path, count] : op_.adds) ownCounts_[path] += count;
        return Answer(added);
    }

    bool ReadCounts() {
        if (!Intent()) return false;
        std::vector<BlockCountItem> rows;
        if (!store_->GetBlockList(rows)) return Answer(false);
        const BlockCounts seen = CountsOf(rows);
        for (int p = 0; p < kBlockPaths; ++p) {
            // Counts only grow, and what this worker added is committed.
            if (seen[p] < lastCounts_[p])
                Saw(fmt::format("read-counts: count of path {} went back from {} to {}", p,
                                lastCounts_[p], seen[p]));
            else if (seen[p] < ownCounts_[p])
                Saw(fmt::format(
                    "read-counts: count of path {} is below this worker's own additions {} to {}",
                    p, ownCounts_[p], seen[p]));
            lastCounts_[p] = seen[p];
        }
        return Answer(true);
    }

    bool AddGroup(OwnGroups& groups) {
        if (groups.present.size() >= kMaxGroups) return DeleteGroup(groups);
        op_.op = groups.table.add;
        op_.group = nextGroup_++;
        op_.size = 1 + Pick(3);
        if (!Intent()) return false;
        std::vector<ProtectFileItem> rows;
        for (const std::wstring& path : GroupRows(groups.table, worker_, op_.group, op_.size))
            rows.push_back({path, L"C:", false, true});
        const bool added = op_.op == Op::kAddReject ? store_->AddRejectList(rows)
                                                    : store_->AddProtectFile(rows, false);
        if (added) groups.present[op_.group] = op_.size;
        else groups.uncertain.insert(op_.group);
        return Answer(added);
    }

    bool DeleteGroup(OwnGroups& groups) {
        if (groups.present.empty()) return AddGroup(groups);
        auto chosen = groups.present.begin();
        std::advance(chosen, Pick(static_cast<int>(groups.present.size())));
        op_.op = groups.table.del;
        std::tie(op_.group, op_.size) = *chosen;
        if (!Intent()) return false;
        const auto paths = GroupRows(groups.table, worker_, op_.group, op_.size);
        const bool deleted = op_.op == Op::kDelReject ? store_->DeleteRejectList(paths)
                                                      : store_->DeleteProtectFile(paths, false);
        groups.present.erase(op_.group);
        if (!deleted) groups.uncertain.insert(op_.group);
        return Answer(deleted);
    }

    bool ReadGroups(const OwnGroups& groups) {
        if (!Intent()) return false;
        std::vector<ProtectFileItem> rows;
        std::vector<std::wstring> extensions;
        const bool read = op_.op == Op::kReadRejects ? store_->GetRejectList(rows)
                                                     : store_->GetProtectFileList(rows, extensions);
        if (read) CheckGroups(groups, rows);
        return Answer(read);
    }

    // Checks a listing against what every writer promises and what this
    // worker knows of its own groups.
    void CheckGroups(const OwnGroups& groups, const std::vector<ProtectFileItem>& rows) {
        const char* read = InfoOf(op_.op).name;
        const std::wstring head = std::wstring(kSoakPrefix) + groups.table.name + L"\\";
        std::map<std::pair<int, int>, std::pair<int, int>> seen;  // (worker, group) -> (rows, size)
        for (const ProtectFileItem& row : rows) {
            if (row.filepath.compare(0, head.size(), head) != 0) continue;
            int worker = 0, group = 0, size = 0;
            if (!ParseGroupRow(row.filepath, groups.table, &worker, &group, &size)) {
                Saw(fmt::format("{}: a row that no worker writes: {}", read,
                                fileprotect::Utf8(row.filepath)));
                continue;
            }
            auto& [count, ofSize] = seen[{worker, group}];
            count += 1;
            ofSize = size;
        }
        // Every writer adds and deletes a group in one call: a listing holds
        // all of a group or none of it.
        for (const auto& [key, rowsOfSize] : seen) {
            const auto [worker, group] = key;
            if (rowsOfSize.first != rowsOfSize.second)
                Saw(fmt::format("{}: group w{}/g{} listed with {} of its {} rows", read, worker,
                                group, rowsOfSize.first, rowsOfSize.second));
            // This worker's own groups: what it was told is what it sees.
            if (worker == worker_ && !groups.present.count(group) && !groups.uncertain.count(group))
                Saw(fmt::format("{}: own deleted group g{} is listed", read, group));
        }
        for (const auto& [group, size] : groups.present)
            if (!seen.count({worker_, group}))
                Saw(fmt::format("{}: own group g{} is missing", read, group));
    }

    // Notes what a listing showed that breaks a promise; the parent reports it.
    void Saw(std::string what) { op_.anomalies.push_back(std::move(what)); }

    bool AddIds() {
        op_.ids.resize(op_.op == Op::kAddId ? 1 : 2 + Pick(2));
        for (std::string& id : op_.ids) id = fmt::format("w{}-{}", worker_, nextId_++);
        if (!Intent()) return false;
        // The interface reports nothing: handing the ids over is the success.
        if (op_.op == Op::kAddId) cache_->AddPathId(op_.ids[0]);
        else cache_->AddPathIds(op_.ids);
        return Answer(true);
    }

    bool TakeIds() {
        if (!Intent()) return false;
        cache_->TakePathIds(op_.ids);
        return Answer(true);
    }

    bool LockIncrement() {
        if (!Intent()) return false;
        // A false Lock can mean the mutex was abandoned by a killed holder:
        // this thread then owns it, but the interface cannot say so. Giving
        // it back and asking again turns that into a plain acquisition; a
        // real failure stays a failure. The parent counts the locks that
        // took more than one attempt.
        bool locked = false;
        while (!locked && op_.attempts < kLockAttempts) {
            ++op_.attempts;
            locked = lock_->Lock();
            if (!locked) lock_->Unlock();
        }
        if (!locked) return Answer(false);
        const bool written = IncrementCounter();
        lock_->Unlock();
        return Answer(written);
    }

    bool IncrementCounter() {
        const std::wstring counter = run_.File(kCounterFile);
        return ReadCounter(counter, &op_.value) && WriteCounter(counter, ++op_.value);
    }

    const SoakRun& run_;
    const int worker_;
    std::mt19937_64 random_;
    std::discrete_distribution<size_t> choose_;
    const fileprotect::Library library_;  // throws std::runtime_error when it does not load
    IFileProtectCfgMgr* const store_ = library_.Store();
    IProtectFileCacheFileMgr* const cache_ = library_.Cache();
    const fileprotect::Owned<IProtectFileGlbLock> lock_ = library_.NewLock();
    fileprotect::Handle journal_;
    JournalOp op_;  // the operation under way

    int64_t seq_ = 0;
    int nextGroup_ = 1;
    int nextId_ = 1;
    OwnGroups rejects_{kRejectTable};
    OwnGroups protects_{kProtectTable};
    BlockCounts ownCounts_ = {};   // this worker's acknowledged additions
    BlockCounts lastCounts_ = {};  // what its last listing showed
};

}  // namespace

int RunWorker(const SoakRun& run, int worker, uint64_t seed, const std::string& focus) {
    try {
        return Worker(run, worker, seed, focus).Run();
    } catch (const std::runtime_error& error) {  // the library did not load
        fmt::print("soak: {}\n", error.what());
        return kWorkerNoLibrary;
    }
}
