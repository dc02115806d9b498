// The path hash keys every rule table and other processes keep it, so its
// values are pinned as well as its rules: ASCII letters upper-cased, the
// UTF-8 bytes, the standard CRC-32 of those bytes.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

namespace {

uint32_t Hash(const std::wstring& path) { return getHlpObj()->GetPathHash(path); }

// The definition, computed without the library: reflected CRC-32, one bit at a time.
uint32_t ExpectedHash(std::wstring path) {
    for (wchar_t& c : path)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 0x20);
    uint32_t crc = 0xFFFFFFFFu;
    for (const char byte : Utf8(path)) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace

TEST(PathHash, KnownValuesStayFixed) {
    EXPECT_EQ(0u, Hash(L""));
    EXPECT_EQ(0xCBF43926u, Hash(L"123456789"));
    EXPECT_EQ(0xC5C2BCABu, Hash(L"c:\\data\\a.txt"));                      // C:\DATA\A.TXT
    EXPECT_EQ(0x838E7E38u, Hash(L"c:\\Donn\u00e9es\\\u00e9.txt"));         // é stays é
    EXPECT_EQ(0x25517A16u, Hash(L"d:\\\u7167\u7247\\\U0001F600.jpg"));     // 3- and 4-byte UTF-8
}

TEST(PathHash, IsTheChecksumOfUpperCasedUtf8AndFoldsOnlyAsciiCase) {
    for (const std::wstring& path :
         {std::wstring(L"C:\\Users\\Public\\Report 2024.docx"), std::wstring(L"e:\\Caf\u00e9\\Men\u00dc"),
          std::wstring(L"\\\\srv\\\u0416\u0443\u0440\u043d\u0430\u043b.txt"), std::wstring(600, L'q'),
          // Longer than any short-path buffer, and ill-formed (a lone surrogate).
          std::wstring(2000, L'\u00e9') + L"tail", std::wstring(L"c:\\a\xD800" L"b"),
          std::wstring(L"c:\\z\xDC00")})
        EXPECT_EQ(ExpectedHash(path), Hash(path)) << Utf8(path);
    EXPECT_EQ(Hash(L"c:\\PROGRAM fILES\\x"), Hash(L"C:\\Program Files\\X"));
    EXPECT_NE(Hash(L"C:\\\u00e9"), Hash(L"C:\\\u00c9"));  // é and É
    EXPECT_NE(Hash(L"c:\\data\\"), Hash(L"c:\\data"));
    EXPECT_NE(Hash(L"C:/DATA"), Hash(L"C:\\DATA"));
    // The bytes end at the first NUL, as every C reader of the path sees it.
    EXPECT_EQ(Hash(L"C:\\A"), Hash(std::wstring(L"c:\\a\0tail", 9)));
}
