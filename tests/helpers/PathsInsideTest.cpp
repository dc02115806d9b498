// Whether one path lies inside another, and the trailing backslash.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

TEST(IsSubPath, CaseSlashesDotsAndOneTrailingBackslashDoNotMatter) {
    IHlpFunc* helper = getHlpObj();
    EXPECT_TRUE(helper->IsSubPath(L"C:\\Data", L"c:/data/x"));
    EXPECT_TRUE(helper->IsSubPath(L"C:\\Data\\", L"C:\\Data\\x"));
    EXPECT_TRUE(helper->IsSubPath(L"C:\\Data", L"C:\\Data"));
    EXPECT_TRUE(helper->IsSubPath(L"C:\\Data\\", L"c:\\data"));
    EXPECT_TRUE(helper->IsSubPath(L"C:\\Data", L"C:\\Other\\..\\Data\\deep\\x"));
    EXPECT_TRUE(helper->IsSubPath(L"C:\\Donn\u00e9es", L"c:\\DONN\u00e9ES\\x"));
    // Relative paths are resolved against the current folder.
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_TRUE(helper->IsSubPath(current, L"child\\file.txt"));
}

TEST(IsSubPath, SiblingsParentsRootsAndBadArgumentsAreNotInside) {
    IHlpFunc* helper = getHlpObj();
    EXPECT_FALSE(helper->IsSubPath(L"C:\\a", L"C:\\ab"));
    EXPECT_FALSE(helper->IsSubPath(L"C:\\Data", L"C:\\Database"));
    EXPECT_FALSE(helper->IsSubPath(L"C:\\Data\\x", L"C:\\Data"));
    EXPECT_FALSE(helper->IsSubPath(L"C:\\Data", L"C:\\Data\\..\\Other\\x"));
    // Only ASCII letters fold.
    EXPECT_FALSE(helper->IsSubPath(L"C:\\Donn\u00e9es", L"C:\\DONN\u00c9ES\\x"));
    // A drive root keeps its backslash, so it contains only itself.
    EXPECT_FALSE(helper->IsSubPath(L"C:\\", L"C:\\Data"));
    EXPECT_TRUE(helper->IsSubPath(L"C:\\", L"c:/"));
    EXPECT_FALSE(helper->IsSubPath(L"", L"C:\\Data"));
    EXPECT_FALSE(helper->IsSubPath(L"C:\\Data", L""));
    // A C reader would see only "C:\Data" of this child.
    EXPECT_FALSE(helper->IsSubPath(L"C:\\Data", std::wstring(L"C:\\Data\0\\..\\x", 14)));
}

TEST(AddTrailingBackslash, AppendsExactlyOneWhereMissing) {
    IHlpFunc* helper = getHlpObj();
    EXPECT_EQ(L"C:\\Data\\", helper->AddTrailingBackslash(L"C:\\Data"));
    EXPECT_EQ(L"C:\\", helper->AddTrailingBackslash(L"C:\\"));
    EXPECT_EQ(L"", helper->AddTrailingBackslash(L""));
}
