// The two white lists, and moving a path row to a new path.
#include "FileProtectCfgMgr.h"
#include "PathRow.h"
#include "Transaction.h"

namespace {

// The selector names const_whitelist when true, whitelist when false.
const wchar_t* WhiteTable(bool constList) { return constList ? L"const_whitelist" : L"whitelist"; }

// The one table a rename updates: the first set bit in order of precedence.
// const_whitelist is fixed by definition and never follows a rename.
const wchar_t* RenameStatement(uint16_t listKinds) {
    if (listKinds & kRenameWhiteList)
        return L"UPDATE whitelist SET filepath = '%s', pathhash = %d WHERE mountpoint = '%s' "
               L"AND pathhash = %d";
    if (listKinds & kRenameRejectList)
        return L"UPDATE rejectlist SET filepath = '%s', pathhash = %d WHERE mountpoint = '%s' "
               L"AND pathhash = %d";
    if (listKinds & kRenameProtectList)
        return L"UPDATE fileprotect SET filepath = '%s', pathhash = %d WHERE mountpoint = '%s' "
               L"AND pathhash = %d";
    return nullptr;
}

}  // namespace

bool CFileProtectCfgMgr::GetWhiteList(std::vector<ProtectFileItem>& items, const bool& constList) {
    StoreGuard guard(mutex_);
    const std::string sql = std::string("SELECT pathhash, filepath, mountpoint, bFile FROM ") +
                            (constList ? "const_whitelist" : "whitelist");
    return RunRead(db_, sql.c_str(), [&](Query& query) {
        ProtectFileItem item;
        // Unlike the reject list, any row without a path text ends the list.
        while (ReadPathRow(query, &item) && !item.filepath.empty()) items.push_back(item);
    });
}

bool CFileProtectCfgMgr::AddWhiteList(const std::vector<ProtectFileItem>& items,
                                      const bool& constList) {
    StoreGuard guard(mutex_);
    const std::wstring table = WhiteTable(constList);
    return RunAllOrNothing(db_, items, [&](const ProtectFileItem& item) {
        return ExecFormatted(
            L"INSERT INTO '%s' (pathhash, filepath, mountpoint, bFile) VALUES(%d,'%s','%s',%d) "
            L"ON CONFLICT(pathhash) DO UPDATE SET filepath = excluded.filepath",
            {table, PathKey(item.filepath), item.filepath, item.mountpoint, item.bFile ? 1 : 0});
    });
}

bool CFileProtectCfgMgr::DeleteWhiteList(const std::vector<std::wstring>& paths, bool constList) {
    StoreGuard guard(mutex_);
    const std::wstring table = WhiteTable(constList);
    return RunKeepWhatWasDone(db_, paths, [&](const std::wstring& path) {
        return ExecFormatted(L"DELETE FROM '%s' WHERE pathhash = %d", {table, PathKey(path)});
    });
}

bool CFileProtectCfgMgr::ClearWhiteList(bool constList) {
    StoreGuard guard(mutex_);
    return ExecSql(db_, std::wstring(L"DELETE FROM ") + WhiteTable(constList));
}

bool CFileProtectCfgMgr::RenamePath(const std::wstring& oldPath, const std::wstring& mountPoint,
                                    const std::wstring& newPath, const uint16_t& listKinds) {
    StoreGuard guard(mutex_);
    if (oldPath.empty() || mountPoint.empty() || newPath.empty()) return true;
    const wchar_t* format = RenameStatement(listKinds);
    if (!format) return true;
    // An update too long to format whole is refused, never run without its
    // WHERE clause (which would rewrite every row of the table).
    return ExecFormatted(format, {newPath, PathKey(newPath), mountPoint, PathKey(oldPath)});
}
