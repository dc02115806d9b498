// The store's fast paths against the plain ones they stand in for, over
// texts chosen to break an encoder: the helper's own conversions through the
// interface, GetPathHash computed the documented way, and FormatSql's text.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "base/Helper.h"
#include "store/SqlText.h"
#include "store/Utf8Text.h"
#include "outside/zqcrc32/ZQCrc32.h"

namespace {

std::wstring Units(std::initializer_list<wchar_t> units) { return std::wstring(units); }

std::vector<std::wstring> AdversarialWideTexts() {
    std::vector<std::wstring> texts = {
        L"",
        L"C:\\plain\\ascii.txt",
        L"c:\\Donn\u00e9es\\\u00c9t\u00e9\\caf\u00e9.txt",
        L"C:\\\u6587\u6863\\\u5408\u540c.pdf",
        L"C:\\\xD83D\xDE00 smile\\\xDBFF\xDFFF max",                 // surrogate pairs
        L"it's ''quoted'' '",
        L"e\u0301 combining \u0308marks\u20DD",
        L"\uFEFFleading BOM", L"\uFFFEleading swapped BOM", L"mid\uFEFFdle\uFFFEtwo",
        L"\x7F\x80\x7FF\x800\xFFFD\xFFFF",                            // encoding boundaries
        L"`az{@AZ[ `az{@AZ[ \x01\x7F",                                // letter-case edges
        L"`{@[az", L"01234567`{@[aZ",                                  // the same, one at a time
        std::wstring(L"abc\0defg", 8), std::wstring(L"abcdefghijklmn\0opq", 18),  // NUL in a run
        L"abcdefg\u00e9hijklmnopq\x80rstuvwxyz\xFFFF",            // one wide unit in a run
        Units({L'\xD800'}), Units({L'\xDC00'}),                       // lone, alone
        Units({L'\xD800', L'a', L'b'}), Units({L'a', L'b', L'\xD800'}),  // high at either end
        Units({L'\xDC00', L'a'}), Units({L'a', L'\xDFFF'}),           // low at either end
        Units({L'\xDC00', L'\xD800'}),                                // reversed pair
        Units({L'a', L'\xD800', L'\xD800', L'\xDC00'}),               // high then a pair
        std::wstring(L"nul\0inside", 10), std::wstring(L"\0first", 6),
        std::wstring(L"pair then nul \xD83D\xDE00\0\xD800", 17),
        std::wstring(L"high before nul \xD800\0x", 19),
    };
    std::wstring longText;
    for (int i = 0; i < 400; ++i) longText += L"C:\\\u00e9\u6587\xD83D\xDE00'";
    texts.push_back(longText);                        // 2,800 units, every width
    texts.push_back(std::wstring(2500, L'\xD800'));   // long and all lone
    texts.push_back(std::wstring(2100, L'a') + L"\xDC00");
    return texts;
}

std::vector<std::string> AdversarialUtf8Texts() {
    return {
        "",
        "C:\\plain\\ascii.txt",
        "caf\xC3\xA9 \xE6\x96\x87 \xF0\x9F\x98\x80",       // 2, 3 and 4 bytes
        "\xF4\x8F\xBF\xBF max", "\xF4\x90\x80\x80 past max",
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): split only to end the escapes
        "\xEF\xBB\xBF" "BOM first", "mid\xEF\xBB\xBF" "dle\xEF\xBF\xBE",
        "\xC0\x80 overlong nul", "\xC1\xBF overlong", "\xE0\x80\xAF overlong slash",
        "\xF0\x80\x80\xAF four-byte overlong",
        "truncated \xE6\x96", "truncated at end \xF0\x9F\x98", "\xC3",
        "\x80 lone continuation", "a\xBF\xBF" "b",
        "\xFF byte", "\xFE\xFF", "x\xF8\x88\x80\x80\x80 five bytes",
        "\xED\xA0\x80 encoded high surrogate", "\xED\xB0\x80 encoded low",
        "\xED\xA0\xBD\xED\xB8\x80 encoded pair",
        "quotes ' '' '''",
        std::string(3000, 'a') + "\xE6\x96\x87",
        [] {
            std::string mixed;
            for (int i = 0; i < 500; ++i) mixed += "\xC3\xA9\x80\xF0\x9F\x98\x80'";
            return mixed;
        }(),
    };
}

// GetPathHash the documented way: ToUpper, WideToUtf8Buffer, the checksum of
// the bytes before the first NUL, or of the UTF-16 units when it fails.
uint32_t PlainPathHash(const std::wstring& path) {
    if (path.empty()) return 0;
    IHlpFunc* helper = Helper();
    std::wstring upper = helper->ToUpper(path);
    char* bytes = nullptr;
    if (helper->WideToUtf8Buffer(upper, &bytes)) {
        uint32_t hash = ZQCrc32(bytes, static_cast<uint32_t>(strlen(bytes)));
        delete[] bytes;
        return hash;
    }
    return ZQCrc32(upper.c_str(), static_cast<uint32_t>(wcslen(upper.c_str()) * 2));
}

}  // namespace

TEST(FastPaths, WideToUtf8MatchesTheHelperAndHashesMatchThePlainPath) {
    std::string reused = "capacity left from a longer previous text";
    for (const std::wstring& text : AdversarialWideTexts()) {
        SCOPED_TRACE(testing::Message() << "text of " << text.size() << " units");
        ToHelperUtf8(text, &reused);
        EXPECT_EQ(Helper()->WideToUtf8(text), reused);
        EXPECT_EQ(PlainPathHash(text), Helper()->GetPathHash(text));
    }
}

TEST(FastPaths, TheStoresPathHashMatchesTheHelpers) {
    std::vector<std::wstring> texts = AdversarialWideTexts();
    for (size_t size : {340u, 341u, 342u, 1020u, 1021u, 1023u, 1024u})  // around the encoder's buffer
        for (const wchar_t* unit : {L"a", L"\u00e9", L"\u6587"}) texts.push_back(std::wstring(size, unit[0]));
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(testing::Message() << "text of " << text.size() << " units");
        EXPECT_EQ(Helper()->GetPathHash(text), HelperPathHash(text));
    }
}

TEST(FastPaths, Utf8ToWideMatchesTheHelper) {
    std::wstring reused = L"capacity left from a longer previous text";
    for (const std::string& bytes : AdversarialUtf8Texts()) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 40)));
        FromHelperUtf8(bytes.c_str(), &reused);
        EXPECT_EQ(Helper()->Utf8ToWide(bytes), reused);
    }
    // What the store reads back is what it wrote, for every wide text.
    for (const std::wstring& text : AdversarialWideTexts()) {
        std::string utf8 = Helper()->WideToUtf8(text);
        FromHelperUtf8(utf8.c_str(), &reused);
        EXPECT_EQ(Helper()->Utf8ToWide(utf8), reused);
    }
}

namespace {

void ExpectSameFormatting(const wchar_t* format, std::initializer_list<SqlValue> values) {
    std::wstring statement;
    size_t length = 12345;
    SqlFormatResult plain = FormatSql(format, values, &statement);
    EXPECT_EQ(plain, CheckFormatSql(format, values, &length));
    if (plain != SqlFormatResult::kBadValue) {
        EXPECT_EQ(statement.size(), length);
    }
}

}  // namespace

TEST(FastPaths, FormattedLengthMatchesTheFormattedText) {
    const int32_t numbers[] = {0, 7, -1, 9, 10, -10, 99999, 1000000000, INT32_MAX, INT32_MIN};
    for (const std::wstring& text : AdversarialWideTexts()) {
        SCOPED_TRACE(testing::Message() << "text of " << text.size() << " units");
        for (int32_t n : numbers) {
            ExpectSameFormatting(L"INSERT INTO t VALUES(%d, '%s',%d, '%s', %d)",
                                 {n, text, n, text, n});
            ExpectSameFormatting(L"UPDATE t SET a = '%s', b = %d WHERE c = '%s' AND d = %d",
                                 {text, n, text, n});
            ExpectSameFormatting(L"%d", {n});
        }
        ExpectSameFormatting(L"'%s'", {text});
        ExpectSameFormatting(L"'%s' %d", {text});  // a value short
        ExpectSameFormatting(L"%d", {text});        // the wrong kind
        ExpectSameFormatting(L"'%s'", {text, 1});   // a value over
    }
    // Around the limit: 1,023 characters fit with the terminator.
    for (size_t size : {1020u, 1021u, 1022u}) {
        ExpectSameFormatting(L"'%s'", {std::wstring(size, L'a')});
        ExpectSameFormatting(L"'%s'", {std::wstring(size / 2, L'\'')});
    }
}

TEST(FastPaths, StatementCheckAgreesWithTheWalkOfItsFormat) {
    const Statement statements[] = {
        {L"INSERT INTO t VALUES(%d, '%s',%d, '%s', %d)", RowGuard::kUpsert},
        {L"UPDATE t SET a = '%s', b = %d WHERE c = '%s' AND d = %d", RowGuard::kNone},
        {L"DELETE FROM t WHERE k = %d", RowGuard::kDelete},
        {L"'%s'", RowGuard::kNone},
        {L"100% %x %%s '%s' %", RowGuard::kNone},  // lone and doubled percent signs
        {L"none", RowGuard::kNone},
    };
    std::vector<std::wstring> texts = AdversarialWideTexts();
    for (size_t size : {340u, 341u, 342u, 505u, 506u, 1000u, 1017u, 1018u, 1019u, 1020u, 1021u, 1022u}) {
        texts.push_back(std::wstring(size, L'a'));
        texts.push_back(std::wstring(size / 2, L'\''));
    }
    const int32_t numbers[] = {0, -1, INT32_MIN, INT32_MAX};
    const auto same = [](const Statement& statement, std::initializer_list<SqlValue> values) {
        size_t length = 0;
        EXPECT_EQ(CheckFormatSql(statement.format, values, &length), CheckFormatSql(statement, values))
            << testing::PrintToString(std::wstring(statement.format));
    };
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(testing::Message() << "text of " << text.size() << " units");
        for (int32_t n : numbers) {
            for (const Statement& statement : statements) {
                same(statement, {n, text, n, text, n});
                same(statement, {text, n, text, n});
                same(statement, {n});
                same(statement, {text});
                same(statement, {text, text});  // the wrong kind, or one too many
                same(statement, {});
            }
        }
    }
}
