// The store's three transaction patterns. BEGIN, COMMIT and ROLLBACK run
// directly on the connection and are never logged; only BEGIN's result
// matters, because a failed BEGIN means another transaction owns the
// connection and nothing may be touched.
#pragma once

#include <sqlite3.h>

#include <cstddef>

#include "Query.h"

bool BeginTransaction(sqlite3* db);
void CommitTransaction(sqlite3* db);
void RollbackTransaction(sqlite3* db);

// All or nothing: stops at the first failing entry and rolls the whole call
// back. True only when every entry succeeded (an empty list commits).
template <typename List, typename RunOne>
bool RunAllOrNothing(sqlite3* db, const List& entries, RunOne runOne) {
    if (!BeginTransaction(db)) return false;
    for (const auto& entry : entries) {
        if (!runOne(entry)) {
            RollbackTransaction(db);
            return false;
        }
    }
    CommitTransaction(db);
    return true;
}

// All or nothing for a single statement.
template <typename RunOne>
bool RunOneInTransaction(sqlite3* db, RunOne runOne) {
    if (!BeginTransaction(db)) return false;
    bool ok = runOne();
    if (ok) CommitTransaction(db);
    else RollbackTransaction(db);
    return ok;
}

// Keep what was done: stops at the first failing entry but commits the
// entries before it. True once BEGIN succeeded.
template <typename List, typename RunOne>
bool RunKeepWhatWasDone(sqlite3* db, const List& entries, RunOne runOne) {
    if (!BeginTransaction(db)) return false;
    for (const auto& entry : entries)
        if (!runOne(entry)) break;
    CommitTransaction(db);
    return true;
}

// Read: the rows of one query inside a transaction of its own, so they come
// from one consistent snapshot. False when BEGIN or the prepare fails.
template <typename ReadRows>
bool RunRead(sqlite3* db, const char* sql, ReadRows readRows) {
    if (!BeginTransaction(db)) return false;
    {
        Query query(db, sql);
        if (!query.prepared()) {
            RollbackTransaction(db);
            return false;
        }
        readRows(query);
    }  // finalized before the commit
    CommitTransaction(db);
    return true;
}
