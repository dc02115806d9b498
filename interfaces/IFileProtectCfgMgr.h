// The protection-rule store: one SQLite database shared by every process of
// the machine (C:\ProgramData\TevraZQ\FileProtect.db). Obtained from
// getFileProtectDbMgr(): one object per process, never deleted.
//
// Requires InitDb() once per process before any other operation; until then
// every operation fails (false, or an empty result).
//
// Thread safety: all threads of a process share one connection, and the store
// runs their calls one at a time, each whole (its transaction included), so
// any thread may call it. Any number of processes may use the store at once: a
// call that meets the database locked by another process waits, without
// time-out, until it is free.
//
// Rows are keyed by the path hash (IHlpFunc::GetPathHash), so paths that
// differ only in the case of a-z are one row. Results, by kind of operation:
//   reads ("Get...", with an out-list): the list is appended to, never cleared
//     first; damaged rows are skipped; true when the rows could be read.
//   all or nothing: true when every entry was stored; false stores none.
//   keep what was done: entries are written in list order and the call stops
//     at the first that fails; those before it stay. True only when every
//     entry succeeded. An empty list gives true.
//   single statement: true when it succeeded.
// Every write, delete and rename refuses (false, logged, nothing half-written)
// an entry with an empty path or a text holding a NUL, a statement longer than
// 1,023 characters, and an entry whose hash holds the row of a different path
// (compared with a-z upper-cased; the stored row stays). Deleting what is not
// stored succeeds. Texts read back exactly as written. Failures are logged to
// the host logger; no operation throws for a database failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SharedRuntime.h"
#include "StoreTypes.h"

class IFileProtectCfgMgr {
public:
    // Creates the data folder and the database if missing, opens it in
    // write-ahead-log mode and creates missing tables; existing tables and rows
    // stay. True when the store is open; false (logged) when the common data
    // folder cannot be obtained or the database cannot be opened or set up.
    virtual bool InitDb() = 0;  // 0
    // Closes the connection; nothing when closed. The library also closes it at
    // unload.
    virtual void CloseDb() = 0;  // 1
    // The file types of the first row of table filetypeprotect (kept by another
    // component), split at ';'; empty when there is none.
    virtual std::vector<std::wstring> GetFileTypeProtectList() = 0;  // 2
    // Appends the path of every protected file, folder and extension row.
    virtual void GetProtectPathList(std::vector<std::wstring>& paths) = 0;  // 3
    // Checkpoints the write-ahead log into the database and truncates it.
    // False when closed or the checkpoint failed.
    virtual bool CheckpointDb() = 0;  // 4
    // Does nothing; true.
    virtual bool Reserved() = 0;  // 5
    // The SQLite library's version ("3.40.1"); empty when closed.
    virtual std::string GetSqliteVersion() = 0;  // 6

    // Block counts: one row per path hash; the path of the first report stays.
    // Looks up item.filepath, compared exactly (letter case counts), and sets
    // item.blockcount. False when no row has that path.
    virtual bool GetBlockCount(BlockCountItem& item) = 0;  // 7
    // Appends every row.
    virtual bool GetBlockList(std::vector<BlockCountItem>& items) = 0;  // 8
    // Adds each item's blockcount to its path's count. All or nothing.
    virtual bool AddBlockCountList(const std::vector<BlockCountItem>& items) = 0;  // 9
    // AddBlockCountList() of one item.
    virtual bool AddBlockCountItem(const BlockCountItem& item) = 0;  // 10
    // Deletes the row of path: in a transaction of its own when ownTransaction,
    // otherwise as a single statement.
    virtual bool DeleteBlockListItem(const std::wstring& path, bool ownTransaction) = 0;  // 11
    // Deletes the rows of paths. All or nothing.
    virtual bool DeleteBlockListItems(const std::vector<std::wstring>& paths) = 0;  // 12
    // Deletes rows by hash texts as GetBlockList() reports them (signed
    // decimal). Keeps what was done.
    virtual bool DeleteBlockListByHash(const std::vector<std::string>& hashes) = 0;  // 13
    // Deletes the rows of paths. Keeps what was done.
    virtual bool DeleteBlockList(const std::vector<std::wstring>& paths) = 0;  // 14
    // Deletes every row.
    virtual bool ClearBlockList() = 0;  // 15
    // Adds count (may be negative) to path's count, creating the row at count.
    // Single statement.
    virtual bool AddBlockCount(const std::wstring& path, int32_t count) = 0;  // 16
    // AddBlockCount(path, 1).
    virtual bool IncreaseBlockCount(const std::wstring& path) = 0;  // 17

    // Reject list. Appends every row (bextention false).
    virtual bool GetRejectList(std::vector<ProtectFileItem>& items) = 0;  // 18
    // Inserts the items; an item already stored takes the new filepath and
    // keeps its mountpoint and bFile. All or nothing.
    virtual bool AddRejectList(const std::vector<ProtectFileItem>& items) = 0;  // 19
    // Deletes the rows of paths. Keeps what was done.
    virtual bool DeleteRejectList(const std::vector<std::wstring>& paths) = 0;  // 20
    virtual bool ClearRejectList() = 0;                                         // 21

    // White lists: constList selects const_whitelist (true) or whitelist
    // (false); the two never touch each other. Same rules as the reject list.
    virtual bool GetWhiteList(std::vector<ProtectFileItem>& items, const bool& constList) = 0;        // 22
    virtual bool AddWhiteList(const std::vector<ProtectFileItem>& items, const bool& constList) = 0;  // 23
    virtual bool DeleteWhiteList(const std::vector<std::wstring>& paths, bool constList) = 0;         // 24
    virtual bool ClearWhiteList(bool constList) = 0;                                                  // 25

    // Protected files, folders and extensions. Appends file and folder rows to
    // items and extension rows to extensions.
    virtual bool GetProtectFileList(std::vector<ProtectFileItem>& items,
                                    std::vector<std::wstring>& extensions) = 0;  // 26
    // Stores the items as extension rows when bextention, else as file and
    // folder rows (the items' own bextention is not read). A path already
    // stored only changes kind. Keeps what was done.
    virtual bool AddProtectFile(const std::vector<ProtectFileItem>& items, bool bextention) = 0;  // 27
    // Stores extension texts as written (no dot added, case kept). Keeps what
    // was done.
    virtual bool AddProtectExtension(const std::vector<std::wstring>& extensions) = 0;  // 28
    // Deletes the rows of paths that are of the given kind. Keeps what was done.
    virtual bool DeleteProtectFile(std::vector<std::wstring> paths, bool bextention) = 0;  // 29
    virtual bool ClearProtectExtension() = 0;  // 30: every extension row
    virtual bool ClearProtectFile() = 0;       // 31: every file and folder row
    virtual bool ClearProtectAll() = 0;        // 32: every row

    // Configuration. The switches of row 1; the defaults of ProtectConfig when
    // nothing (or nothing readable) is stored.
    virtual ProtectConfig GetProtectConfig() = 0;  // 33
    // Stores the switches in row 1. All or nothing.
    virtual bool SetProtectConfig(const ProtectConfig& config) = 0;  // 34
    // Stores text in row id (row 1 holds the switches). An empty text stores
    // nothing and gives true. All or nothing.
    virtual bool SetConfig(const int32_t& id, const std::wstring& text) = 0;  // 35
    // The text of row id; empty when there is none.
    virtual std::wstring GetConfig(const int32_t& id) = 0;  // 36
    // Deletes row id. All or nothing.
    virtual bool DeleteConfig(const int32_t& id) = 0;  // 37

    // Moves the row of oldPath under mountPoint to newPath in ONE table, the
    // first that listKinds names: kRenameWhiteList, then kRenameRejectList,
    // then kRenameProtectList (const_whitelist never). True, doing nothing,
    // when an argument is empty, no known flag is set or no such row exists.
    // Single statement.
    virtual bool RenamePath(const std::wstring& oldPath, const std::wstring& mountPoint,
                            const std::wstring& newPath, const uint16_t& listKinds) = 0;  // 38

protected:
    ~IFileProtectCfgMgr() = default;  // the process-wide object is never deleted
};

// List-kind flags of RenamePath, in order of precedence.
enum : uint16_t {
    kRenameWhiteList = 0x0001,
    kRenameRejectList = 0x0010,
    kRenameProtectList = 0x0100,
};
