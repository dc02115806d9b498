// Reading rows: one prepared statement, finalized when the object ends.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

class Query {
public:
    // length -1 reads the text up to its terminator.
    Query(sqlite3* db, const char* sql, int length = -1);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    bool prepared() const { return statement_ != nullptr; }
    int columnCount() const;

    // Advances to the next row; false when there is none (or on an error).
    bool Step();

    // A text column as wide text; false, with text untouched, when it is not
    // text (NULL included).
    bool Text(int column, std::wstring* text) const;
    // The same as UTF-8 bytes, unconverted.
    bool Utf8(int column, std::string* text) const;
    bool IsNull(int column) const;
    int Int(int column) const;
    int64_t Int64(int column) const;

private:
    sqlite3_stmt* statement_ = nullptr;
};
