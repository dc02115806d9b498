// CFileProtectCfgMgr: the protection-rule store, one SQLite connection per
// process to the machine's one rule database. The table operations live in
// one source file per table; this header is the whole class.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cassert>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "interfaces/IFileProtectCfgMgr.h"
#include "store/SqlText.h"

// The store's lock: a plain mutex that every public operation takes once, for
// the whole operation, so one thread's statement can never fall into another
// thread's transaction. Public operations never call one another; the steps
// they share are private helpers that say "REQUIRES: mutex_ held". Debug
// builds remember the holder, so those helpers can assert it.
class StoreMutex {
public:
    void Lock() {
        mutex_.lock();
        MarkHeld();
    }
    bool TryLock() {
        if (!mutex_.try_lock()) return false;
        MarkHeld();
        return true;
    }
    void Unlock() {
        MarkReleased();
        mutex_.unlock();
    }
    void AssertHeld() const { assert(holder_.load() == std::this_thread::get_id()); }

private:
#ifdef NDEBUG
    void MarkHeld() {}
    void MarkReleased() {}
#else
    void MarkHeld() { holder_.store(std::this_thread::get_id()); }
    void MarkReleased() { holder_.store(std::thread::id()); }
    std::atomic<std::thread::id> holder_{std::thread::id()};
#endif
    std::mutex mutex_;
};

// Holds a StoreMutex for the scope of one public operation.
class MutexLock {
public:
    explicit MutexLock(StoreMutex* mutex) : mutex_(mutex) { mutex_->Lock(); }
    ~MutexLock() { mutex_->Unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    StoreMutex* mutex_;
};

// The tables whose rows are keyed by the path hash.
enum class PathTable { kFileProtect, kRejectList, kWhiteList, kConstWhiteList, kBlockList };

class CFileProtectCfgMgr final : public IFileProtectCfgMgr {
public:
    CFileProtectCfgMgr() = default;
    ~CFileProtectCfgMgr();
    CFileProtectCfgMgr(const CFileProtectCfgMgr&) = delete;
    CFileProtectCfgMgr& operator=(const CFileProtectCfgMgr&) = delete;

    // Store lifecycle (FileProtectCfgMgr.cpp).
    bool InitDb() override;
    void CloseDb() override;
    bool CheckpointDb() override;
    bool Reserved() override;
    std::string GetSqliteVersion() override;

    // Configuration and file types (ConfigTable.cpp).
    std::vector<std::wstring> GetFileTypeProtectList() override;
    ProtectConfig GetProtectConfig() override;
    bool SetProtectConfig(const ProtectConfig& config) override;
    bool SetConfig(const int32_t& id, const std::wstring& text) override;
    std::wstring GetConfig(const int32_t& id) override;
    bool DeleteConfig(const int32_t& id) override;

    // Protected files, folders and extensions (ProtectPathTable.cpp).
    void GetProtectPathList(std::vector<std::wstring>& paths) override;
    bool GetProtectFileList(std::vector<ProtectFileItem>& items,
                            std::vector<std::wstring>& extensions) override;
    bool AddProtectFile(const std::vector<ProtectFileItem>& items, bool bextention) override;
    bool AddProtectExtension(const std::vector<std::wstring>& extensions) override;
    bool DeleteProtectFile(std::vector<std::wstring> paths, bool bextention) override;
    bool ClearProtectExtension() override;
    bool ClearProtectFile() override;
    bool ClearProtectAll() override;

    // Block counts (BlockList.cpp).
    bool GetBlockCount(BlockCountItem& item) override;
    bool GetBlockList(std::vector<BlockCountItem>& items) override;
    bool AddBlockCountList(const std::vector<BlockCountItem>& items) override;
    bool AddBlockCountItem(const BlockCountItem& item) override;
    bool DeleteBlockListItem(const std::wstring& path, bool ownTransaction) override;
    bool DeleteBlockListItems(const std::vector<std::wstring>& paths) override;
    bool DeleteBlockListByHash(const std::vector<std::string>& hashes) override;
    bool DeleteBlockList(const std::vector<std::wstring>& paths) override;
    bool ClearBlockList() override;
    bool AddBlockCount(const std::wstring& path, int32_t count) override;
    bool IncreaseBlockCount(const std::wstring& path) override;

    // Reject list (RejectList.cpp).
    bool GetRejectList(std::vector<ProtectFileItem>& items) override;
    bool AddRejectList(const std::vector<ProtectFileItem>& items) override;
    bool DeleteRejectList(const std::vector<std::wstring>& paths) override;
    bool ClearRejectList() override;

    // White lists and renames (WhiteList.cpp).
    bool GetWhiteList(std::vector<ProtectFileItem>& items, const bool& constList) override;
    bool AddWhiteList(const std::vector<ProtectFileItem>& items, const bool& constList) override;
    bool DeleteWhiteList(const std::vector<std::wstring>& paths, bool constList) override;
    bool ClearWhiteList(bool constList) override;
    bool RenamePath(const std::wstring& oldPath, const std::wstring& mountPoint,
                    const std::wstring& newPath, const uint16_t& listKinds) override;

private:
    // Every private member function runs inside a public operation.
    // REQUIRES: mutex_ held (the two static ones aside).

    bool OpenDatabase(const std::wstring& fileName, sqlite3** connection);
    bool CreateTables();
    bool IsTableExist(sqlite3* db, const std::wstring& name, bool& exists);
    bool CreateTable(sqlite3* db, const std::wstring& name, const std::wstring& columns);
    void CloseConnection();

    // Executes one statement; SQLITE_OK and SQLITE_CONSTRAINT are success,
    // any other result is logged with the statement and its code.
    bool ExecSql(sqlite3* db, const std::wstring& statement);

    // A write's claim on the key of its path: the row under `key` in `table`,
    // if there is one, must be the row of `path` (ASCII letter case aside,
    // as the hash itself ignores it) or a row without a path. A row of
    // another path that merely shares the 32-bit key is never replaced,
    // removed, renamed or added to.
    struct KeyClaim {
        PathTable table;
        int32_t key;
        const std::wstring& path;
    };
    // Formats a statement (SqlText.h) and executes it with its values bound,
    // through one cached prepared statement per Statement. The formatted text
    // is what the limit applies to and what a failure logs. Refused, logged
    // and never run: a statement that cannot be formatted whole, one whose
    // format does not take exactly its values as parameters, an empty path,
    // and a claim on a key that holds another path's row. A guarded
    // statement carries its one claim inside itself; the claims of any other
    // are checked first, in the same transaction as the write.
    bool ExecFormatted(const Statement& statement, std::initializer_list<SqlValue> values,
                       std::initializer_list<KeyClaim> claims = {});
    // The cached prepared statement. SQLITE_OK, or the code of the failure
    // (a format that cannot take its values as parameters included).
    int Prepare(const Statement& statement, sqlite3_stmt** prepared);
    // Logs a failed statement with its formatted text and code.
    void LogStatementFailure(const wchar_t* format, std::initializer_list<SqlValue> values,
                             int rc);
    // SQLITE_OK when every claim holds; the code to log otherwise. A claim's
    // path that is one of the values uses that value's converted text.
    int CheckClaims(std::initializer_list<KeyClaim> claims,
                    std::initializer_list<SqlValue> values);
    // The claimed path's UTF-8: the converted value when the path is one of
    // the statement's values, else a conversion of its own.
    const std::string& ClaimUtf8(const KeyClaim& claim, std::initializer_list<SqlValue> values);
    void FinalizePrepared();

    // The steps that several public operations share (BlockList.cpp).
    bool AddBlockCountLocked(const std::wstring& path, int32_t count);
    bool AddBlockCountListLocked(const std::vector<BlockCountItem>& items);
    bool DeleteBlockListItemLocked(const std::wstring& path, bool ownTransaction);

    // GetBlockCount's indexed look-up: the row under the path's key, when its
    // text is exactly the path.
    bool FindBlockCountByKey(const std::wstring& path, int32_t* count);

    // The path hash as the tables store it: the same 32 bits, signed.
    static int32_t PathKey(const std::wstring& path);

    static int BusyHandler(void* context, int retries);

    sqlite3* db_ = nullptr;
    // Prepared statements for db_, finalized before it closes, found by the
    // Statement's address alone: every Statement is a constant of this
    // library, so its address names one statement as long as the process runs.
    std::unordered_map<const Statement*, sqlite3_stmt*> prepared_;
    // The UTF-8 of the current statement's texts, by value position, and of
    // a claimed path that is not among them. Reused from row to row.
    std::vector<std::string> valueUtf8_;
    std::string claimUtf8_;
    StoreMutex mutex_;
};
