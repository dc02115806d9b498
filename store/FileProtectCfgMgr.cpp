// Store lifecycle: where the database lies, how it is opened and set up, the
// schema, how every statement is executed and its failure logged, and how a
// write keeps to its own path's row.
#include "store/FileProtectCfgMgr.h"

#include <windows.h>
#include <shlobj.h>

#include <cassert>

#include "base/Helper.h"
#include "base/HostLog.h"
#include "store/Query.h"
#include "store/Transaction.h"
#include "store/Utf8Text.h"

// Every log tag names this file (see LogLocation.h).
extern const char kStoreSourcePath[] = __FILE__;

namespace {

struct TableDefinition {
    const wchar_t* name;
    const wchar_t* columns;
};

// Created in this order when missing; an existing table is used as it is.
const TableDefinition kSchema[] = {
    {L"fileprotect",
     L"pathhash INT PRIMARY KEY, filepath TEXT, bextention INT, mountpoint TEXT, bFile INT"},
    {L"rejectlist", L"pathhash INT PRIMARY KEY, filepath TEXT, mountpoint TEXT, bFile INT"},
    {L"whitelist", L"pathhash INT PRIMARY KEY, filepath TEXT, mountpoint TEXT, bFile INT"},
    {L"config", L"id INTEGER PRIMARY KEY, config TEXT"},
    {L"blocklist", L"pathhash INT PRIMARY KEY, filepath TEXT, blockcount INT"},
    {L"const_whitelist", L"pathhash INT PRIMARY KEY, filepath TEXT, mountpoint TEXT, bFile INT"},
};

const wchar_t* const kSetupPragmas[] = {
    L"PRAGMA journal_mode=WAL;",
    L"PRAGMA synchronous=NORMAL;",
    L"PRAGMA wal_autocheckpoint=50",
};

constexpr int kOpenFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;

}  // namespace

CFileProtectCfgMgr::~CFileProtectCfgMgr() {
    // This runs when the library unloads, also at process exit, after the
    // system has ended every other thread. One of them may have been inside
    // an operation and hold the lock for ever: waiting would keep the process
    // from ending. The connection is closed only when no operation is under
    // way; otherwise the system reclaims it with the process.
    if (!mutex_.TryLock()) return;
    CloseConnection();
    mutex_.Unlock();
}

bool CFileProtectCfgMgr::InitDb() {
    MutexLock lock(&mutex_);
    CloseConnection();  // a repeated InitDb replaces the connection instead of leaking it
    if (!OpenDatabase(L"\\FileProtect.db", &db_)) {
        WriteLog(kLogCreateDbFail, "%s create db fail");
        return false;
    }
    if (!CreateTables()) {
        WriteLog(kLogCreateTablesFail, "%s create db execl fail");
        return false;
    }
    return true;
}

void CFileProtectCfgMgr::CloseDb() {
    MutexLock lock(&mutex_);
    CloseConnection();
}

void CFileProtectCfgMgr::CloseConnection() {
    mutex_.AssertHeld();
    if (!db_) return;
    FinalizePrepared();
    sqlite3_close(db_);
    db_ = nullptr;
}

bool CFileProtectCfgMgr::CheckpointDb() {
    MutexLock lock(&mutex_);
    if (!db_) return false;
    return ExecSql(db_, L"PRAGMA wal_checkpoint(TRUNCATE);");
}

bool CFileProtectCfgMgr::Reserved() { return true; }

std::string CFileProtectCfgMgr::GetSqliteVersion() {
    MutexLock lock(&mutex_);
    std::string version;
    Query query(db_, "SELECT sqlite_version();");
    if (!query.prepared()) query.LogPrepareFailure();
    std::string text;
    if (query.Step() && query.Utf8(0, &text) && !text.empty()) version = text;
    return version;
}

bool CFileProtectCfgMgr::OpenDatabase(const std::wstring& fileName, sqlite3** connection) {
    wchar_t folder[MAX_PATH] = {};
    // Without the machine's data folder the path would be relative to the
    // root of the current drive, where any user may create the folder and
    // plant a database of rules.
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                folder)) ||
        folder[0] == L'\0')
        return false;

    std::wstring path = std::wstring(folder) + L"\\TevraZQ";
    CreateDirectoryW(path.c_str(), nullptr);  // usually exists already
    path += fileName;
    // The path must fit the platform's 260-character buffer whole; a cut
    // path would open some other file.
    if (path.size() > MAX_PATH - 1) return false;

    std::string utf8 = Helper()->WideToUtf8(path);
    if (sqlite3_open_v2(utf8.c_str(), connection, kOpenFlags, nullptr) != SQLITE_OK) return false;

    sqlite3_busy_handler(*connection, BusyHandler, nullptr);
    sqlite3_exec(*connection, "PRAGMA encoding = 'UTF-8'", nullptr, nullptr, nullptr);
    for (const wchar_t* pragma : kSetupPragmas)
        if (!ExecSql(*connection, pragma)) return false;
    return true;
}

bool CFileProtectCfgMgr::CreateTables() {
    for (const TableDefinition& table : kSchema) {
        bool exists = false;
        if (!IsTableExist(db_, table.name, exists)) return false;
        if (!exists && !CreateTable(db_, table.name, table.columns)) return false;
    }
    return true;
}

bool CFileProtectCfgMgr::IsTableExist(sqlite3* db, const std::wstring& name, bool& exists) {
    std::wstring sql;
    if (FormatSql(L"select name from sqlite_master where type='table' and name='%s'", {name},
                  &sql) != SqlFormatResult::kOk)
        return false;
    std::string utf8 = Helper()->WideToUtf8(sql);
    Query query(db, utf8.c_str(), static_cast<int>(utf8.size()));
    if (!query.prepared()) {
        query.LogPrepareFailure();
        return false;
    }

    bool found = false;
    if (query.columnCount() > 0) {
        std::wstring text;
        while (query.Step()) {
            if (query.Text(0, &text) && text == name) {
                found = true;
                break;
            }
        }
    }
    exists = found;
    return true;
}

bool CFileProtectCfgMgr::CreateTable(sqlite3* db, const std::wstring& name,
                                     const std::wstring& columns) {
    // The column definition is the library's own text, never a caller's.
    return ExecSql(db, L"create table if not exists '" + QuoteSqlText(name) + L"' (" + columns +
                           L")");
}

bool CFileProtectCfgMgr::ExecSql(sqlite3* db, const std::wstring& statement) {
    mutex_.AssertHeld();
    if (statement.empty()) return true;  // nothing to execute
    char* utf8 = nullptr;
    if (!Helper()->WideToUtf8Buffer(statement, &utf8)) {
        WriteLog(kLogStatementFail, "%s ,option str=%s,errid = %d", "", SQLITE_MISUSE);
        return false;
    }
    char* error = nullptr;
    int rc = sqlite3_exec(db, utf8, nullptr, nullptr, &error);
    sqlite3_free(error);
    bool ok = rc == SQLITE_OK || rc == SQLITE_CONSTRAINT;
    if (!ok) WriteLog(kLogStatementFail, "%s ,option str=%s,errid = %d", utf8, rc);
    delete[] utf8;
    return ok;
}

namespace {

// The guards, appended to a guarded statement's text. A guard lets the write
// touch the row under its key only when that row is the path's own: the same
// text once ASCII letters are upper-cased, which is all the path hash folds,
// or no text at all (a row without a path belongs to no other path).
//
// SQLite's built-in upper() folds a to z and nothing else, exactly as the
// hash does, and the comparison of its results is byte for byte. The build
// links SQLite without ICU and must stay so: ICU's upper() folds every
// script's letters, so "é" and "É" would compare equal here while their hashes
// differ, and a path could take over the row of another path that merely
// shares its key.
//
// An upsert's guard is the WHERE of its DO UPDATE: a row of another path is
// left as it is and the statement changes nothing. The same text, the usual
// case of a repeated add, is taken first, without the two upper() copies.
const char kUpsertGuard[] =
    " WHERE filepath = excluded.filepath OR filepath IS NULL"
    " OR upper(filepath) = upper(excluded.filepath)";
// A delete's guard takes the path as one parameter more, after the values.
const char kDeleteGuard[] = " AND (filepath IS NULL OR upper(filepath) = upper(?))";

// Used only where a guard cannot decide: the row under a key, to tell a key
// without a row from a key that holds another path's row.
const Statement kKeyLookups[] = {
    {L"SELECT filepath FROM fileprotect WHERE pathhash = %d", RowGuard::kNone},
    {L"SELECT filepath FROM rejectlist WHERE pathhash = %d", RowGuard::kNone},
    {L"SELECT filepath FROM whitelist WHERE pathhash = %d", RowGuard::kNone},
    {L"SELECT filepath FROM const_whitelist WHERE pathhash = %d", RowGuard::kNone},
    {L"SELECT filepath FROM blocklist WHERE pathhash = %d", RowGuard::kNone},
};

const Statement& KeyLookup(PathTable table) {
    switch (table) {
        case PathTable::kFileProtect:
            return kKeyLookups[0];
        case PathTable::kRejectList:
            return kKeyLookups[1];
        case PathTable::kWhiteList:
            return kKeyLookups[2];
        case PathTable::kConstWhiteList:
            return kKeyLookups[3];
        case PathTable::kBlockList:
            break;
    }
    return kKeyLookups[4];
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

// What the guards compute, for a stored text and a path's UTF-8.
bool SamePath(const unsigned char* stored, int storedLength, const std::string& path) {
    if (storedLength < 0 || static_cast<size_t>(storedLength) != path.size()) return false;
    for (size_t i = 0; i < path.size(); ++i)
        if (UpperAscii(static_cast<char>(stored[i])) != UpperAscii(path[i])) return false;
    return true;
}

}  // namespace

bool CFileProtectCfgMgr::ExecFormatted(const Statement& statement,
                                       std::initializer_list<SqlValue> values,
                                       std::initializer_list<KeyClaim> claims) {
    mutex_.AssertHeld();
    assert(statement.guard == RowGuard::kNone || claims.size() == 1);
    // The text itself is built only for a log line.
    switch (CheckFormatSql(statement, values)) {
        case SqlFormatResult::kOk:
            break;
        case SqlFormatResult::kTooLong:
            LogStatementFailure(statement.format, values, SQLITE_TOOBIG);
            return false;
        case SqlFormatResult::kBadValue:
            WriteLog(kLogStatementFail, "%s ,option str=%s,errid = %d",
                     Helper()->WideToUtf8(statement.format).c_str(), SQLITE_MISUSE);
            return false;
    }
    for (const KeyClaim& claim : claims) {
        if (claim.path.empty()) {  // no rule is ever about no path
            LogStatementFailure(statement.format, values, SQLITE_MISUSE);
            return false;
        }
    }

    // Each text is converted once, for its bind and its claim alike, into
    // strings that keep their capacity from row to row.
    if (valueUtf8_.size() < values.size()) valueUtf8_.resize(values.size());
    size_t index = 0;
    for (const SqlValue& value : values) {
        if (value.isText()) ToHelperUtf8(value.text(), &valueUtf8_[index]);
        ++index;
    }

    // Claims that the statement cannot carry are checked first. Claims and
    // write must see the same table: outside a transaction they get one of
    // their own, which holds the write lock throughout.
    const bool checkFirst = statement.guard == RowGuard::kNone && claims.size() != 0;
    std::unique_ptr<Transaction> own;
    if (checkFirst && db_ && sqlite3_get_autocommit(db_))
        own.reset(new Transaction(db_, Transaction::kWrite));

    int rc = db_ ? SQLITE_OK : SQLITE_MISUSE;
    if (rc == SQLITE_OK && own && !own->begun()) rc = sqlite3_errcode(db_);
    if (rc == SQLITE_OK && checkFirst) rc = CheckClaims(claims, values);
    sqlite3_stmt* prepared = nullptr;
    if (rc == SQLITE_OK) rc = Prepare(statement, &prepared);
    if (rc == SQLITE_OK) {
        const std::string* guarded =
            statement.guard == RowGuard::kDelete ? &ClaimUtf8(*claims.begin(), values) : nullptr;
        BoundStatement bound(prepared, values, valueUtf8_.data(), guarded);
        rc = bound.bindResult();
        if (rc == SQLITE_OK) rc = sqlite3_step(prepared);
    }
    // A guarded write that changed nothing met a row that is not its path's
    // own, or (a delete) a key without a row, or a row of the other kind.
    // An upsert always writes a free key, so for it that row is another
    // path's. A delete asks the key once, on this rare path alone. Outside
    // a transaction that answer may come from a later moment than the delete
    // saw, but the delete changed nothing either way, so the answer is one
    // that some order of the two writes gives.
    if (rc == SQLITE_DONE && statement.guard != RowGuard::kNone && sqlite3_changes(db_) == 0) {
        const int claimed = statement.guard == RowGuard::kUpsert ? SQLITE_CONSTRAINT_PRIMARYKEY
                                                                 : CheckClaims(claims, values);
        if (claimed != SQLITE_OK) rc = claimed;
    }
    // A constraint violation counts as done, as it always has.
    bool ok = rc == SQLITE_DONE || rc == SQLITE_ROW || rc == SQLITE_CONSTRAINT;
    if (ok && own && !own->Commit()) {
        ok = false;
        rc = sqlite3_errcode(db_);
    }
    if (!ok) LogStatementFailure(statement.format, values, rc);
    return ok;
}

void CFileProtectCfgMgr::LogStatementFailure(const wchar_t* format,
                                             std::initializer_list<SqlValue> values, int rc) {
    // The whole formatted text, also when it is over the limit.
    std::wstring statement;
    FormatSql(format, values, &statement);
    WriteLog(kLogStatementFail, "%s ,option str=%s,errid = %d",
             Helper()->WideToUtf8(statement).c_str(), rc);
}

int CFileProtectCfgMgr::Prepare(const Statement& statement, sqlite3_stmt** prepared) {
    mutex_.AssertHeld();
    auto cached = prepared_.find(&statement);
    if (cached != prepared_.end()) {
        *prepared = cached->second;
        return SQLITE_OK;
    }

    // Every value must become a parameter: a format that would need its
    // values spliced into the text is refused, never run as text.
    std::wstring sql;
    if (!ParameterizeSql(statement.format, &sql)) return SQLITE_MISUSE;
    std::string utf8 = Helper()->WideToUtf8(sql);
    if (statement.guard == RowGuard::kUpsert) utf8 += kUpsertGuard;
    if (statement.guard == RowGuard::kDelete) utf8 += kDeleteGuard;
    sqlite3_stmt* made = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, utf8.c_str(), static_cast<int>(utf8.size()), &made, &tail);
    if (rc == SQLITE_OK && tail && *tail) rc = SQLITE_MISUSE;  // more than one statement
    if (rc != SQLITE_OK) {
        sqlite3_finalize(made);
        return rc;
    }
    prepared_.emplace(&statement, made);
    *prepared = made;
    return SQLITE_OK;
}

void CFileProtectCfgMgr::FinalizePrepared() {
    for (auto& entry : prepared_) sqlite3_finalize(entry.second);
    prepared_.clear();
}

int CFileProtectCfgMgr::CheckClaims(std::initializer_list<KeyClaim> claims,
                                    std::initializer_list<SqlValue> values) {
    mutex_.AssertHeld();
    for (const KeyClaim& claim : claims) {
        sqlite3_stmt* lookup = nullptr;
        int rc = Prepare(KeyLookup(claim.table), &lookup);
        if (rc != SQLITE_OK) return rc;
        BoundStatement bound(lookup, {claim.key});
        rc = bound.bindResult();
        if (rc == SQLITE_OK) rc = sqlite3_step(lookup);
        if (rc == SQLITE_DONE) continue;  // a free key
        if (rc != SQLITE_ROW) return rc;
        const unsigned char* stored = sqlite3_column_text(lookup, 0);
        if (stored && !SamePath(stored, sqlite3_column_bytes(lookup, 0), ClaimUtf8(claim, values)))
            return SQLITE_CONSTRAINT_PRIMARYKEY;
    }
    return SQLITE_OK;
}

const std::string& CFileProtectCfgMgr::ClaimUtf8(const KeyClaim& claim,
                                                 std::initializer_list<SqlValue> values) {
    // Values are converted before the claims are checked (ExecFormatted).
    size_t index = 0;
    for (const SqlValue& value : values) {
        if (value.isText() && &value.text() == &claim.path) return valueUtf8_[index];
        ++index;
    }
    ToHelperUtf8(claim.path, &claimUtf8_);
    return claimUtf8_;
}

int32_t CFileProtectCfgMgr::PathKey(const std::wstring& path) {
    return static_cast<int32_t>(HelperPathHash(path));
}

int CFileProtectCfgMgr::BusyHandler(void*, int) {
    // Another process holds the database: wait and try again, for as long as
    // its lock lasts.
    Sleep(100);
    return 1;
}
