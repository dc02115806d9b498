// The store's transactions: one scope object, and the three patterns built on
// it. BEGIN, COMMIT and ROLLBACK run directly on the connection and are never
// logged. A failed BEGIN means another transaction owns the connection, so
// nothing may be touched.
#pragma once

#include <sqlite3.h>

#include <cstddef>

#include "store/Query.h"

// A transaction that rolls back unless committed, whatever way its scope is
// left (an early return, an exception, a failed COMMIT).
class Transaction {
public:
    enum Kind {
        kRead,   // "BEGIN TRANSACTION;": a snapshot for the rows read
        kWrite,  // takes the write lock at once, so what is read before a
                 // write (a key check) cannot be overtaken by another writer
    };
    Transaction(sqlite3* db, Kind kind);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool begun() const { return open_; }
    // True once the work is durable. A COMMIT that fails is rolled back, so
    // the connection never stays inside a transaction that nobody owns.
    bool Commit();

private:
    sqlite3* db_;
    bool open_;
};

// All or nothing: stops at the first failing entry and rolls the whole call
// back. True only when every entry succeeded and was committed (an empty
// list commits).
template <typename List, typename RunOne>
bool RunAllOrNothing(sqlite3* db, const List& entries, RunOne runOne) {
    Transaction transaction(db, Transaction::kWrite);
    if (!transaction.begun()) return false;
    for (const auto& entry : entries)
        if (!runOne(entry)) return false;
    return transaction.Commit();
}

// All or nothing for a single statement.
template <typename RunOne>
bool RunOneInTransaction(sqlite3* db, RunOne runOne) {
    Transaction transaction(db, Transaction::kWrite);
    if (!transaction.begun()) return false;
    return runOne() && transaction.Commit();
}

// Keep what was done: stops at the first failing entry but commits the
// entries before it. True only when every entry succeeded and was committed.
template <typename List, typename RunOne>
bool RunKeepWhatWasDone(sqlite3* db, const List& entries, RunOne runOne) {
    Transaction transaction(db, Transaction::kWrite);
    if (!transaction.begun()) return false;
    bool everyEntry = true;
    for (const auto& entry : entries) {
        if (!runOne(entry)) {
            everyEntry = false;
            break;
        }
    }
    return transaction.Commit() && everyEntry;
}

// Read: the rows of one query inside a transaction of its own, so they come
// from one consistent snapshot. False when BEGIN or the prepare fails; a
// failed prepare is logged with its cause.
template <typename ReadRows>
bool RunRead(sqlite3* db, const char* sql, ReadRows readRows) {
    Transaction transaction(db, Transaction::kRead);
    if (!transaction.begun()) return false;
    {
        Query query(db, sql);
        if (!query.prepared()) {
            query.LogPrepareFailure();
            return false;
        }
        readRows(query);
    }  // finalized before the commit
    transaction.Commit();  // a read keeps what it read
    return true;
}
