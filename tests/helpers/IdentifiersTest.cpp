// GUID texts and list differences, through the helper object as a host
// reaches it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

IHlpFunc* H() { return getHlpObj(); }

using Wides = std::vector<std::wstring>;
using Narrows = std::vector<std::string>;

bool Same(const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) == 0; }

std::wstring HashText(const std::wstring& path) {
    return std::to_wstring(static_cast<int32_t>(H()->GetPathHash(path)));
}

}  // namespace

TEST(GuidText, ThirtyTwoUpperCaseDigitsThatReadBack) {
    const GUID guid = {0x0123ABCD, 0x4E5F, 0xabcd, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
    EXPECT_EQ(L"0123ABCD4E5FABCD0123456789ABCDEF", H()->GuidToString(guid));
    GUID parsed = {};
    ASSERT_TRUE(H()->StringToGuid(L"0123abcd4e5fabcd0123456789abcdef", parsed));
    EXPECT_TRUE(Same(guid, parsed));

    GUID untouched = {0x5A5A5A5A, 0x5A5A, 0x5A5A, {}};
    const GUID before = untouched;
    EXPECT_FALSE(H()->StringToGuid(std::wstring(31, L'A'), untouched));
    EXPECT_FALSE(H()->StringToGuid(std::wstring(33, L'A'), untouched));
    EXPECT_TRUE(Same(before, untouched));

    // A field that cannot be read is 0, and so is every field after it.
    ASSERT_TRUE(H()->StringToGuid(L"CAFEBABE1234zzzz0123456789ABCDEF", parsed));
    EXPECT_TRUE(Same(GUID{0xCAFEBABE, 0x1234, 0, {}}, parsed));
    ASSERT_TRUE(H()->StringToGuid(std::wstring(32, L'z'), parsed));
    EXPECT_TRUE(Same(GUID{}, parsed));
}

TEST(DiffList, ModesKeyByPathHashOrLeadingSignedDecimalAndKeepOrderAndDuplicates) {
    const Wides first = {L"C:\\a", L"C:\\x", L"c:\\X", L"C:\\b"};
    const Wides second = {L"c:\\B", L"C:\\\u00c9"};
    const Wides paths = {L"C:\\Windows\\notepad.exe", L"D:\\Work\\plan.xlsx", L"E:\\x"};
    Wides hashes;
    for (const auto& path : paths) hashes.push_back(HashText(path));
    const struct {
        Wides first, second;
        int mode;
        bool numeric;
        Wides expected;
    } cases[] = {
        {first, second, 0, false, {L"C:\\a", L"C:\\x", L"c:\\X", L"C:\\\u00c9"}},
        {first, second, 1, false, {L"C:\\a", L"C:\\x", L"c:\\X"}},
        {first, second, 2, false, {L"C:\\\u00c9"}},
        {first, second, 3, false, {}},
        {{}, {}, 0, false, {}},
        {{L"C:\\\u00e9"}, {L"C:\\\u00c9"}, 0, false, {L"C:\\\u00e9", L"C:\\\u00c9"}},
        // Hash texts as the store writes them key like their paths, sign and all.
        {hashes, paths, 0, true, {}},
        {hashes, paths, 1, false, hashes},
        {{L"2024\\x"}, {L" +2024\\y"}, 0, true, {}},
        {{L"abc"}, {L"ABC"}, 0, true, {}},  // no digits: the hash
        // Outside the signed range the text is keyed by its hash, not wrapped:
        // 99999999999 would wrap to 1410065407, and 4294967173 is -123's pattern.
        {{L"99999999999"}, {L"1410065407"}, 0, true, {L"99999999999", L"1410065407"}},
        {{L"-123"}, {L"4294967173"}, 0, true, {L"-123", L"4294967173"}},
        {{L"-2147483648"}, {L"-2147483648\\t"}, 0, true, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, H()->DiffList(c.first, c.second, c.mode, c.numeric))
            << Utf8(c.first.empty() ? L"" : c.first[0]) << " mode " << c.mode;
}

TEST(DiffListUtf8, DropsEmptyEntriesAndKeepsUtf8Intact) {
    const std::string cafe = "C:\\Caf\xC3\xA9";
    Narrows first = {"", "c:\\shared", cafe};
    Narrows second = {"C:\\SHARED", "C:\\new"};
    EXPECT_EQ((Narrows{cafe, "C:\\new"}), H()->DiffListUtf8(first, second, 0));
    EXPECT_EQ((Narrows{"C:\\new"}), H()->DiffListUtf8(first, second, 2));
    EXPECT_TRUE(H()->DiffListUtf8(first, second, 7).empty());
}
