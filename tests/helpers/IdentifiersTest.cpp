// GUID texts and list differences, through the helper object as a host
// reaches it.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

IHlpFunc* H() { return getHlpObj(); }

using Wides = std::vector<std::wstring>;
using Narrows = std::vector<std::string>;

const GUID kSample = {0x0123ABCD, 0x4E5F, 0xabcd, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};

bool SameGuid(const GUID& a, const GUID& b) { return memcmp(&a, &b, sizeof(GUID)) == 0; }

GUID Filled(unsigned char byte) {
    GUID guid;
    memset(&guid, byte, sizeof(guid));
    return guid;
}

std::wstring HashText(const std::wstring& path) {
    return std::to_wstring(static_cast<int32_t>(H()->GetPathHash(path)));
}

}  // namespace

TEST(GuidText, ThirtyTwoUpperCaseDigitsInFieldOrder) {
    EXPECT_EQ(L"0123ABCD4E5FABCD0123456789ABCDEF", H()->GuidToString(kSample));
    EXPECT_EQ(std::wstring(32, L'0'), H()->GuidToString(GUID{}));
    EXPECT_EQ(std::wstring(32, L'F'), H()->GuidToString(Filled(0xFF)));
}

TEST(GuidText, ParsesBackAndAcceptsLowerCase) {
    GUID parsed = Filled(0x55);
    ASSERT_TRUE(H()->StringToGuid(L"0123ABCD4E5FABCD0123456789ABCDEF", parsed));
    EXPECT_TRUE(SameGuid(kSample, parsed));

    parsed = GUID{};
    ASSERT_TRUE(H()->StringToGuid(L"0123abcd4e5fabcd0123456789abcdef", parsed));
    EXPECT_TRUE(SameGuid(kSample, parsed));

    std::mt19937 bits(3);
    for (int round = 0; round < 50; ++round) {
        GUID random;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(&random);
        for (size_t i = 0; i < sizeof(random); ++i) bytes[i] = static_cast<unsigned char>(bits());
        parsed = GUID{};
        ASSERT_TRUE(H()->StringToGuid(H()->GuidToString(random), parsed));
        EXPECT_TRUE(SameGuid(random, parsed)) << Narrow(H()->GuidToString(random));
    }
}

TEST(GuidText, WrongLengthIsRefusedAndLeavesTheGuid) {
    GUID untouched = Filled(0x5A);
    EXPECT_FALSE(H()->StringToGuid(std::wstring(31, L'A'), untouched));
    EXPECT_FALSE(H()->StringToGuid(std::wstring(33, L'A'), untouched));
    EXPECT_FALSE(H()->StringToGuid(L"", untouched));
    EXPECT_TRUE(SameGuid(Filled(0x5A), untouched));
}

TEST(GuidText, UnreadableFieldsAndAllAfterThemAreZero) {
    GUID parsed = Filled(0x5A);
    EXPECT_TRUE(H()->StringToGuid(std::wstring(32, L'z'), parsed));
    EXPECT_TRUE(SameGuid(GUID{}, parsed));

    // Data1 and Data2 read; Data3 cannot, so it and the eight bytes stay 0.
    parsed = Filled(0x5A);
    EXPECT_TRUE(H()->StringToGuid(L"CAFEBABE1234zzzz0123456789ABCDEF", parsed));
    GUID expected = {0xCAFEBABE, 0x1234, 0, {}};
    EXPECT_TRUE(SameGuid(expected, parsed));
}

TEST(DiffList, ModesSelectWhichSideIsReported) {
    Wides first = {L"C:\\a", L"C:\\b", L"C:\\c"};
    Wides second = {L"c:\\B", L"C:\\d"};
    EXPECT_EQ((Wides{L"C:\\a", L"C:\\c", L"C:\\d"}), H()->DiffList(first, second, 0, false));
    EXPECT_EQ((Wides{L"C:\\a", L"C:\\c"}), H()->DiffList(first, second, 1, false));
    EXPECT_EQ((Wides{L"C:\\d"}), H()->DiffList(first, second, 2, false));
    EXPECT_TRUE(H()->DiffList(first, second, 3, false).empty());
    EXPECT_TRUE(H()->DiffList(first, second, -1, false).empty());
    EXPECT_TRUE(H()->DiffList({}, {}, 0, false).empty());
}

TEST(DiffList, KeysFoldOnlyAsciiCaseAndEntriesComeBackUnchanged) {
    // Same up to ASCII case: nothing differs.
    EXPECT_TRUE(H()->DiffList({L"c:\\Data\\x.TXT"}, {L"C:\\DATA\\X.txt"}, 0, false).empty());
    // é and É are different keys; entries are returned as given.
    EXPECT_EQ((Wides{L"c:\\\u00e9", L"C:\\\u00c9"}),
              H()->DiffList({L"c:\\\u00e9"}, {L"C:\\\u00c9"}, 0, false));
}

TEST(DiffList, DuplicatesAreKeptInListOrder) {
    Wides first = {L"C:\\x", L"C:\\keep", L"c:\\X", L"C:\\keep"};
    Wides second = {L"C:\\other"};
    EXPECT_EQ((Wides{L"C:\\x", L"C:\\keep", L"c:\\X", L"C:\\keep", L"C:\\other"}),
              H()->DiffList(first, second, 0, false));
    EXPECT_EQ((Wides{L"C:\\other"}), H()->DiffList(first, second, 2, false));
}

TEST(DiffList, NumericKeysMatchHashTextsWithPaths) {
    // The store writes hashes as signed decimals; those texts key like the
    // paths they came from, whatever the sign.
    Wides paths = {L"C:\\Windows\\notepad.exe", L"D:\\Work\\plan.xlsx", L"E:\\x"};
    Wides hashes;
    for (const auto& path : paths) hashes.push_back(HashText(path));
    EXPECT_TRUE(H()->DiffList(hashes, paths, 0, true).empty());
    EXPECT_FALSE(H()->DiffList(hashes, paths, 0, false).empty());

    // Only one path left on the other side: the other two hashes differ.
    EXPECT_EQ((Wides{hashes[0], hashes[2]}), H()->DiffList(hashes, {paths[1]}, 1, true));
}

TEST(DiffList, NumericKeyIsTheLeadingDecimalNumber) {
    // Leading digits decide; what follows them does not.
    EXPECT_TRUE(H()->DiffList({L"2024\\x"}, {L"2024"}, 0, true).empty());
    EXPECT_TRUE(H()->DiffList({L"2024\\x"}, {L"2024\\y"}, 0, true).empty());
    EXPECT_EQ(2u, H()->DiffList({L"2024\\x"}, {L"2024\\y"}, 0, false).size());
    // Blanks before the number and an explicit sign are read as numbers are.
    EXPECT_TRUE(H()->DiffList({L"  42"}, {L"+42"}, 0, true).empty());
    // -123 is the pattern 4294967173, but that text is outside the signed
    // range and so keyed by its hash.
    EXPECT_EQ(2u, H()->DiffList({L"-123"}, {L"4294967173"}, 0, true).size());
    // No digits: the path hash, with its case folding.
    EXPECT_TRUE(H()->DiffList({L"abc\\1"}, {L"ABC\\1"}, 0, true).empty());
}

TEST(DiffList, NumbersOutsideTheSignedRangeFallBackToTheHash) {
    // 99999999999 wraps to 1410065407 in 32 bits; it must not be taken so.
    EXPECT_EQ(2u, H()->DiffList({L"99999999999"}, {L"1410065407"}, 0, true).size());
    // Keyed by hash, the big number still matches its own text.
    EXPECT_TRUE(H()->DiffList({L"99999999999"}, {L"99999999999"}, 0, true).empty());
    // The extremes of the range are numbers.
    EXPECT_TRUE(H()->DiffList({L"-2147483648"}, {L"-2147483648\\tail"}, 0, true).empty());
    EXPECT_TRUE(H()->DiffList({L"2147483647"}, {L"2147483647x"}, 0, true).empty());
}

TEST(DiffListUtf8, DropsEmptyEntriesAndKeepsUtf8Intact) {
    const std::string cafe = "C:\\Caf\xC3\xA9";  // UTF-8 é
    Narrows first = {"", "c:\\shared", cafe};
    Narrows second = {"C:\\SHARED", "", "C:\\new"};
    EXPECT_EQ((Narrows{cafe, "C:\\new"}), H()->DiffListUtf8(first, second, 0));
    EXPECT_EQ((Narrows{cafe}), H()->DiffListUtf8(first, second, 1));
    EXPECT_EQ((Narrows{"C:\\new"}), H()->DiffListUtf8(first, second, 2));
    EXPECT_TRUE(H()->DiffListUtf8(first, second, 7).empty());
    // An empty entry on one side only still does not appear.
    EXPECT_EQ((Narrows{"a"}), H()->DiffListUtf8({"", "a"}, {}, 0));
}
