// The reject list and both white lists behave alike; these tests run on each.
#include <gtest/gtest.h>

#include "RuleTestSupport.h"

namespace {

// One path list reached through the store's interface.
struct PathList {
    std::string table;
    IFileProtectCfgMgr* store;

    bool isReject() const { return table == "rejectlist"; }
    bool constList() const { return table == "const_whitelist"; }
    bool Add(const std::vector<ProtectFileItem>& items) const {
        return isReject() ? store->AddRejectList(items) : store->AddWhiteList(items, constList());
    }
    bool Get(std::vector<ProtectFileItem>& items) const {
        return isReject() ? store->GetRejectList(items) : store->GetWhiteList(items, constList());
    }
    bool Delete(const std::vector<std::wstring>& paths) const {
        return isReject() ? store->DeleteRejectList(paths)
                          : store->DeleteWhiteList(paths, constList());
    }
    bool Clear() const {
        return isReject() ? store->ClearRejectList() : store->ClearWhiteList(constList());
    }
    std::vector<std::wstring> Paths() const {
        std::vector<ProtectFileItem> items;
        EXPECT_TRUE(Get(items));
        std::vector<std::wstring> paths;
        for (const ProtectFileItem& item : items) paths.push_back(item.filepath);
        return paths;
    }
};

class PathLists : public ::testing::TestWithParam<const char*> {
protected:
    PathList list{GetParam(), FreshStore()};
};

using List = std::vector<std::wstring>;

}  // namespace

TEST_P(PathLists, RowsReadBackAppendedAndKeyedByTheSignedHash) {
    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(list.Get(items));
    EXPECT_TRUE(items.empty());

    ProtectFileItem file = PathItem(L"C:\\Data\\\u00c4.txt", L"C:", true);
    file.bextention = true;  // the table has no such column: ignored
    const std::wstring high = PathWithHighHash();
    ASSERT_TRUE(list.Add({file, PathItem(high, L"\\\\?\\Volume{1}", false)}));

    items.push_back(PathItem(L"kept", L"", false));
    ASSERT_TRUE(list.Get(items));
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(L"kept", items[0].filepath);
    EXPECT_EQ(file.filepath, items[1].filepath);
    EXPECT_EQ(L"C:", items[1].mountpoint);
    EXPECT_TRUE(items[1].bFile);
    EXPECT_FALSE(items[1].bextention);
    EXPECT_EQ(L"\\\\?\\Volume{1}", items[2].mountpoint);
    EXPECT_FALSE(items[2].bFile);
    EXPECT_EQ(KeyText(high), Db().Scalar("SELECT pathhash FROM " + list.table +
                                         " WHERE pathhash < 0"));
}

TEST_P(PathLists, AnotherLetterCaseReplacesOnlyThePathText) {
    ASSERT_TRUE(list.Add({PathItem(L"C:\\Data\\A.txt", L"C:", true)}));
    ASSERT_TRUE(list.Add({PathItem(L"c:\\data\\a.txt", L"E:", false)}));
    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(list.Get(items));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(L"c:\\data\\a.txt", items[0].filepath);
    EXPECT_EQ(L"C:", items[0].mountpoint);
    EXPECT_TRUE(items[0].bFile);
    ASSERT_TRUE(list.Delete({L"C:\\DATA\\A.TXT"}));
    EXPECT_TRUE(list.Paths().empty());
}

TEST_P(PathLists, AddingIsAllOrNothing) {
    EXPECT_TRUE(list.Add({}));
    ASSERT_TRUE(list.Add({PathItem(L"C:\\Old", L"C:", false)}));
    LogCapture log;
    EXPECT_FALSE(list.Add({PathItem(L"C:\\New1", L"C:", false), PathItem(OverLongPath(), L"C:", false)}));
    EXPECT_FALSE(list.Add({PathItem(L"C:\\New2", OverLongPath(), false)}));
    EXPECT_TRUE(Logged(log, "errid = 18"));
    // A NUL inside a text would hide the rest of the statement from SQLite.
    EXPECT_FALSE(list.Add({PathItem(std::wstring(L"C:\\Nul\0Tail", 11), L"C:", false)}));
    EXPECT_EQ(List{L"C:\\Old"}, list.Paths());
}

TEST_P(PathLists, DeletingKeepsWhatWasDoneBeforeAFailure) {
    ASSERT_TRUE(list.Add(
        {PathItem(L"C:\\A", L"C:", true), PathItem(L"C:\\B", L"C:", true), PathItem(L"C:\\C", L"C:", true)}));
    EXPECT_TRUE(list.Delete({L"C:\\NotListed"}));
    {
        RefusedDelete refused(list.table, L"C:\\B");
        LogCapture log;
        EXPECT_FALSE(list.Delete({L"C:\\A", L"C:\\B", L"C:\\C"}));
        EXPECT_TRUE(Logged(log, "errid = 18"));
    }
    EXPECT_EQ((List{L"C:\\B", L"C:\\C"}), list.Paths());
    ASSERT_TRUE(list.Clear());
    EXPECT_TRUE(list.Paths().empty());
}

TEST_P(PathLists, QuotesAreStoredAsWrittenAndRunNothingElse) {
    const int32_t id = 5;
    ASSERT_TRUE(list.store->SetConfig(id, L"untouched"));
    const std::wstring path = L"C:\\It's\\'); DELETE FROM config; --";
    ASSERT_TRUE(list.Add({PathItem(path, L"O'Neil", true)}));
    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(list.Get(items));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(path, items[0].filepath);
    EXPECT_EQ(L"O'Neil", items[0].mountpoint);
    EXPECT_EQ("1", Db().Scalar("SELECT count(*) FROM config"));
    ASSERT_TRUE(list.Delete({path}));
    EXPECT_TRUE(list.Paths().empty());
}

TEST_P(PathLists, AnUnpairedSurrogateIsStoredAsTheHelpersUtf8AndLosesNoCharacter) {
    std::wstring path = L"C:\\";
    path.push_back(static_cast<wchar_t>(0xD800));
    path += L"abc";
    ASSERT_TRUE(list.Add({PathItem(path, L"C:", true)}));
    EXPECT_EQ(getHlpObj()->WideToUtf8(path), Db().Scalar("SELECT filepath FROM " + list.table));
}

INSTANTIATE_TEST_SUITE_P(EachList, PathLists,
                         ::testing::Values("rejectlist", "whitelist", "const_whitelist"));

TEST(RejectList, ARowWithAMountPointButNoPathTextIsListed) {
    IFileProtectCfgMgr* store = FreshStore();
    Db().Exec("INSERT INTO rejectlist VALUES (1, 'first', NULL, 1), (2, '', 'D:', 1)");
    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(store->GetRejectList(items));
    ASSERT_EQ(2u, items.size());
    // No mount point: listed with an empty one and bFile false, whatever is stored.
    EXPECT_EQ(L"", items[0].mountpoint);
    EXPECT_FALSE(items[0].bFile);
    EXPECT_EQ(L"", items[1].filepath);
    EXPECT_EQ(L"D:", items[1].mountpoint);
}
