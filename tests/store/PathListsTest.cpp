// The reject list and both white lists behave alike; these tests run on each
// (the first also on protected files and folders).
#include <gtest/gtest.h>

#include "tests/store/RuleTestSupport.h"

TEST(PathLists, RowsReadBackAppendedWithTheirMountPointAndKind) {
    std::vector<PathList> lists = AllPathLists();
    lists.push_back({"fileprotect"});
    for (const PathList& list : lists) {
        SCOPED_TRACE(list.table);
        FreshStore();
        ProtectFileItem file = PathItem(L"C:\\Data\\A.txt", L"C:", true);
        file.bextention = true;  // ignored: the call, not the item, says what is added
        ASSERT_TRUE(list.Add({}));
        ASSERT_TRUE(list.Add({file, PathItem(L"C:\\Folder", L"\\\\?\\Volume{1}", false)}));
        Items items{PathItem(L"kept", L"", false)};
        ASSERT_TRUE(list.Get(items));
        ASSERT_EQ(3u, items.size());
        EXPECT_EQ((Wides{L"kept", L"C:\\Data\\A.txt", L"C:\\Folder"}), PathsOf(items));
        EXPECT_EQ(L"C:", items[1].mountpoint);
        EXPECT_TRUE(items[1].bFile);
        EXPECT_FALSE(items[1].bextention);
        EXPECT_EQ(L"\\\\?\\Volume{1}", items[2].mountpoint);
        EXPECT_FALSE(items[2].bFile);
    }
}

TEST(PathLists, AnotherLetterCaseReplacesOnlyThePathText) {
    for (const PathList& list : AllPathLists()) {
        SCOPED_TRACE(list.table);
        FreshStore();
        ASSERT_TRUE(list.Add({PathItem(L"C:\\Data\\A.txt", L"C:", true)}));
        ASSERT_TRUE(list.Add({PathItem(L"c:\\data\\a.txt", L"E:", false)}));
        Items items;
        ASSERT_TRUE(list.Get(items));
        ASSERT_EQ(1u, items.size());
        EXPECT_EQ(L"c:\\data\\a.txt", items[0].filepath);
        EXPECT_EQ(L"C:", items[0].mountpoint);
        EXPECT_TRUE(items[0].bFile);
        ASSERT_TRUE(list.Delete({L"C:\\DATA\\A.TXT", L"C:\\NotListed"}));
        EXPECT_TRUE(list.Paths().empty());
    }
}

TEST(PathLists, EachListKeepsToItsOwnTable) {
    const std::vector<PathList> lists = AllPathLists();
    for (size_t i = 0; i < lists.size(); ++i) {
        SCOPED_TRACE(lists[i].table);
        FreshStore();
        for (const PathList& list : lists)
            ASSERT_TRUE(list.Add({PathItem(L"C:\\Shared", L"C:", true),
                                  PathItem(L"C:\\" + Wide(list.table), L"C:", true)}));
        const PathList& deleting = lists[i];
        const PathList& clearing = lists[(i + 1) % 3];
        const PathList& untouched = lists[(i + 2) % 3];
        ASSERT_TRUE(deleting.Delete({L"C:\\Shared"}) && clearing.Clear());
        EXPECT_EQ(Wides{L"C:\\" + Wide(deleting.table)}, deleting.Paths());
        EXPECT_TRUE(clearing.Paths().empty());
        EXPECT_EQ((Wides{L"C:\\Shared", L"C:\\" + Wide(untouched.table)}), untouched.Paths());
    }
}
