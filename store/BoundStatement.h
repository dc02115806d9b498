// The one way values reach a prepared statement: bound in order, integers as
// integers and texts as the helper's UTF-8, the very bytes the formatted
// statement text carries. Binding UTF-16 instead would let SQLite read a
// leading U+FEFF or U+FFFE as a byte-order mark and drop or swap it.
#pragma once

#include <sqlite3.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "SqlText.h"

// Binds the values of one execution of a cached statement and resets the
// statement when the execution ends, so the next one starts clean.
class BoundStatement {
public:
    BoundStatement(sqlite3_stmt* statement, std::initializer_list<SqlValue> values);
    ~BoundStatement();
    BoundStatement(const BoundStatement&) = delete;
    BoundStatement& operator=(const BoundStatement&) = delete;

    // SQLITE_OK, SQLITE_RANGE when the statement does not take exactly the
    // values given, or the code of the bind that failed.
    int bindResult() const { return bindResult_; }

private:
    sqlite3_stmt* statement_;
    std::vector<std::string> texts_;  // alive until the reset
    int bindResult_ = SQLITE_OK;
};
