// Protected files, folders and extensions: the table fileprotect. Files and
// folders are one kind of row, extensions another (bextention 1); both kinds
// share the one key space of path hashes.
#include "store/FileProtectCfgMgr.h"
#include "store/Transaction.h"

namespace {

const char kSelectPaths[] = "SELECT pathhash, filepath FROM fileprotect";
const char kSelectRows[] =
    "SELECT pathhash, filepath, bextention, mountpoint, bFile FROM fileprotect";

// A stored hash keeps its row: a repeated add only changes the kind.
//
// The two upserts differ by one blank, before the last %d: the file's has it,
// the extension's does not. That is not a slip to tidy away: the formatted
// text is what a failed write logs, and those log lines must read exactly as
// they always have, so each statement keeps its own spacing.
const Statement kUpsertFile = {
    L"INSERT INTO fileprotect (pathhash, filepath, bextention, mountpoint, bFile) "
    L"VALUES(%d, '%s',%d, '%s', %d) ON CONFLICT(pathhash) DO UPDATE SET bextention = "
    L"excluded.bextention",
    RowGuard::kUpsert};
const Statement kUpsertExtension = {
    L"INSERT INTO fileprotect (pathhash, filepath, bextention, mountpoint, bFile) "
    L"VALUES(%d, '%s',%d, '%s',%d) ON CONFLICT(pathhash) DO UPDATE SET bextention = "
    L"excluded.bextention",
    RowGuard::kUpsert};
const Statement kDeleteRow = {L"DELETE FROM fileprotect WHERE pathhash = %d AND bextention = %d",
                              RowGuard::kDelete};

// What an extension row holds in place of a mount point.
const std::wstring kExtensionMountPoint = L"Flexten";

// Reads the current row of kSelectRows into a reset item. False for a row
// without a path, which the listings pass over.
bool ReadFileRow(const Query& query, ProtectFileItem* item) {
    if (!query.Text(1, &item->filepath)) return false;
    item->bextention = query.Int(2) != 0;
    query.Text(3, &item->mountpoint);  // a NULL mount point stays empty
    item->bFile = query.Int(4) != 0;
    return true;
}

}  // namespace

void CFileProtectCfgMgr::GetProtectPathList(std::vector<std::wstring>& paths) {
    MutexLock lock(&mutex_);
    RunRead(db_, kSelectPaths, [&](Query& query) {
        // Through one reused text: measured faster here than reading in
        // place, as the copy is made at its final size.
        std::wstring path;
        while (query.Step())
            if (query.Text(1, &path)) paths.push_back(path);
    });
}

bool CFileProtectCfgMgr::GetProtectFileList(std::vector<ProtectFileItem>& items,
                                            std::vector<std::wstring>& extensions) {
    MutexLock lock(&mutex_);
    return RunRead(db_, kSelectRows, [&](Query& query) {
        // Read in place: a file or folder row's texts are allocated once; an
        // extension row's text moves on to its own list.
        while (query.Step()) {
            items.emplace_back();
            ProtectFileItem& item = items.back();
            const bool listed = ReadFileRow(query, &item);
            if (listed && item.bextention) extensions.push_back(std::move(item.filepath));
            if (!listed || item.bextention) items.pop_back();
        }
    });
}

bool CFileProtectCfgMgr::AddProtectFile(const std::vector<ProtectFileItem>& items,
                                        bool bextention) {
    MutexLock lock(&mutex_);
    // The argument, not the item's own flag, decides the kind of every row.
    return RunKeepWhatWasDone(db_, items, [&](const ProtectFileItem& item) {
        const int32_t key = PathKey(item.filepath);
        return ExecFormatted(kUpsertFile,
                             {key, item.filepath, bextention ? 1 : 0, item.mountpoint,
                              item.bFile ? 1 : 0},
                             {{PathTable::kFileProtect, key, item.filepath}});
    });
}

bool CFileProtectCfgMgr::AddProtectExtension(const std::vector<std::wstring>& extensions) {
    MutexLock lock(&mutex_);
    // Stored as the caller wrote it: no dot is added and no case changed.
    return RunKeepWhatWasDone(db_, extensions, [&](const std::wstring& extension) {
        const int32_t key = PathKey(extension);
        return ExecFormatted(kUpsertExtension, {key, extension, 1, kExtensionMountPoint, 1},
                             {{PathTable::kFileProtect, key, extension}});
    });
}

bool CFileProtectCfgMgr::DeleteProtectFile(std::vector<std::wstring> paths, bool bextention) {
    MutexLock lock(&mutex_);
    // A row of the other kind stays; a path without a row deletes nothing.
    return RunKeepWhatWasDone(db_, paths, [&](const std::wstring& path) {
        const int32_t key = PathKey(path);
        return ExecFormatted(kDeleteRow, {key, bextention ? 1 : 0},
                             {{PathTable::kFileProtect, key, path}});
    });
}

bool CFileProtectCfgMgr::ClearProtectExtension() {
    MutexLock lock(&mutex_);
    return ExecSql(db_, L"DELETE FROM fileprotect WHERE bextention = 1");
}

bool CFileProtectCfgMgr::ClearProtectFile() {
    MutexLock lock(&mutex_);
    return ExecSql(db_, L"DELETE FROM fileprotect WHERE bextention = 0");
}

bool CFileProtectCfgMgr::ClearProtectAll() {
    MutexLock lock(&mutex_);
    return ExecSql(db_, L"DELETE FROM fileprotect");
}
