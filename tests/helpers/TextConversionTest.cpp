// Text helpers as a host reaches them: UTF-8 conversion, case, trimming,
// formatting, splitting and repeated replacement.
#include <gtest/gtest.h>

#include "tests/support/TestSupport.h"

namespace {

IHlpFunc* helper() { return getHlpObj(); }

}  // namespace

TEST(Utf8Conversion, RoundTripsWholeTextAndReplacesWhatItCannotRead) {
    // ASCII, Latin-1, CJK, and U+1F600 / U+10348 as surrogate pairs.
    const std::wstring text = L"C:\\Données\\\u65e5\u672c\\\U0001F600\U00010348.txt";
    std::string utf8 = helper()->WideToUtf8(text);
    EXPECT_EQ("C:\\Donn\xC3\xA9""es\\\xE6\x97\xA5\xE6\x9C\xAC\\\xF0\x9F\x98\x80\xF0\x90\x8D\x88.txt",
              utf8);
    EXPECT_EQ(text, helper()->Utf8ToWide(utf8));
    // Large texts convert whole, never through a fixed buffer.
    const std::wstring large(300000, L'\u00e9');
    EXPECT_EQ(large, helper()->Utf8ToWide(helper()->WideToUtf8(large)));
    // Ill-formed input is replaced, its neighbours survive.
    EXPECT_EQ("a\xEF\xBF\xBDz", helper()->WideToUtf8(std::wstring(L"a\xD800z")));
    const std::wstring fromBadBytes = helper()->Utf8ToWide("a\xFF\xC3z");
    EXPECT_EQ(L'a', fromBadBytes.front());
    EXPECT_EQ(L'z', fromBadBytes.back());
    EXPECT_EQ("", helper()->WideToUtf8(L""));
    EXPECT_EQ(L"", helper()->Utf8ToWide(""));
}

TEST(Utf8Conversion, BufferHoldsEmbeddedNulAndIsOnlyMadeForText) {
    const std::wstring text(L"ab\0cd", 5);
    char* buffer = nullptr;
    ASSERT_TRUE(helper()->WideToUtf8Buffer(text, &buffer));
    EXPECT_EQ(0, memcmp(buffer, "ab\0cd\0", 6));
    delete[] buffer;
    EXPECT_EQ("ab", helper()->WideToUtf8(text));  // the string form stops at the NUL

    buffer = reinterpret_cast<char*>(0x1234);
    EXPECT_FALSE(helper()->WideToUtf8Buffer(L"", &buffer));
    EXPECT_EQ(reinterpret_cast<char*>(0x1234), buffer);  // left as it was
    EXPECT_FALSE(helper()->WideToUtf8Buffer(L"abc", nullptr));
}

TEST(CaseAndTrim, OnlyAsciiLettersChangeCaseAndOnlyTrailingBlanksGo) {
    EXPECT_EQ(L"C:\\DONN\u00e9ES\\A.TXT", helper()->ToUpper(L"c:\\Donn\u00e9es\\a.txt"));
    // Narrow (ANSI or UTF-8) bytes from 0x80 up are never touched.
    EXPECT_EQ("ABC\xE9\xC3\xA9Z{", helper()->ToUpperA("abc\xE9\xC3\xA9z{"));
    const std::pair<std::wstring, std::wstring> trims[] = {
        {L"abc   ", L"abc"}, {L"a b ", L"a b"}, {L"tab\t", L"tab\t"}, {L"   ", L""}, {L"x", L"x"}};
    for (const auto& t : trims) EXPECT_EQ(t.second, helper()->TrimRight(t.first));
    EXPECT_EQ("abc", helper()->TrimRightA("abc  "));
    // A counted terminator does not hide the blanks before it.
    EXPECT_EQ("abc", helper()->TrimRightA(std::string("abc  \0", 6)));
}

TEST(Formatting, FormatsWideTextAndGivesEmptyTextWhenItDoesNotFit) {
    EXPECT_EQ(L"id=7 name=\u00e9t\u00e9", helper()->FormatString(L"id=%d name=%s", 7, L"\u00e9t\u00e9"));
    EXPECT_EQ(L"0042", helper()->FormatStringN(8, L"%04d", 42));
    std::wstring exact(4095, L'x');
    EXPECT_EQ(exact, helper()->FormatString(L"%s", exact.c_str()));
    std::wstring over(4096, L'x');
    EXPECT_EQ(L"", helper()->FormatString(L"%s", over.c_str()));
    EXPECT_EQ(L"abcde", helper()->FormatStringN(5, L"%s", L"abcde"));
    EXPECT_EQ(L"", helper()->FormatStringN(4, L"%s", L"abcde"));
    EXPECT_EQ(L"", helper()->FormatStringN(-1, L"%s", L"abc"));
    EXPECT_EQ(L"", helper()->FormatString(nullptr));
}

TEST(Splitting, KeepsEmptyPiecesBetweenDelimiters) {
    using List = std::vector<std::string>;
    EXPECT_EQ((List{"a", "", "b", ""}), helper()->SplitStringA("a;;b;", ";"));
    EXPECT_EQ((List{"abc"}), helper()->SplitStringA("abc", ";"));
    EXPECT_EQ((List{"1", "2", "3"}), helper()->SplitStringA("1::2::3", "::"));
    EXPECT_TRUE(helper()->SplitStringA("", ";").empty());
    EXPECT_TRUE(helper()->SplitStringA("abc", "").empty());
}

TEST(Replacing, RescansUntilDoneAndStopsOnlyWhatWouldNeverEnd) {
    const struct {
        std::wstring text, pattern, replacement, expected;
    } cases[] = {
        {L"C:\\\\\\a\\\\b", L"\\\\", L"\\", L"C:\\a\\b"},  // rescans: runs collapse
        {L"x.y.z", L".", L"-", L"x-y-z"},
        {L"none", L"q", L"r", L"none"},
        {L"abc", L"", L"x", L"abc"},  // an empty pattern changes nothing
        // A replacement holding the pattern: every occurrence replaced once,
        // also with text after the last one.
        {L"ab.ab", L"ab", L"aab", L"aab.aab"},
        {L"xaby", L"ab", L"abab", L"xababy"},
        {L"q", L"", L"x", L"q"},
        {L"", L"a", L"b", L""},
        {L"ab", L"ab", L"", L""},  // a real empty result looks the same as giving up
        // Each "ab" becomes "bba", which brings a new "ab" back until the a's are through.
        {std::wstring(10, L'a') + L"b", L"ab", L"bba", std::wstring(1024, L'b') + std::wstring(10, L'a')},
        // A pair that keeps rebuilding its pattern and grows: bounded, empty result.
        {L"aab", L"ab", L"bbaa", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, helper()->ReplaceAll(c.text, c.pattern, c.replacement)) << Utf8(c.text);
    // Rewrites that end give their whole result, however large.
    const std::wstring large =
        helper()->ReplaceAll(std::wstring(1000, L'x'), L"x", std::wstring(20000, L'y'));
    EXPECT_EQ(1000u * 20000u, large.size());
    EXPECT_EQ(std::wstring::npos, large.find_first_not_of(L'y'));
}
