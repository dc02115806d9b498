// Per-path block counts: the table blocklist.
#include "FileProtectCfgMgr.h"
#include "HashText.h"
#include "Transaction.h"

namespace {

const char kBlockQuery[] = "SELECT pathhash, filepath, blockcount FROM blocklist";
const wchar_t kDeleteByKey[] = L"DELETE FROM blocklist WHERE pathhash = %d";

// False at the end of the rows, and at a row without a path, which ends the
// scan as well.
bool ReadBlockRow(Query& query, BlockCountItem* item) {
    std::wstring path;
    if (!query.Step() || !query.Text(1, &path)) return false;
    item->pathhash = query.Int(0);
    item->filepath = path;
    item->blockcount = query.Int(2);
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
        while (ReadBlockRow(query, &row)) {
            if (row.filepath == item.filepath) {
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
        while (ReadBlockRow(query, &row)) items.push_back(row);
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
    auto deleteRow = [&] { return ExecFormatted(kDeleteByKey, {PathKey(path)}); };
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
        return ExecFormatted(kDeleteByKey, {PathKey(path)});
    });
}

bool CFileProtectCfgMgr::ClearBlockList() {
    StoreGuard guard(mutex_);
    return ExecSql(db_, L"DELETE FROM blocklist");
}

bool CFileProtectCfgMgr::AddBlockCount(const std::wstring& path, int32_t count) {
    StoreGuard guard(mutex_);
    // A new path gets a row; a known one keeps the text of its first report.
    return ExecFormatted(
        L"INSERT INTO blocklist (pathhash, filepath, blockcount) VALUES(%d, '%s',%d) ON "
        L"CONFLICT(pathhash) DO UPDATE SET blockcount = blockcount + %d",
        {PathKey(path), path, count, count});
}

bool CFileProtectCfgMgr::IncreaseBlockCount(const std::wstring& path) {
    StoreGuard guard(mutex_);
    return ExecFormatted(
        L"INSERT INTO blocklist (pathhash, filepath, blockcount) VALUES(%d, '%s',1) ON "
        L"CONFLICT(pathhash) DO UPDATE SET blockcount = blockcount + 1",
        {PathKey(path), path});
}
