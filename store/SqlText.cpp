#include "SqlText.h"

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

SqlFormatResult FormatSql(const wchar_t* format, std::initializer_list<SqlValue> values,
                          std::wstring* statement) {
    // Formatting runs once per row of every list operation: one allocation.
    size_t expected = wcslen(format);
    for (const SqlValue& value : values) expected += value.isText() ? value.text().size() : 11;
    std::wstring out;
    out.reserve(expected + 8);
    const SqlValue* next = values.begin();
    for (const wchar_t* p = format; *p; ++p) {
        if (p[0] != L'%' || (p[1] != L'd' && p[1] != L's')) {
            out.push_back(*p);
            continue;
        }
        // A format whose placeholders and values disagree is a programming
        // error; refusing it keeps a wrong statement from running.
        bool wantsText = p[1] == L's';
        if (next == values.end() || next->isText() != wantsText) {
            statement->clear();
            return SqlFormatResult::kBadValue;
        }
        if (wantsText) {
            if (next->text().find(L'\0') != std::wstring::npos) {
                statement->clear();
                return SqlFormatResult::kBadValue;
            }
            AppendQuoted(next->text(), &out);
        } else {
            wchar_t digits[12];
            swprintf(digits, 12, L"%d", next->number());
            out += digits;
        }
        ++next;
        ++p;
    }
    if (next != values.end()) {
        statement->clear();
        return SqlFormatResult::kBadValue;
    }
    *statement = std::move(out);
    return statement->size() + 1 > kStatementLimit ? SqlFormatResult::kTooLong
                                                   : SqlFormatResult::kOk;
}

SqlFormatResult CheckFormatSql(const wchar_t* format, std::initializer_list<SqlValue> values,
                               size_t* length) {
    size_t total = 0;
    const SqlValue* next = values.begin();
    for (const wchar_t* p = format; *p; ++p) {
        if (p[0] != L'%' || (p[1] != L'd' && p[1] != L's')) {
            ++total;
            continue;
        }
        bool wantsText = p[1] == L's';
        if (next == values.end() || next->isText() != wantsText) return SqlFormatResult::kBadValue;
        if (wantsText) {
            for (wchar_t c : next->text()) {
                if (c == L'\0') return SqlFormatResult::kBadValue;
                total += c == L'\'' ? 2 : 1;
            }
        } else {
            total += DecimalLength(next->number());
        }
        ++next;
        ++p;
    }
    if (next != values.end()) return SqlFormatResult::kBadValue;
    *length = total;
    return total + 1 > kStatementLimit ? SqlFormatResult::kTooLong : SqlFormatResult::kOk;
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
