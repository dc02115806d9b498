// Whether one path lies inside another.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/TestSupport.h"

TEST(IsSubPath, AnswersEveryCaseOfTheTable) {
    const std::wstring kLong(300, L'n');  // longer than the classic 260-character limit
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    const struct {
        std::wstring parent, child;
        bool expected;
    } cases[] = {
        // Case, slash direction, dot components and one trailing backslash.
        {L"C:\\Data", L"c:/data/x", true},
        {L"C:\\Data\\", L"C:\\Data\\x", true},
        {L"C:\\Data", L"C:\\Data", true},
        {L"C:\\Data\\", L"c:\\data", true},
        {L"C:\\Data", L"C:\\Other\\..\\Data\\deep\\x", true},
        {current, L"child\\file.txt", true},  // resolved against the current folder
        // Letter case beyond ASCII compares as the file system does.
        {L"C:\\Donn\u00e9es", L"c:\\DONN\u00e9ES\\x", true},
        {L"C:\\Donn\u00e9es", L"C:\\DONN\u00c9ES\\x", true},
        // Siblings, parents and paths that only look inside.
        {L"C:\\a", L"C:\\ab", false},
        {L"C:\\Data", L"C:\\Database", false},
        {L"C:\\Data\\x", L"C:\\Data", false},
        {L"C:\\Data", L"C:\\Data\\..\\Other\\x", false},
        // Paths of any length are resolved, not compared as raw text.
        {L"C:\\Data", L"C:\\Data\\..\\Other\\" + kLong, false},
        {L"C:\\Data", L"C:\\Other\\..\\Data\\" + kLong, true},
        {L"C:\\Data\\" + kLong, L"C:\\Data\\" + kLong + L"\\..\\" + kLong + L"x", false},
        // A root contains its whole drive or share.
        {L"C:\\", L"C:\\Data", true},
        {L"C:\\", L"c:/", true},
        {L"\\\\?\\C:\\", L"C:\\Data", true},
        {L"\\\\server\\share\\", L"\\\\server\\share\\x", true},
        {L"C:\\", L"D:\\Data", false},
        {L"\\\\server\\share", L"\\\\server\\shared\\x", false},
        // Other spellings of the same drive or share path.
        {L"C:\\Data", L"\\\\?\\C:\\Data\\x", true},
        {L"C:\\Data", L"\\\\.\\c:\\data\\x", true},
        {L"\\\\?\\C:\\Data", L"C:\\Data\\x", true},
        {L"C:\\Data", L"\\\\?\\C:\\Database", false},
        {L"\\\\server\\share", L"\\\\?\\UNC\\server\\share\\x", true},
        // No answer without both paths, or for text a C reader sees cut.
        {L"", L"C:\\Data", false},
        {L"C:\\Data", L"", false},
        {L"C:\\Data", std::wstring(L"C:\\Data\0\\..\\x", 14), false},
    };
    IHlpFunc* helper = getHlpObj();
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, helper->IsSubPath(c.parent, c.child))
            << Utf8(c.parent) << " / " << Utf8(c.child);
}
