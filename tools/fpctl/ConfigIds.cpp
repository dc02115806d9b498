#include "ConfigIds.h"

#include <sqlite3.h>

#include <climits>

#include "Report.h"

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

ConfigIdList ConfigIds(Context& context) {
    context.Store();  // the store creates the file and its tables
    const std::string path = Utf8(context.Helper()->GetDataFolder() + L"\\FileProtect.db");
    ReadOnlyDatabase database(path);
    sqlite3_stmt* statement = nullptr;
    if (!database.handle() ||
        sqlite3_prepare_v2(database.handle(), "SELECT id FROM config ORDER BY id", -1, &statement,
                           nullptr) != SQLITE_OK)
        throw LibraryFailure("listing the config ids of " + path + " failed", "sqlite3_prepare_v2");
    ConfigIdList list;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        // The column holds 64-bit row ids; cutting one to 32 bits would name another row.
        const sqlite3_int64 id = sqlite3_column_int64(statement, 0);
        if (id >= INT32_MIN && id <= INT32_MAX)
            list.ids.push_back(static_cast<int32_t>(id));
        else
            list.unreachable.push_back(id);
    }
    sqlite3_finalize(statement);
    if (step != SQLITE_DONE) throw LibraryFailure("listing the config ids of " + path + " failed", "sqlite3_step");
    return list;
}

std::vector<ConfigRow> ReadConfigRows(Context& context) {
    const ConfigIdList list = ConfigIds(context);
    if (!list.unreachable.empty()) {
        std::string ids;
        for (int64_t id : list.unreachable) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
        Warn("config rows whose ids lie outside the 32-bit range cannot be read, changed or deleted through "
             "the store; left as they are: " + ids);
    }
    std::vector<ConfigRow> rows;
    IFileProtectCfgMgr* store = context.Store();
    for (int32_t id : list.ids) rows.push_back({id, store->GetConfig(id)});
    return rows;
}
