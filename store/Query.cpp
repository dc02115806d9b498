#include "store/Query.h"

#include <cassert>

#include "base/HostLog.h"
#include "store/Utf8Text.h"

Query::Query(sqlite3* db, const char* sql, int length) : sql_(sql), length_(length) {
    prepareResult_ = sqlite3_prepare_v2(db, sql, length, &statement_, nullptr);
    if (prepareResult_ != SQLITE_OK) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
}

void Query::LogPrepareFailure() const {
    const std::string text = length_ < 0 ? std::string(sql_) : std::string(sql_, length_);
    WriteLog(kLogStatementFail, "%s ,option str=%s,errid = %d", text.c_str(), prepareResult_);
}

Query::~Query() { sqlite3_finalize(statement_); }

int Query::columnCount() const { return statement_ ? sqlite3_column_count(statement_) : 0; }

bool Query::Step() { return statement_ && sqlite3_step(statement_) == SQLITE_ROW; }

bool Query::IsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

bool Query::Text(int column, std::wstring* text) const {
    const unsigned char* utf8 = sqlite3_column_text(statement_, column);
    if (!utf8) return false;
    FromHelperUtf8(reinterpret_cast<const char*>(utf8), text);
    return true;
}

bool Query::Utf8(int column, std::string* text) const {
    const unsigned char* utf8 = sqlite3_column_text(statement_, column);
    if (!utf8) return false;
    *text = reinterpret_cast<const char*>(utf8);
    return true;
}

int Query::Int(int column) const { return sqlite3_column_int(statement_, column); }

int64_t Query::Int64(int column) const { return sqlite3_column_int64(statement_, column); }

BoundStatement::BoundStatement(sqlite3_stmt* statement, std::initializer_list<SqlValue> values,
                               const std::string* utf8, const std::string* guardedPath)
    : statement_(statement) {
    // The previous execution reset it: no row or binding of it is left over.
    assert(!sqlite3_stmt_busy(statement));
    const int parameters = static_cast<int>(values.size()) + (guardedPath ? 1 : 0);
    if (sqlite3_bind_parameter_count(statement) != parameters) {
        bindResult_ = SQLITE_RANGE;
        return;
    }
    int index = 0;
    for (const SqlValue& value : values) {
        if (!value.isText()) {
            bindResult_ = sqlite3_bind_int(statement, index + 1, value.number());
        } else if (!utf8) {
            bindResult_ = SQLITE_MISUSE;
        } else {
            const std::string& text = utf8[index];
            bindResult_ = sqlite3_bind_text(statement, index + 1, text.c_str(),
                                            static_cast<int>(text.size()), SQLITE_STATIC);
        }
        if (bindResult_ != SQLITE_OK) return;
        ++index;
    }
    if (guardedPath)
        bindResult_ = sqlite3_bind_text(statement, index + 1, guardedPath->c_str(),
                                        static_cast<int>(guardedPath->size()), SQLITE_STATIC);
}

BoundStatement::~BoundStatement() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

bool ReadPathRow(const Query& query, ProtectFileItem* item) {
    // Field by field rather than a fresh item, so a reused item keeps the
    // capacity of its texts.
    item->filepath.clear();
    item->mountpoint.clear();
    item->bextention = false;
    item->bFile = false;
    if (!query.Text(1, &item->filepath)) return false;
    if (query.Text(2, &item->mountpoint)) item->bFile = query.Int(3) != 0;
    return true;
}
