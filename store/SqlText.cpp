#include "store/SqlText.h"

#include <cwchar>

namespace {

void AppendQuoted(const std::wstring& text, std::wstring* out) {
    for (wchar_t c : text) {
        out->push_back(c);
        if (c == L'\'') out->push_back(L'\'');
    }
}

// Characters of a signed 32-bit decimal, as %d writes it.
size_t DecimalLength(int32_t number) {
    int64_t magnitude = number;
    size_t digits = number < 0 ? 2 : 1;
    if (magnitude < 0) magnitude = -magnitude;
    for (; magnitude >= 10; magnitude /= 10) ++digits;
    return digits;
}

}  // namespace

std::wstring QuoteSqlText(const std::wstring& text) {
    std::wstring quoted;
    quoted.reserve(text.size() + 2);
    AppendQuoted(text, &quoted);
    return quoted;
}

namespace {

// Walks a format with its values: every character outside a placeholder goes
// to literal(c), each %s value to text(value), each %d value to number(value).
// False when the placeholders and values disagree, a programming error that
// must never run as a wrong statement, or when a text holds a NUL, which
// would end the statement early.
template <typename Literal, typename Text, typename Number>
bool WalkFormat(const wchar_t* format, std::initializer_list<SqlValue> values, Literal literal,
                Text text, Number number) {
    const SqlValue* next = values.begin();
    for (const wchar_t* p = format; *p; ++p) {
        if (p[0] != L'%' || (p[1] != L'd' && p[1] != L's')) {
            literal(*p);
            continue;
        }
        const bool wantsText = p[1] == L's';
        if (next == values.end() || next->isText() != wantsText) return false;
        if (wantsText) {
            if (next->text().find(L'\0') != std::wstring::npos) return false;
            text(next->text());
        } else {
            number(next->number());
        }
        ++next;
        ++p;
    }
    return next == values.end();
}

SqlFormatResult AgainstLimit(size_t length) {
    return length + 1 > kStatementLimit ? SqlFormatResult::kTooLong : SqlFormatResult::kOk;
}

}  // namespace

SqlFormatResult FormatSql(const wchar_t* format, std::initializer_list<SqlValue> values,
                          std::wstring* statement) {
    size_t expected = wcslen(format);
    for (const SqlValue& value : values) expected += value.isText() ? value.text().size() : 11;
    std::wstring out;
    out.reserve(expected + 8);
    const bool formatted = WalkFormat(
        format, values, [&out](wchar_t c) { out.push_back(c); },
        [&out](const std::wstring& text) { AppendQuoted(text, &out); },
        [&out](int32_t number) {
            wchar_t digits[12];
            swprintf(digits, 12, L"%d", number);
            out += digits;
        });
    if (!formatted) {
        statement->clear();
        return SqlFormatResult::kBadValue;
    }
    *statement = std::move(out);
    return AgainstLimit(statement->size());
}

SqlFormatResult CheckFormatSql(const wchar_t* format, std::initializer_list<SqlValue> values,
                               size_t* length) {
    size_t total = 0;
    const bool formatted = WalkFormat(
        format, values, [&total](wchar_t) { ++total; },
        [&total](const std::wstring& text) {
            for (wchar_t c : text) total += c == L'\'' ? 2 : 1;
        },
        [&total](int32_t number) { total += DecimalLength(number); });
    if (!formatted) return SqlFormatResult::kBadValue;
    *length = total;
    return AgainstLimit(total);
}

SqlFormatResult CheckFormatSql(const Statement& statement, std::initializer_list<SqlValue> values) {
    size_t length = 0;
    if (statement.placeholders != static_cast<int>(values.size()) || statement.placeholders > 32)
        return CheckFormatSql(statement.format, values, &length);
    size_t bound = statement.literalLength;
    int index = 0;
    for (const SqlValue& value : values) {
        const bool wantsText = (statement.textPlaceholders >> index & 1) != 0;
        ++index;
        if (value.isText() != wantsText ||
            (value.isText() && value.text().find(L'\0') != std::wstring::npos))
            return CheckFormatSql(statement.format, values, &length);
        bound += value.isText() ? 2 * value.text().size() : 11;  // "-2147483648" is 11
    }
    if (AgainstLimit(bound) == SqlFormatResult::kOk) return SqlFormatResult::kOk;
    return CheckFormatSql(statement.format, values, &length);
}

bool ParameterizeSql(const wchar_t* format, std::wstring* sql) {
    std::wstring out;
    for (const wchar_t* p = format; *p; ++p) {
        if (p[0] == L'\'' && p[1] == L'%' && p[2] == L's' && p[3] == L'\'') {
            out.push_back(L'?');
            p += 3;
        } else if (p[0] == L'%' && p[1] == L'd' && (p == format || p[-1] != L'\'')) {
            out.push_back(L'?');
            ++p;
        } else if (p[0] == L'%' && (p[1] == L'd' || p[1] == L's')) {
            return false;
        } else {
            out.push_back(*p);
        }
    }
    *sql = std::move(out);
    return true;
}
