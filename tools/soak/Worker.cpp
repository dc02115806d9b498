#include "Worker.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Journal.h"
#include "SoakLibrary.h"

namespace {

// How often each kind is chosen, against the others.
struct Weight {
    OpKind kind;
    int weight;
};
constexpr Weight kMix[] = {
    {OpKind::kAddCount, 10},   {OpKind::kIncCount, 10},     {OpKind::kAddCountList, 8},
    {OpKind::kReadCounts, 5},  {OpKind::kAddReject, 8},     {OpKind::kDelReject, 5},
    {OpKind::kReadRejects, 4}, {OpKind::kAddProtect, 6},    {OpKind::kDelProtect, 4},
    {OpKind::kReadProtects, 3}, {OpKind::kAddId, 8},        {OpKind::kAddIds, 5},
    {OpKind::kTakeIds, 3},     {OpKind::kLockIncrement, 8},
};

constexpr int kLockAttempts = 3;
// Rows are keyed by a 32-bit hash of their path: the fewer rows live at
// once, the less likely two of them share a key (which the store cannot
// hold). A worker with this many groups in a table deletes before it adds.
constexpr size_t kMaxGroups = 12;

// The groups of one rule table that this worker has added, as it knows them.
struct OwnGroups {
    const wchar_t* table;
    std::map<int, int> present;  // group -> size, acknowledged and not deleted
    std::set<int> uncertain;     // a refused call may have left part of them
};

class Worker {
public:
    Worker(const SoakRun& run, int worker, uint64_t seed, const std::string& focus)
        : run_(run), worker_(worker), focus_(focus), random_(seed) {}

    int Run();

private:
    OpKind Choose();
    int Pick(int below) { return static_cast<int>(random_() % static_cast<uint64_t>(below)); }

    // Each runs one operation between its intent and its answer; false
    // only when the journal cannot be written.
    bool Step(OpKind kind);
    bool AddCount(OpKind kind);
    bool ReadCounts();
    bool AddGroup(OwnGroups& groups, OpKind kind);
    bool DeleteGroup(OwnGroups& groups, OpKind kind);
    bool ReadGroups(OwnGroups& groups, OpKind kind);
    bool AddIds(OpKind kind);
    bool TakeIds();
    bool LockIncrement();

    bool Answer(bool succeeded, const std::string& results = std::string());
    // Checks a listing against what every writer promises and what this
    // worker knows of its own groups; journals each thing it finds wrong.
    bool CheckGroups(const OwnGroups& groups, const std::vector<std::wstring>& paths);

    const SoakRun& run_;
    const int worker_;
    const std::string focus_;
    std::mt19937_64 random_;
    SoakLibrary library_;
    JournalWriter journal_;
    IProtectFileGlbLock* lock_ = nullptr;

    int64_t seq_ = 0;
    int nextGroup_ = 1;
    int nextId_ = 1;
    OwnGroups rejects_{L"reject", {}, {}};
    OwnGroups protects_{L"protect", {}, {}};
    int64_t ownCounts_[kBlockPaths] = {};   // this worker's acknowledged additions
    int64_t lastCounts_[kBlockPaths] = {};  // what its last listing showed
};

int Worker::Run() {
    if (!journal_.Open(run_.Journal(worker_))) return kWorkerNoJournal;
    if (!library_.Load()) return kWorkerNoLibrary;
    if (!library_.cache->InitCacheFile(run_.CacheFile(), L"soak")) return kWorkerNoLibrary;
    lock_ = library_.newLock();
    lock_->SetLockName(run_.CounterLockName());

    HANDLE stop = OpenEventW(SYNCHRONIZE, FALSE, run_.StopEventName().c_str());
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, run_.parentId);
    int exitCode = kWorkerStopped;
    for (;;) {
        if (!stop || WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) break;
        if (!parent || WaitForSingleObject(parent, 0) == WAIT_OBJECT_0) {
            exitCode = kWorkerParentGone;
            break;
        }
        if (!Step(Choose())) {
            exitCode = kWorkerNoJournal;
            break;
        }
    }
    if (stop) CloseHandle(stop);
    if (parent) CloseHandle(parent);
    lock_->Release();
    library_.store->CloseDb();
    return exitCode;
}

OpKind Worker::Choose() {
    auto weight = [&](const Weight& w) {
        return focus_ == "all" || focus_ == OpArea(w.kind) ? w.weight : 0;
    };
    int total = 0;
    for (const Weight& w : kMix) total += weight(w);
    int roll = Pick(total > 0 ? total : 1);
    for (const Weight& w : kMix) {
        if (roll < weight(w)) return w.kind;
        roll -= weight(w);
    }
    return OpKind::kReadCounts;
}

bool Worker::Answer(bool succeeded, const std::string& results) {
    return succeeded ? journal_.Done(seq_, results) : journal_.Refused(seq_);
}

bool Worker::Step(OpKind kind) {
    ++seq_;
    switch (kind) {
        case OpKind::kAddCount:
        case OpKind::kIncCount:
        case OpKind::kAddCountList: return AddCount(kind);
        case OpKind::kReadCounts: return ReadCounts();
        case OpKind::kAddReject: return AddGroup(rejects_, kind);
        case OpKind::kDelReject: return DeleteGroup(rejects_, kind);
        case OpKind::kReadRejects: return ReadGroups(rejects_, kind);
        case OpKind::kAddProtect: return AddGroup(protects_, kind);
        case OpKind::kDelProtect: return DeleteGroup(protects_, kind);
        case OpKind::kReadProtects: return ReadGroups(protects_, kind);
        case OpKind::kAddId:
        case OpKind::kAddIds: return AddIds(kind);
        case OpKind::kTakeIds: return TakeIds();
        case OpKind::kLockIncrement: return LockIncrement();
        case OpKind::kCount: break;
    }
    return true;
}

bool Worker::AddCount(OpKind kind) {
    // Additions of 1 to 9: small, and different enough that the parent can
    // tell which in-doubt additions landed.
    const int first = Pick(kBlockPaths);
    const int firstCount = kind == OpKind::kIncCount ? 1 : 1 + Pick(9);
    const int second = (first + 1 + Pick(kBlockPaths - 1)) % kBlockPaths;
    const int secondCount = 1 + Pick(9);
    std::string args = std::to_string(first) + " " + std::to_string(firstCount);
    if (kind == OpKind::kAddCountList)
        args += " " + std::to_string(second) + " " + std::to_string(secondCount);
    if (!journal_.Intent(seq_, kind, args)) return false;

    bool added = false;
    IFileProtectCfgMgr* store = library_.store;
    if (kind == OpKind::kAddCount) {
        added = store->AddBlockCount(BlockPath(first), firstCount);
    } else if (kind == OpKind::kIncCount) {
        added = store->IncreaseBlockCount(BlockPath(first));
    } else {
        BlockCountItem a, b;
        a.filepath = BlockPath(first);
        a.blockcount = firstCount;
        b.filepath = BlockPath(second);
        b.blockcount = secondCount;
        added = store->AddBlockCountList({a, b});
        if (added) ownCounts_[second] += secondCount;
    }
    if (added) ownCounts_[first] += firstCount;
    return Answer(added);
}

bool Worker::ReadCounts() {
    if (!journal_.Intent(seq_, OpKind::kReadCounts, "")) return false;
    std::vector<BlockCountItem> items;
    if (!library_.store->GetBlockList(items)) return Answer(false);
    if (!Answer(true)) return false;
    int64_t seen[kBlockPaths] = {};
    for (const BlockCountItem& item : items)
        for (int p = 0; p < kBlockPaths; ++p)
            if (item.filepath == BlockPath(p)) seen[p] = item.blockcount;
    for (int p = 0; p < kBlockPaths; ++p) {
        // Counts only grow, and what this worker added is committed.
        std::string what;
        if (seen[p] < lastCounts_[p])
            what = "went back from " + std::to_string(lastCounts_[p]);
        else if (seen[p] < ownCounts_[p])
            what = "is below this worker's own additions " + std::to_string(ownCounts_[p]);
        if (!what.empty() &&
            !journal_.Anomaly(seq_, "read-counts: count of path " + std::to_string(p) + " " +
                                        what + " to " + std::to_string(seen[p])))
            return false;
        lastCounts_[p] = seen[p];
    }
    return true;
}

bool Worker::AddGroup(OwnGroups& groups, OpKind kind) {
    if (groups.present.size() >= kMaxGroups)
        return DeleteGroup(groups, kind == OpKind::kAddReject ? OpKind::kDelReject
                                                              : OpKind::kDelProtect);
    const int group = nextGroup_++;
    const int size = 1 + Pick(3);
    if (!journal_.Intent(seq_, kind, std::to_string(group) + " " + std::to_string(size)))
        return false;
    std::vector<ProtectFileItem> items(size);
    for (int i = 0; i < size; ++i) {
        items[i].filepath = GroupRowPath(groups.table, worker_, group, i + 1, size);
        items[i].mountpoint = L"C:";
        items[i].bFile = true;
    }
    const bool added = kind == OpKind::kAddReject ? library_.store->AddRejectList(items)
                                                  : library_.store->AddProtectFile(items, false);
    if (added) groups.present[group] = size;
    else groups.uncertain.insert(group);
    return Answer(added);
}

bool Worker::DeleteGroup(OwnGroups& groups, OpKind kind) {
    if (groups.present.empty()) return AddGroup(groups, kind == OpKind::kDelReject
                                                           ? OpKind::kAddReject
                                                           : OpKind::kAddProtect);
    auto chosen = groups.present.begin();
    std::advance(chosen, Pick(static_cast<int>(groups.present.size())));
    const int group = chosen->first;
    const int size = chosen->second;
    if (!journal_.Intent(seq_, kind, std::to_string(group) + " " + std::to_string(size)))
        return false;
    std::vector<std::wstring> paths;
    for (int i = 1; i <= size; ++i) paths.push_back(GroupRowPath(groups.table, worker_, group, i, size));
    const bool deleted = kind == OpKind::kDelReject ? library_.store->DeleteRejectList(paths)
                                                    : library_.store->DeleteProtectFile(paths, false);
    groups.present.erase(group);
    if (!deleted) groups.uncertain.insert(group);
    return Answer(deleted);
}

bool Worker::ReadGroups(OwnGroups& groups, OpKind kind) {
    if (!journal_.Intent(seq_, kind, "")) return false;
    std::vector<std::wstring> paths;
    bool read = false;
    if (kind == OpKind::kReadRejects) {
        std::vector<ProtectFileItem> items;
        read = library_.store->GetRejectList(items);
        for (const ProtectFileItem& item : items) paths.push_back(item.filepath);
    } else {
        std::vector<ProtectFileItem> items;
        std::vector<std::wstring> extensions;
        read = library_.store->GetProtectFileList(items, extensions);
        for (const ProtectFileItem& item : items) paths.push_back(item.filepath);
    }
    if (!Answer(read)) return false;
    return !read || CheckGroups(groups, paths);
}

bool Worker::CheckGroups(const OwnGroups& groups, const std::vector<std::wstring>& paths) {
    const std::wstring head = std::wstring(kSoakPrefix) + groups.table + L"\\";
    std::map<std::pair<int, int>, std::pair<int, int>> seen;  // (worker, group) -> (rows, size)
    std::vector<std::string> wrong;
    for (const std::wstring& path : paths) {
        if (path.compare(0, head.size(), head) != 0) continue;
        int worker = 0, group = 0, size = 0;
        if (!ParseGroupRow(path, groups.table, &worker, &group, &size)) {
            wrong.push_back("a row that no worker writes: " + Narrow(path));
            continue;
        }
        auto& entry = seen[{worker, group}];
        entry.first += 1;
        entry.second = size;
    }
    // Every writer adds and deletes a group in one call: a listing holds
    // all of a group or none of it.
    for (const auto& [key, rows] : seen) {
        if (rows.first != rows.second)
            wrong.push_back("group w" + std::to_string(key.first) + "/g" +
                            std::to_string(key.second) + " listed with " +
                            std::to_string(rows.first) + " of its " +
                            std::to_string(rows.second) + " rows");
        // This worker's own groups: what it was told is what it sees.
        if (key.first == worker_ && !groups.present.count(key.second) &&
            !groups.uncertain.count(key.second))
            wrong.push_back("own deleted group g" + std::to_string(key.second) + " is listed");
    }
    for (const auto& [group, size] : groups.present)
        if (!seen.count({worker_, group}))
            wrong.push_back("own group g" + std::to_string(group) + " is missing");
    const char* name = groups.table == rejects_.table ? "read-rejects: " : "read-protects: ";
    for (const std::string& what : wrong)
        if (!journal_.Anomaly(seq_, name + what)) return false;
    return true;
}

bool Worker::AddIds(OpKind kind) {
    const int count = kind == OpKind::kAddId ? 1 : 2 + Pick(2);
    std::vector<std::string> ids;
    std::string args;
    for (int i = 0; i < count; ++i) {
        ids.push_back("w" + std::to_string(worker_) + "-" + std::to_string(nextId_++));
        args += (i ? " " : "") + ids.back();
    }
    if (!journal_.Intent(seq_, kind, args)) return false;
    // The interface reports nothing: handing the ids over is the success.
    if (kind == OpKind::kAddId) library_.cache->AddPathId(ids[0]);
    else library_.cache->AddPathIds(ids);
    return Answer(true);
}

bool Worker::TakeIds() {
    if (!journal_.Intent(seq_, OpKind::kTakeIds, "")) return false;
    std::vector<std::string> ids;
    library_.cache->TakePathIds(ids);
    std::string results;
    for (const std::string& id : ids) results += (results.empty() ? "" : " ") + id;
    return Answer(true, results);
}

bool Worker::LockIncrement() {
    if (!journal_.Intent(seq_, OpKind::kLockIncrement, "")) return false;
    // A false Lock can mean the mutex was abandoned by a killed holder: this
    // thread then owns it, but the interface cannot say so. Giving it back
    // and asking again turns that into a plain acquisition; a real failure
    // stays a failure.
    bool locked = false;
    int attempts = 0;
    while (!locked && attempts < kLockAttempts) {
        ++attempts;
        locked = lock_->Lock();
        if (!locked) lock_->Unlock();
    }
    if (!locked) return Answer(false);

    long value = 0;
    bool ok = true;
    if (FILE* file = _wfopen(run_.CounterFile().c_str(), L"rb")) {
        ok = fscanf(file, "%ld", &value) == 1;
        fclose(file);
    } else {
        ok = false;
    }
    // Written aside and renamed over the counter, so a holder killed while
    // writing leaves the old value, never a cut one.
    const std::wstring aside = run_.CounterFile() + L".new";
    if (ok) {
        FILE* file = _wfopen(aside.c_str(), L"wb");
        ok = file && fprintf(file, "%ld", value + 1) > 0;
        if (file) ok = fclose(file) == 0 && ok;
        ok = ok && MoveFileExW(aside.c_str(), run_.CounterFile().c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    lock_->Unlock();
    // The parent counts the locks that took more than one attempt.
    return Answer(ok, std::to_string(value + 1) + " " + std::to_string(attempts));
}

}  // namespace

int RunWorker(const SoakRun& run, int worker, uint64_t seed, const std::string& focus) {
    return Worker(run, worker, seed, focus).Run();
}
