// Statement formats and their values. A format uses %d for a signed 32-bit
// integer and %s for a text, which the format itself puts between single
// quotes. The store runs every format as a prepared statement with the values
// bound (ParameterizeSql); the formatted text is what the statement limit
// applies to and what a failure logs. In that text a text's own quotes are
// doubled, and a text holding a NUL is refused because it would end the
// statement early.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

// The formatting limit of a statement, terminator included. A longer
// statement is refused as a whole rather than executed cut short.
constexpr size_t kStatementLimit = 1024;

class SqlValue {
public:
    SqlValue(int32_t number) : isText_(false), number_(number) {}  // NOLINT: implicit by design
    SqlValue(const std::wstring& text) : isText_(true), text_(&text) {}  // NOLINT
    SqlValue(const wchar_t* text) = delete;  // keep the lifetime visible at call sites

    bool isText() const { return isText_; }
    int32_t number() const { return number_; }
    const std::wstring& text() const { return *text_; }

private:
    bool isText_;
    int32_t number_ = 0;
    const std::wstring* text_ = nullptr;
};

// How a write by path keeps to its own path's row. Every path row is keyed
// by a 32-bit hash of its path, so another path may own the row under the
// same key; the guard carries the write's claim on the key (see KeyClaim in
// FileProtectCfgMgr.h) inside the statement itself.
enum class RowGuard {
    kNone,    // no guard: the claims, if any, are checked before the write
    kUpsert,  // INSERT ... ON CONFLICT(pathhash) DO UPDATE ...: the update
              // applies only to the path's own row
    kDelete,  // DELETE ... WHERE pathhash = ...: deletes only the path's own row
};

// One statement of the store: a constant of the library, known to the
// prepared-statement cache by its address. Its format's shape (how many
// characters lie outside the placeholders, and which placeholders take a
// text) is taken when it is made, at compile time, so the per-row check
// never walks the format.
struct Statement {
    constexpr Statement(const wchar_t* text, RowGuard rowGuard) : format(text), guard(rowGuard) {
        for (const wchar_t* p = text; *p; ++p) {
            if (p[0] != L'%' || (p[1] != L'd' && p[1] != L's')) {
                ++literalLength;
                continue;
            }
            if (placeholders < 32 && p[1] == L's') textPlaceholders |= uint32_t(1) << placeholders;
            ++placeholders;
            ++p;
        }
    }

    const wchar_t* format;
    RowGuard guard;
    size_t literalLength = 0;
    int placeholders = 0;
    uint32_t textPlaceholders = 0;  // bit i: placeholder i is %s
};

enum class SqlFormatResult { kOk, kTooLong, kBadValue };

// Fills format with values in order. On kTooLong, statement holds the whole
// (over-long) text so the caller can report it; on kBadValue it is empty.
SqlFormatResult FormatSql(const wchar_t* format, std::initializer_list<SqlValue> values,
                          std::wstring* statement);

// What FormatSql would answer, and the length of the text it would build,
// without building it: the per-row check of every write, whose text is
// needed only when a failure is logged.
SqlFormatResult CheckFormatSql(const wchar_t* format, std::initializer_list<SqlValue> values,
                               size_t* length);

// What CheckFormatSql(statement.format, values) answers, without its walk
// when the answer is plain: values of the kinds the placeholders take, no
// NUL in a text, and a length that fits even were every character of every
// text a doubled quote and every number ten digits and a sign. Anything
// else is left to CheckFormatSql.
SqlFormatResult CheckFormatSql(const Statement& statement, std::initializer_list<SqlValue> values);

// The format with every '%s' and %d turned into a parameter (?), for
// binding the same values in the same order. False when a placeholder
// stands anywhere else (such as a quoted %d, or a bare %s).
bool ParameterizeSql(const wchar_t* format, std::wstring* sql);

// Doubles every single quote: the text's form inside a '...' literal.
std::wstring QuoteSqlText(const std::wstring& text);
