#include "Transaction.h"

bool BeginTransaction(sqlite3* db) {
    return sqlite3_exec(db, "BEGIN TRANSACTION;", nullptr, nullptr, nullptr) == SQLITE_OK;
}

void CommitTransaction(sqlite3* db) { sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr); }

void RollbackTransaction(sqlite3* db) {
    sqlite3_exec(db, "ROLLBACK;", nullptr, nullptr, nullptr);
}
