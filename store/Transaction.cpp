#include "store/Transaction.h"

namespace {

bool Run(sqlite3* db, const char* statement) {
    return sqlite3_exec(db, statement, nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace

Transaction::Transaction(sqlite3* db, Kind kind)
    : db_(db),
      open_(Run(db, kind == kWrite ? "BEGIN IMMEDIATE TRANSACTION;" : "BEGIN TRANSACTION;")) {}

Transaction::~Transaction() {
    if (open_) Run(db_, "ROLLBACK;");
}

bool Transaction::Commit() {
    if (!open_) return false;
    open_ = false;
    if (Run(db_, "COMMIT;")) return true;
    // SQLite may already have ended the transaction itself (an I/O error
    // does); otherwise it is still open and must not outlive this call.
    if (!sqlite3_get_autocommit(db_)) Run(db_, "ROLLBACK;");
    return false;
}
