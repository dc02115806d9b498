// The path hash keys every rule table and is kept by other processes, so its
// values are pinned here as well as its rules: ASCII letters upper-cased,
// the UTF-8 bytes, the CRC-32 of those bytes.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "ZQCrc32.h"

namespace {

IHlpFunc* H() { return getHlpObj(); }

// What the hash is defined to be, computed without the library.
uint32_t ExpectedHash(const std::wstring& path) {
    std::wstring upper = path;
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 0x20);
    std::string bytes = Narrow(upper);
    return ZQCrc32(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

const wchar_t kEAcute[] = L"\u00e9";        // é
const wchar_t kEAcuteUpper[] = L"\u00c9";   // É

}  // namespace

TEST(PathHash, KnownValuesStayFixed) {
    // Stored databases depend on these exact numbers.
    EXPECT_EQ(0u, H()->GetPathHash(L""));
    EXPECT_EQ(0xCBF43926u, H()->GetPathHash(L"123456789"));
    EXPECT_EQ(0xD3D99E8Bu, H()->GetPathHash(L"a"));
    EXPECT_EQ(0xC5C2BCABu, H()->GetPathHash(L"c:\\data\\a.txt"));
    EXPECT_EQ(0x838E7E38u,
              H()->GetPathHash(std::wstring(L"c:\\Donn") + kEAcute + L"es\\" + kEAcute + L".txt"));
    EXPECT_EQ(0x25517A16u, H()->GetPathHash(L"d:\\\u7167\u7247\\\U0001F600.jpg"));
}

TEST(PathHash, OnlyAsciiLettersFoldCase) {
    EXPECT_EQ(H()->GetPathHash(L"c:\\data\\a.txt"), H()->GetPathHash(L"C:\\DATA\\A.TXT"));
    EXPECT_EQ(H()->GetPathHash(L"C:\\Program Files\\x"), H()->GetPathHash(L"c:\\PROGRAM fILES\\X"));
    // Non-ASCII letters keep their case: é and É are different bytes.
    EXPECT_NE(H()->GetPathHash(std::wstring(L"C:\\") + kEAcute),
              H()->GetPathHash(std::wstring(L"C:\\") + kEAcuteUpper));
    // No other normalisation: slashes and trailing backslashes count.
    EXPECT_NE(H()->GetPathHash(L"c:\\data\\"), H()->GetPathHash(L"c:\\data"));
    EXPECT_NE(H()->GetPathHash(L"C:/DATA"), H()->GetPathHash(L"C:\\DATA"));
}

TEST(PathHash, EqualsChecksumOfUpperCasedUtf8Bytes) {
    const std::vector<std::wstring> paths = {
        L"C:\\Users\\Public\\Documents\\Report 2024.docx",
        L"\\Device\\HarddiskVolume3\\Windows\\System32\\drivers\\etc\\hosts",
        std::wstring(L"e:\\Caf") + kEAcute + L"\\Men" + kEAcuteUpper + L".PDF",
        L"\\\\server\\share\\\u0416\u0443\u0440\u043d\u0430\u043b.txt",  // Cyrillic
        L"x:\\\U0001F600\\\u4e2d\u6587",
        L"*.docx",
        std::wstring(600, L'q'),
    };
    for (const std::wstring& path : paths) {
        uint32_t hash = H()->GetPathHash(path);
        EXPECT_EQ(ExpectedHash(path), hash) << Narrow(path);
        EXPECT_EQ(hash, H()->GetPathHash(path)) << "stable across calls: " << Narrow(path);
    }
}

TEST(PathHash, TextEndsAtFirstNul) {
    // The bytes are taken up to the first NUL, as every C reader of the
    // path would see it.
    EXPECT_EQ(H()->GetPathHash(L"C:\\A"), H()->GetPathHash(std::wstring(L"c:\\a\0tail", 9)));
    EXPECT_EQ(0u, H()->GetPathHash(std::wstring(L"\0x", 2)));
}

TEST(PathHash, ConcurrentCallersGetTheSameValues) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < 200; ++i) paths.push_back(L"C:\\Data\\file" + std::to_wstring(i) + L".bin");
    std::vector<uint32_t> expected;
    for (const auto& path : paths) expected.push_back(ExpectedHash(path));

    std::vector<int> mismatches(8, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                for (size_t i = 0; i < paths.size(); ++i)
                    if (H()->GetPathHash(paths[i]) != expected[i]) ++mismatches[t];
        });
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(0, mismatches[t]) << "thread " << t;
}
