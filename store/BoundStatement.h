// The one way values reach a prepared statement: bound in order, integers as
// integers and texts as the helper's UTF-8, the very bytes the formatted
// statement text carries. Binding UTF-16 instead would let SQLite read a
// leading U+FEFF or U+FFFE as a byte-order mark and drop or swap it.
#pragma once

#include <sqlite3.h>

#include <initializer_list>
#include <string>

#include "SqlText.h"

// Binds the values of one execution of a cached statement and resets the
// statement when the execution ends, so the next one starts clean.
class BoundStatement {
public:
    // utf8[i] is the helper's UTF-8 of values[i] when that value is a text
    // (ToHelperUtf8), converted once by the caller, which may need the same
    // bytes for a key claim; it must stay alive until this object ends. May
    // be null when no value is a text.
    BoundStatement(sqlite3_stmt* statement, std::initializer_list<SqlValue> values,
                   const std::string* utf8 = nullptr);
    ~BoundStatement();
    BoundStatement(const BoundStatement&) = delete;
    BoundStatement& operator=(const BoundStatement&) = delete;

    // SQLITE_OK, SQLITE_RANGE when the statement does not take exactly the
    // values given, SQLITE_MISUSE for a text without its UTF-8, or the code
    // of the bind that failed.
    int bindResult() const { return bindResult_; }

private:
    sqlite3_stmt* statement_;
    int bindResult_ = SQLITE_OK;
};
