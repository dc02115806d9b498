// Rows in and out of prepared statements: a query that reads rows and is
// finalized when it ends, the binding of one execution of a cached statement,
// and the reader of the rows that the reject and white lists share.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "interfaces/IFileProtectCfgMgr.h"
#include "store/SqlText.h"

class Query {
public:
    // length -1 reads the text up to its terminator. The text must outlive
    // the query, which names it when it logs its failure.
    Query(sqlite3* db, const char* sql, int length = -1);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    bool prepared() const { return statement_ != nullptr; }
    // SQLITE_OK, or why the query could not be prepared.
    int prepareResult() const { return prepareResult_; }
    // Logs a failed prepare with the query's text and code, as a failed
    // statement is logged.
    void LogPrepareFailure() const;
    int columnCount() const;

    // Advances to the next row; false when there is none (or on an error).
    bool Step();

    // A text column as wide text; false, with text untouched, when it is not
    // text (NULL included).
    bool Text(int column, std::wstring* text) const;
    // The same as UTF-8 bytes, unconverted.
    bool Utf8(int column, std::string* text) const;
    bool IsNull(int column) const;
    int Int(int column) const;
    int64_t Int64(int column) const;

private:
    const char* sql_;
    int length_;
    int prepareResult_ = SQLITE_OK;
    sqlite3_stmt* statement_ = nullptr;
};

// The one way values reach a prepared statement: bound in order, integers as
// integers and texts as the helper's UTF-8, the very bytes the formatted
// statement text carries. Binding UTF-16 instead would let SQLite read a
// leading U+FEFF or U+FFFE as a byte-order mark and drop or swap it.
//
// Binds the values of one execution of a cached statement and resets the
// statement when the execution ends, so the next one starts clean.
class BoundStatement {
public:
    // utf8[i] is the helper's UTF-8 of values[i] when that value is a text
    // (ToHelperUtf8), converted once by the caller, which may need the same
    // bytes for a key claim; it must stay alive until this object ends. May
    // be null when no value is a text. guardedPath, when given, is the UTF-8
    // of the path a delete's guard takes, bound after the values.
    BoundStatement(sqlite3_stmt* statement, std::initializer_list<SqlValue> values,
                   const std::string* utf8 = nullptr, const std::string* guardedPath = nullptr);
    ~BoundStatement();
    BoundStatement(const BoundStatement&) = delete;
    BoundStatement& operator=(const BoundStatement&) = delete;

    // SQLITE_OK, SQLITE_RANGE when the statement does not take exactly the
    // values given (and the guarded path), SQLITE_MISUSE for a text without its UTF-8, or the code
    // of the bind that failed.
    int bindResult() const { return bindResult_; }

private:
    sqlite3_stmt* statement_;
    int bindResult_ = SQLITE_OK;
};

// Reads the current row of the reject and white lists (columns pathhash,
// filepath, mountpoint, bFile) into a ProtectFileItem. Those tables have no
// bextention column, so the item's flag is always false. False when the
// row's filepath is NULL: a damaged row, which the listings pass over (the
// rows behind it are still listed). A row without a mount point reads with
// an empty one and bFile false.
bool ReadPathRow(const Query& query, ProtectFileItem* item);
