#include "Query.h"

#include "Utf8Text.h"

Query::Query(sqlite3* db, const char* sql, int length) {
    if (sqlite3_prepare_v2(db, sql, length, &statement_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
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
