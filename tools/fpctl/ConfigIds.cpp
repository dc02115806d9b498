#include "ConfigIds.h"

#include <sqlite3.h>

#include "Text.h"

namespace {

// One owner for the read-only connection.
class ReadOnlyDatabase {
public:
    explicit ReadOnlyDatabase(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
        }
        if (db_) sqlite3_busy_timeout(db_, 10000);
    }
    ~ReadOnlyDatabase() { sqlite3_close(db_); }
    ReadOnlyDatabase(const ReadOnlyDatabase&) = delete;
    ReadOnlyDatabase& operator=(const ReadOnlyDatabase&) = delete;
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace

std::vector<int32_t> ConfigIds(Context& context) {
    context.Store();  // the store creates the file and its tables
    const std::string path = Utf8(context.Helper()->GetDataFolder() + L"\\FileProtect.db");
    ReadOnlyDatabase database(path);
    sqlite3_stmt* statement = nullptr;
    if (!database.handle() ||
        sqlite3_prepare_v2(database.handle(), "SELECT id FROM config ORDER BY id", -1, &statement,
                           nullptr) != SQLITE_OK)
        throw LibraryFailure("listing the config ids of " + path + " failed");
    std::vector<int32_t> ids;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) ids.push_back(sqlite3_column_int(statement, 0));
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE) throw LibraryFailure("listing the config ids of " + path + " failed");
    return ids;
}
