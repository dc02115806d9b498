#include <gtest/gtest.h>

#include "RuleTestSupport.h"

namespace {

ProtectFileItem Item(const std::wstring& path, const std::wstring& mount, bool file) {
    ProtectFileItem item;
    item.filepath = path;
    item.mountpoint = mount;
    item.bFile = file;
    return item;
}

std::vector<ProtectFileItem> Rejects(IFileProtectCfgMgr* store) {
    std::vector<ProtectFileItem> items;
    EXPECT_TRUE(store->GetRejectList(items));
    return items;
}

}  // namespace

TEST(RejectList, RowsReadBackAppendedToTheCallersList) {
    IFileProtectCfgMgr* store = FreshStore();
    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(store->GetRejectList(items));
    EXPECT_TRUE(items.empty());

    ProtectFileItem file = Item(L"C:\\Data\\A.txt", L"C:", true);
    file.bextention = true;  // no such column: ignored when written
    ProtectFileItem folder = Item(L"D:\\\u00dcbung\\\u6587\u4ef6", L"\\\\?\\Volume{1}", false);
    ASSERT_TRUE(store->AddRejectList({file, folder}));

    items.push_back(Item(L"kept", L"", false));
    ASSERT_TRUE(store->GetRejectList(items));
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(L"kept", items[0].filepath);
    EXPECT_EQ(L"C:\\Data\\A.txt", items[1].filepath);
    EXPECT_EQ(L"C:", items[1].mountpoint);
    EXPECT_TRUE(items[1].bFile);
    EXPECT_FALSE(items[1].bextention);
    EXPECT_EQ(folder.filepath, items[2].filepath);
    EXPECT_EQ(folder.mountpoint, items[2].mountpoint);
    EXPECT_FALSE(items[2].bFile);
}

TEST(RejectList, RowsAreKeyedByTheSignedPathHash) {
    IFileProtectCfgMgr* store = FreshStore();
    const std::wstring high = PathWithHighHash();
    ASSERT_TRUE(store->AddRejectList({Item(high, L"C:", true)}));
    Db db;
    EXPECT_EQ(KeyText(high), db.Scalar("SELECT pathhash FROM rejectlist"));
    EXPECT_EQ('-', db.Scalar("SELECT pathhash FROM rejectlist")[0]);
    ASSERT_TRUE(store->DeleteRejectList({high}));
    EXPECT_TRUE(Rejects(store).empty());
}

TEST(RejectList, AnotherLetterCaseReplacesOnlyThePathText) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddRejectList({Item(L"C:\\Data\\A.txt", L"C:", true)}));
    ASSERT_TRUE(store->AddRejectList({Item(L"c:\\data\\a.txt", L"E:", false)}));
    std::vector<ProtectFileItem> items = Rejects(store);
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(L"c:\\data\\a.txt", items[0].filepath);
    EXPECT_EQ(L"C:", items[0].mountpoint);
    EXPECT_TRUE(items[0].bFile);
    // Deleting in yet another case finds the same row.
    ASSERT_TRUE(store->DeleteRejectList({L"C:\\DATA\\A.TXT"}));
    EXPECT_TRUE(Rejects(store).empty());
}

TEST(RejectList, AddingIsAllOrNothing) {
    IFileProtectCfgMgr* store = FreshStore();
    EXPECT_TRUE(store->AddRejectList({}));
    ASSERT_TRUE(store->AddRejectList({Item(L"C:\\Old", L"C:", false)}));

    LogCapture log;
    EXPECT_FALSE(store->AddRejectList({Item(L"C:\\New1", L"C:", false),
                                       Item(OverLongPath(), L"C:", false),
                                       Item(L"C:\\New2", L"C:", false)}));
    EXPECT_TRUE(Logged(log, "errid = 18"));
    std::vector<ProtectFileItem> items = Rejects(store);
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(L"C:\\Old", items[0].filepath);

    // A NUL inside a text would hide the rest of the statement from SQLite.
    EXPECT_FALSE(store->AddRejectList({Item(std::wstring(L"C:\\Nul\0Tail", 11), L"C:", false)}));
    EXPECT_EQ(1u, Rejects(store).size());
}

TEST(RejectList, QuotesAreStoredAsWrittenAndRunNothingElse) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddWhiteList({Item(L"C:\\Other", L"C:", false)}, false));
    const std::wstring path = L"C:\\It's\\'); DELETE FROM whitelist; --";
    const std::wstring mount = L"O'Neil";
    ASSERT_TRUE(store->AddRejectList({Item(path, mount, true)}));
    std::vector<ProtectFileItem> items = Rejects(store);
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(path, items[0].filepath);
    EXPECT_EQ(mount, items[0].mountpoint);
    EXPECT_EQ("1", Db().Scalar("SELECT count(*) FROM whitelist"));
    ASSERT_TRUE(store->DeleteRejectList({path}));
    EXPECT_TRUE(Rejects(store).empty());
}

TEST(RejectList, DeletingKeepsWhatWasDoneBeforeAFailure) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddRejectList(
        {Item(L"C:\\A", L"C:", true), Item(L"C:\\B", L"C:", true), Item(L"C:\\C", L"C:", true)}));
    EXPECT_TRUE(store->DeleteRejectList({L"C:\\NotListed"}));
    EXPECT_EQ(3u, Rejects(store).size());

    {
        RefusedDelete refused("rejectlist", L"C:\\B");
        LogCapture log;
        EXPECT_TRUE(store->DeleteRejectList({L"C:\\A", L"C:\\B", L"C:\\C"}));
        EXPECT_TRUE(Logged(log, "errid = 18"));
    }
    std::vector<ProtectFileItem> items = Rejects(store);
    ASSERT_EQ(2u, items.size());
    EXPECT_EQ(L"C:\\B", items[0].filepath);
    EXPECT_EQ(L"C:\\C", items[1].filepath);

    ASSERT_TRUE(store->ClearRejectList());
    EXPECT_TRUE(Rejects(store).empty());
}

TEST(RejectList, ListingStopsAtARowWithoutPathOrWithNothingAtAll) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    db.Exec("INSERT INTO rejectlist VALUES (1, 'first', NULL, 1)");
    db.Exec("INSERT INTO rejectlist VALUES (2, '', 'D:', 1)");
    db.Exec("INSERT INTO rejectlist VALUES (3, NULL, 'E:', 1)");
    db.Exec("INSERT INTO rejectlist VALUES (4, 'hidden', 'F:', 1)");
    std::vector<ProtectFileItem> items = Rejects(store);
    ASSERT_EQ(2u, items.size());
    // No mount point: listed with an empty one and bFile false, whatever is stored.
    EXPECT_EQ(L"first", items[0].filepath);
    EXPECT_EQ(L"", items[0].mountpoint);
    EXPECT_FALSE(items[0].bFile);
    // An empty path with a mount point is still a row.
    EXPECT_EQ(L"", items[1].filepath);
    EXPECT_EQ(L"D:", items[1].mountpoint);
    EXPECT_TRUE(items[1].bFile);

    db.Exec("DELETE FROM rejectlist");
    db.Exec("INSERT INTO rejectlist VALUES (1, '', '', 1)");
    db.Exec("INSERT INTO rejectlist VALUES (2, 'hidden', 'F:', 1)");
    EXPECT_TRUE(Rejects(store).empty());
}

TEST(RejectList, AClosedStoreReportsFailureAndLeavesTheListAlone) {
    IFileProtectCfgMgr* store = FreshStore();
    store->CloseDb();
    std::vector<ProtectFileItem> items{Item(L"kept", L"", false)};
    EXPECT_FALSE(store->GetRejectList(items));
    EXPECT_EQ(1u, items.size());
    EXPECT_FALSE(store->AddRejectList({Item(L"C:\\A", L"C:", true)}));
    EXPECT_FALSE(store->DeleteRejectList({L"C:\\A"}));
    EXPECT_FALSE(store->ClearRejectList());
    ASSERT_TRUE(store->InitDb());
    EXPECT_TRUE(Rejects(store).empty());
}
