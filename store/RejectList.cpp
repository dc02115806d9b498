// The reject list: the table rejectlist.
#include "store/FileProtectCfgMgr.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace {

// A path already listed (in any letter case) keeps its mount point and file
// flag and takes the new text.
const Statement kUpsertReject = {
    L"INSERT INTO 'rejectlist' (pathhash, filepath, mountpoint, bFile) "
    L"VALUES(%d,'%s','%s',%d) ON CONFLICT(pathhash) DO UPDATE SET filepath = "
    L"excluded.filepath",
    RowGuard::kUpsert};
const Statement kDeleteReject = {L"DELETE FROM rejectlist WHERE pathhash = %d", RowGuard::kDelete};

}  // namespace

bool CFileProtectCfgMgr::GetRejectList(std::vector<ProtectFileItem>& items) {
    MutexLock lock(&mutex_);
    return RunRead(db_, "SELECT pathhash, filepath, mountpoint, bFile FROM rejectlist",
                   [&](Query& query) {
                       // Read in place: each row's texts are allocated once.
                       // A row with neither a path nor a mount point says nothing.
                       while (query.Step()) {
                           items.emplace_back();
                           ProtectFileItem& item = items.back();
                           if (!ReadPathRow(query, &item) ||
                               (item.filepath.empty() && item.mountpoint.empty()))
                               items.pop_back();
                       }
                   });
}

bool CFileProtectCfgMgr::AddRejectList(const std::vector<ProtectFileItem>& items) {
    MutexLock lock(&mutex_);
    return RunAllOrNothing(db_, items, [&](const ProtectFileItem& item) {
        const int32_t key = PathKey(item.filepath);
        return ExecFormatted(kUpsertReject, {key, item.filepath, item.mountpoint, item.bFile ? 1 : 0},
                             {{PathTable::kRejectList, key, item.filepath}});
    });
}

bool CFileProtectCfgMgr::DeleteRejectList(const std::vector<std::wstring>& paths) {
    MutexLock lock(&mutex_);
    return RunKeepWhatWasDone(db_, paths, [&](const std::wstring& path) {
        const int32_t key = PathKey(path);
        return ExecFormatted(kDeleteReject, {key}, {{PathTable::kRejectList, key, path}});
    });
}

bool CFileProtectCfgMgr::ClearRejectList() {
    MutexLock lock(&mutex_);
    return ExecSql(db_, L"DELETE FROM rejectlist");
}
