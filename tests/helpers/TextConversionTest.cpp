#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

IHlpFunc* helper() { return getHlpObj(); }

}  // namespace

TEST(Utf8Conversion, RoundTripsBmpAndSupplementaryCharacters) {
    // ASCII, Latin-1, CJK, and U+1F600 / U+10348 as surrogate pairs.
    const std::wstring text = L"C:\\Données\\\u65e5\u672c\\\U0001F600\U00010348.txt";
    std::string utf8 = helper()->WideToUtf8(text);
    EXPECT_EQ("C:\\Donn\xC3\xA9""es\\\xE6\x97\xA5\xE6\x9C\xAC\\\xF0\x9F\x98\x80\xF0\x90\x8D\x88.txt",
              utf8);
    EXPECT_EQ(text, helper()->Utf8ToWide(utf8));
}

TEST(Utf8Conversion, EmptyTextGivesNoBufferAndEmptyResults) {
    char* buffer = reinterpret_cast<char*>(0x1234);
    EXPECT_FALSE(helper()->WideToUtf8Buffer(L"", &buffer));
    EXPECT_EQ(reinterpret_cast<char*>(0x1234), buffer);  // left as it was
    EXPECT_EQ("", helper()->WideToUtf8(L""));
    EXPECT_EQ(L"", helper()->Utf8ToWide(""));
    EXPECT_FALSE(helper()->WideToUtf8Buffer(L"abc", nullptr));
}

TEST(Utf8Conversion, BufferHoldsEmbeddedNulWhileStringStopsThere) {
    const std::wstring text(L"ab\0cd", 5);
    char* buffer = nullptr;
    ASSERT_TRUE(helper()->WideToUtf8Buffer(text, &buffer));
    EXPECT_EQ(0, memcmp(buffer, "ab\0cd\0", 6));
    delete[] buffer;
    EXPECT_EQ("ab", helper()->WideToUtf8(text));
}

TEST(Utf8Conversion, IllFormedInputIsReplacedNotFatal) {
    // A lone high surrogate and bytes that are no UTF-8 at all: the platform
    // substitutes U+FFFD, and the neighbours survive.
    std::string fromLoneSurrogate = helper()->WideToUtf8(std::wstring(L"a\xD800z"));
    EXPECT_EQ('a', fromLoneSurrogate.front());
    EXPECT_EQ('z', fromLoneSurrogate.back());
    EXPECT_NE(std::string::npos, fromLoneSurrogate.find("\xEF\xBF\xBD"));

    std::wstring fromBadBytes = helper()->Utf8ToWide("a\xFF\xC3z");
    EXPECT_EQ(L'a', fromBadBytes.front());
    EXPECT_EQ(L'z', fromBadBytes.back());
    EXPECT_NE(std::wstring::npos, fromBadBytes.find(L'\xFFFD'));
}

TEST(Utf8Conversion, LargeTextConvertsWhole) {
    std::wstring text(300000, L'\u00e9');
    std::string utf8 = helper()->WideToUtf8(text);
    EXPECT_EQ(600000u, utf8.size());
    EXPECT_EQ(text, helper()->Utf8ToWide(utf8));
}

TEST(CaseAndTrim, OnlyAsciiLettersChangeCase) {
    EXPECT_EQ(L"C:\\DONN\u00e9ES\\A.TXT", helper()->ToUpper(L"c:\\Donn\u00e9es\\a.txt"));
    // Narrow (ANSI or UTF-8) bytes from 0x80 up are never touched.
    EXPECT_EQ("ABC\xE9\xC3\xA9Z{", helper()->ToUpperA("abc\xE9\xC3\xA9z{"));
}

TEST(CaseAndTrim, TrimCutsTrailingBlanksOnly) {
    EXPECT_EQ(L"abc", helper()->TrimRight(L"abc   "));
    EXPECT_EQ(L"a b", helper()->TrimRight(L"a b "));
    EXPECT_EQ(L"tab\t", helper()->TrimRight(L"tab\t"));
    EXPECT_EQ(L"", helper()->TrimRight(L"   "));
    EXPECT_EQ(L"x", helper()->TrimRight(L"x"));
    EXPECT_EQ("abc", helper()->TrimRightA("abc  "));
    // A counted terminator does not hide the blanks before it.
    EXPECT_EQ("abc", helper()->TrimRightA(std::string("abc  \0", 6)));
}

TEST(Formatting, FormatsWideTextWithThePlatformConventions) {
    EXPECT_EQ(L"id=7 name=\u00e9t\u00e9", helper()->FormatString(L"id=%d name=%s", 7, L"\u00e9t\u00e9"));
    EXPECT_EQ(L"0042", helper()->FormatStringN(8, L"%04d", 42));
}

TEST(Formatting, TextThatDoesNotFitGivesEmptyResultNotOverflow) {
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

TEST(Replacing, RescansSoRunsCollapse) {
    EXPECT_EQ(L"C:\\a\\b", helper()->ReplaceAll(L"C:\\\\\\a\\\\b", L"\\\\", L"\\"));
    EXPECT_EQ(L"x-y-z", helper()->ReplaceAll(L"x.y.z", L".", L"-"));
    EXPECT_EQ(L"", helper()->ReplaceAll(L"", L"a", L"b"));
    EXPECT_EQ(L"none", helper()->ReplaceAll(L"none", L"q", L"r"));
    // Rewrites that end give their whole result, however large.
    const std::wstring large =
        helper()->ReplaceAll(std::wstring(1000, L'x'), L"x", std::wstring(20000, L'y'));
    EXPECT_EQ(1000u * 20000u, large.size());
    EXPECT_EQ(std::wstring::npos, large.find_first_not_of(L'y'));
    // Each "ab" becomes "bba", which brings a new "ab" back until the a's are through.
    EXPECT_EQ(std::wstring(1024, L'b') + std::wstring(10, L'a'),
              helper()->ReplaceAll(std::wstring(10, L'a') + L"b", L"ab", L"bba"));
}

TEST(Replacing, InputsThatWouldNeverEndStillReturn) {
    // An empty pattern matches nowhere useful: the text comes back unchanged.
    EXPECT_EQ(L"abc", helper()->ReplaceAll(L"abc", L"", L"x"));
    // A replacement holding the pattern: every occurrence replaced once.
    EXPECT_EQ(L"aab.aab", helper()->ReplaceAll(L"ab.ab", L"ab", L"aab"));
    // A pair that keeps rebuilding its pattern and grows: bounded, empty result.
    EXPECT_EQ(L"", helper()->ReplaceAll(L"aab", L"ab", L"bbaa"));
}
