// Per-path block counts: the table blocklist.
#include <cstdint>

#include "FileProtectCfgMgr.h"
#include "HashText.h"
#include "Transaction.h"

namespace {

const char kBlockQuery[] = "SELECT pathhash, filepath, blockcount FROM blocklist";
const wchar_t kDeleteByKey[] = L"DELETE FROM blocklist WHERE pathhash = %d";

// Sums are stored as 64-bit integers and may have left the 32-bit range of
// the record; they read back as the nearest value it can hold.
int32_t Saturated(int64_t sum) {
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

// Reads the current row. False for a row without a path, which the scans
// pass over.
bool ReadBlockRow(const Query& query, BlockCountItem* item) {
    std::wstring path;
    if (!query.Text(1, &path)) return false;
    item->pathhash = query.Int(0);
    item->filepath = path;
    item->blockcount = Saturated(query.Int64(2));
    return true;
}

}  // namespace

bool CFileProtectCfgMgr::GetBlockCount(BlockCountItem& item) {
    StoreGuard guard(mutex_);
    bool found = false;
    RunRead(db_, kBlockQuery, [&](Query& query) {
        BlockCountItem row;
        // The stored text must match exactly, letter case included; the
        // hash alone would also match other spellings of the path.
        while (query.Step()) {
            if (ReadBlockRow(query, &row) && row.filepath == item.filepath) {
                item.blockcount = row.blockcount;
                found = true;
                return;
            }
        }
    });
    return found;
}

bool CFileProtectCfgMgr::GetBlockList(std::vector<BlockCountItem>& items) {
    StoreGuard guard(mutex_);
    return RunRead(db_, kBlockQuery, [&](Query& query) {
        BlockCountItem row;
        while (query.Step())
            if (ReadBlockRow(query, &row)) items.push_back(row);
    });
}

bool CFileProtectCfgMgr::AddBlockCountList(const std::vector<BlockCountItem>& items) {
    StoreGuard guard(mutex_);
    return RunAllOrNothing(db_, items, [&](const BlockCountItem& item) {
        return AddBlockCount(item.filepath, item.blockcount);
    });
}

bool CFileProtectCfgMgr::AddBlockCountItem(const BlockCountItem& item) {
    StoreGuard guard(mutex_);
    return AddBlockCountList(std::vector<BlockCountItem>{item});
}

bool CFileProtectCfgMgr::DeleteBlockListItem(const std::wstring& path, bool ownTransaction) {
    StoreGuard guard(mutex_);
    const int32_t key = PathKey(path);
    auto deleteRow = [&] {
        return ExecFormatted(kDeleteByKey, {key}, {{PathTable::kBlockList, key, path}});
    };
    // Without its own transaction the deletion belongs to the caller's.
    return ownTransaction ? RunOneInTransaction(db_, deleteRow) : deleteRow();
}

bool CFileProtectCfgMgr::DeleteBlockListItems(const std::vector<std::wstring>& paths) {
    StoreGuard guard(mutex_);
    return RunAllOrNothing(db_, paths, [&](const std::wstring& path) {
        return DeleteBlockListItem(path, false);
    });
}

bool CFileProtectCfgMgr::DeleteBlockListByHash(const std::vector<std::string>& hashes) {
    StoreGuard guard(mutex_);
    return RunKeepWhatWasDone(db_, hashes, [&](const std::string& text) {
        int32_t key = 0;
        if (!ReadHashText(text, &key)) return true;  // no stored row has such a key
        return ExecFormatted(kDeleteByKey, {key});
    });
}

bool CFileProtectCfgMgr::DeleteBlockList(const std::vector<std::wstring>& paths) {
    StoreGuard guard(mutex_);
    return RunKeepWhatWasDone(db_, paths, [&](const std::wstring& path) {
        const int32_t key = PathKey(path);
        return ExecFormatted(kDeleteByKey, {key}, {{PathTable::kBlockList, key, path}});
    });
}

bool CFileProtectCfgMgr::ClearBlockList() {
    StoreGuard guard(mutex_);
    return ExecSql(db_, L"DELETE FROM blocklist");
}

bool CFileProtectCfgMgr::AddBlockCount(const std::wstring& path, int32_t count) {
    StoreGuard guard(mutex_);
    // A new path gets a row; a known one keeps the text of its first report.
    const int32_t key = PathKey(path);
    return ExecFormatted(
        L"INSERT INTO blocklist (pathhash, filepath, blockcount) VALUES(%d, '%s',%d) ON "
        L"CONFLICT(pathhash) DO UPDATE SET blockcount = blockcount + %d",
        {key, path, count, count}, {{PathTable::kBlockList, key, path}});
}

bool CFileProtectCfgMgr::IncreaseBlockCount(const std::wstring& path) {
    StoreGuard guard(mutex_);
    const int32_t key = PathKey(path);
    return ExecFormatted(
        L"INSERT INTO blocklist (pathhash, filepath, blockcount) VALUES(%d, '%s',1) ON "
        L"CONFLICT(pathhash) DO UPDATE SET blockcount = blockcount + 1",
        {key, path}, {{PathTable::kBlockList, key, path}});
}
