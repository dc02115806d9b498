// The two white lists, and moving a path row to a new path.
#include "store/FileProtectCfgMgr.h"
#include "store/Query.h"
#include "store/Transaction.h"

namespace {

// One fixed statement per table, so the values are bound like every other
// statement's: the selector picks the statement, never a spliced-in name.
struct WhiteTableStatements {
    PathTable table;
    const char* select;
    Statement upsert;
    Statement deleteRow;
    const wchar_t* clear;
};

const WhiteTableStatements kWhiteList = {
    PathTable::kWhiteList,
    "SELECT pathhash, filepath, mountpoint, bFile FROM whitelist",
    {L"INSERT INTO 'whitelist' (pathhash, filepath, mountpoint, bFile) VALUES(%d,'%s','%s',%d) "
     L"ON CONFLICT(pathhash) DO UPDATE SET filepath = excluded.filepath",
     RowGuard::kUpsert},
    {L"DELETE FROM 'whitelist' WHERE pathhash = %d", RowGuard::kDelete},
    L"DELETE FROM whitelist",
};

const WhiteTableStatements kConstWhiteList = {
    PathTable::kConstWhiteList,
    "SELECT pathhash, filepath, mountpoint, bFile FROM const_whitelist",
    {L"INSERT INTO 'const_whitelist' (pathhash, filepath, mountpoint, bFile) "
     L"VALUES(%d,'%s','%s',%d) ON CONFLICT(pathhash) DO UPDATE SET filepath = excluded.filepath",
     RowGuard::kUpsert},
    {L"DELETE FROM 'const_whitelist' WHERE pathhash = %d", RowGuard::kDelete},
    L"DELETE FROM const_whitelist",
};

// The selector names const_whitelist when true, whitelist when false.
const WhiteTableStatements& WhiteTable(bool constList) {
    return constList ? kConstWhiteList : kWhiteList;
}

// The one table a rename updates: the first set bit in order of precedence.
// const_whitelist is fixed by definition and never follows a rename.
// A rename makes two claims, on its old key and its new one, which no guard
// inside the update can carry: they are checked before it.
struct RenameTarget {
    uint16_t listKind;
    PathTable table;
    Statement update;
};

const RenameTarget kRenameTargets[] = {
    {kRenameWhiteList, PathTable::kWhiteList,
     {L"UPDATE whitelist SET filepath = '%s', pathhash = %d WHERE mountpoint = '%s' AND pathhash "
      L"= %d",
      RowGuard::kNone}},
    {kRenameRejectList, PathTable::kRejectList,
     {L"UPDATE rejectlist SET filepath = '%s', pathhash = %d WHERE mountpoint = '%s' AND pathhash "
      L"= %d",
      RowGuard::kNone}},
    {kRenameProtectList, PathTable::kFileProtect,
     {L"UPDATE fileprotect SET filepath = '%s', pathhash = %d WHERE mountpoint = '%s' AND "
      L"pathhash = %d",
      RowGuard::kNone}},
};

const RenameTarget* RenameTargetOf(uint16_t listKinds) {
    for (const RenameTarget& target : kRenameTargets)
        if (listKinds & target.listKind) return &target;
    return nullptr;
}

}  // namespace

bool CFileProtectCfgMgr::GetWhiteList(std::vector<ProtectFileItem>& items, const bool& constList) {
    MutexLock lock(&mutex_);
    return RunRead(db_, WhiteTable(constList).select, [&](Query& query) {
        // Read in place: each row's texts are allocated once. Unlike the
        // reject list, a row without a path text is never listed.
        while (query.Step()) {
            items.emplace_back();
            if (!ReadPathRow(query, &items.back()) || items.back().filepath.empty()) items.pop_back();
        }
    });
}

bool CFileProtectCfgMgr::AddWhiteList(const std::vector<ProtectFileItem>& items,
                                      const bool& constList) {
    MutexLock lock(&mutex_);
    const WhiteTableStatements& table = WhiteTable(constList);
    return RunAllOrNothing(db_, items, [&](const ProtectFileItem& item) {
        const int32_t key = PathKey(item.filepath);
        return ExecFormatted(table.upsert,
                             {key, item.filepath, item.mountpoint, item.bFile ? 1 : 0},
                             {{table.table, key, item.filepath}});
    });
}

bool CFileProtectCfgMgr::DeleteWhiteList(const std::vector<std::wstring>& paths, bool constList) {
    MutexLock lock(&mutex_);
    const WhiteTableStatements& table = WhiteTable(constList);
    return RunKeepWhatWasDone(db_, paths, [&](const std::wstring& path) {
        const int32_t key = PathKey(path);
        return ExecFormatted(table.deleteRow, {key}, {{table.table, key, path}});
    });
}

bool CFileProtectCfgMgr::ClearWhiteList(bool constList) {
    MutexLock lock(&mutex_);
    return ExecSql(db_, WhiteTable(constList).clear);
}

bool CFileProtectCfgMgr::RenamePath(const std::wstring& oldPath, const std::wstring& mountPoint,
                                    const std::wstring& newPath, const uint16_t& listKinds) {
    MutexLock lock(&mutex_);
    if (oldPath.empty() || mountPoint.empty() || newPath.empty()) return true;
    const RenameTarget* target = RenameTargetOf(listKinds);
    if (!target) return true;
    // An update too long to format whole is refused, never run without its
    // WHERE clause (which would rewrite every row of the table). The row it
    // moves must be the old path's, and the key it moves to must not hold
    // another path's row.
    const int32_t newKey = PathKey(newPath);
    const int32_t oldKey = PathKey(oldPath);
    return ExecFormatted(target->update, {newPath, newKey, mountPoint, oldKey},
                         {{target->table, oldKey, oldPath}, {target->table, newKey, newPath}});
}
