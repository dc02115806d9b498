#include <gtest/gtest.h>

#include "RuleTestSupport.h"

namespace {

const bool kConst = true;
const bool kPlain = false;

ProtectFileItem Item(const std::wstring& path, const std::wstring& mount, bool file) {
    ProtectFileItem item;
    item.filepath = path;
    item.mountpoint = mount;
    item.bFile = file;
    return item;
}

std::vector<std::wstring> Paths(IFileProtectCfgMgr* store, bool constList) {
    std::vector<ProtectFileItem> items;
    EXPECT_TRUE(store->GetWhiteList(items, constList));
    std::vector<std::wstring> paths;
    for (const ProtectFileItem& item : items) paths.push_back(item.filepath);
    return paths;
}

using List = std::vector<std::wstring>;

}  // namespace

TEST(WhiteLists, TheTwoListsAreIndependent) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddWhiteList({Item(L"C:\\Plain", L"C:", true)}, kPlain));
    ASSERT_TRUE(store->AddWhiteList({Item(L"C:\\Fixed", L"C:", false)}, kConst));
    ASSERT_TRUE(store->AddWhiteList({Item(L"C:\\Both", L"C:", false)}, kPlain));
    ASSERT_TRUE(store->AddWhiteList({Item(L"C:\\Both", L"C:", false)}, kConst));
    EXPECT_EQ((List{L"C:\\Plain", L"C:\\Both"}), Paths(store, kPlain));
    EXPECT_EQ((List{L"C:\\Fixed", L"C:\\Both"}), Paths(store, kConst));

    ASSERT_TRUE(store->DeleteWhiteList({L"C:\\Both", L"C:\\Plain"}, kConst));
    EXPECT_EQ((List{L"C:\\Plain", L"C:\\Both"}), Paths(store, kPlain));
    EXPECT_EQ((List{L"C:\\Fixed"}), Paths(store, kConst));

    ASSERT_TRUE(store->ClearWhiteList(kPlain));
    EXPECT_TRUE(Paths(store, kPlain).empty());
    EXPECT_EQ((List{L"C:\\Fixed"}), Paths(store, kConst));
    ASSERT_TRUE(store->ClearWhiteList(kConst));
    EXPECT_TRUE(Paths(store, kConst).empty());
}

TEST(WhiteLists, ItemsReadBackWithTheirFieldsAppended) {
    IFileProtectCfgMgr* store = FreshStore();
    ProtectFileItem file = Item(L"C:\\Tools\\\u00e9dit.exe", L"C:", true);
    file.bextention = true;
    ASSERT_TRUE(store->AddWhiteList({file, Item(L"D:\\Share", L"D:", false)}, kPlain));
    std::vector<ProtectFileItem> items{Item(L"kept", L"", false)};
    ASSERT_TRUE(store->GetWhiteList(items, kPlain));
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(L"kept", items[0].filepath);
    EXPECT_EQ(file.filepath, items[1].filepath);
    EXPECT_EQ(L"C:", items[1].mountpoint);
    EXPECT_TRUE(items[1].bFile);
    EXPECT_FALSE(items[1].bextention);
    EXPECT_EQ(L"D:", items[2].mountpoint);
    EXPECT_FALSE(items[2].bFile);
    EXPECT_EQ(KeyText(file.filepath),
              Db().Scalar("SELECT pathhash FROM whitelist WHERE mountpoint = 'C:'"));
}

TEST(WhiteLists, AnotherLetterCaseReplacesOnlyThePathText) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddWhiteList({Item(L"C:\\Tools", L"C:", true)}, kPlain));
    ASSERT_TRUE(store->AddWhiteList({Item(L"c:\\TOOLS", L"X:", false)}, kPlain));
    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(store->GetWhiteList(items, kPlain));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(L"c:\\TOOLS", items[0].filepath);
    EXPECT_EQ(L"C:", items[0].mountpoint);
    EXPECT_TRUE(items[0].bFile);
}

TEST(WhiteLists, AddingIsAllOrNothingDeletingKeepsWhatWasDone) {
    IFileProtectCfgMgr* store = FreshStore();
    EXPECT_TRUE(store->AddWhiteList({}, kConst));
    ASSERT_TRUE(store->AddWhiteList(
        {Item(L"C:\\A", L"C:", true), Item(L"C:\\B", L"C:", true), Item(L"C:\\C", L"C:", true)},
        kConst));
    EXPECT_FALSE(store->AddWhiteList(
        {Item(L"C:\\D", L"C:", true), Item(L"C:\\E", OverLongPath(), true)}, kConst));
    EXPECT_EQ((List{L"C:\\A", L"C:\\B", L"C:\\C"}), Paths(store, kConst));

    EXPECT_TRUE(store->DeleteWhiteList({L"C:\\NotListed"}, kConst));
    {
        RefusedDelete refused("const_whitelist", L"C:\\B");
        EXPECT_TRUE(store->DeleteWhiteList({L"C:\\A", L"C:\\B", L"C:\\C"}, kConst));
    }
    EXPECT_EQ((List{L"C:\\B", L"C:\\C"}), Paths(store, kConst));
}

TEST(WhiteLists, QuotesAreStoredAsWrittenAndRunNothingElse) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddRejectList({Item(L"C:\\Rejected", L"C:", true)}));
    const std::wstring path = L"C:\\a'b'); DELETE FROM rejectlist; --";
    ASSERT_TRUE(store->AddWhiteList({Item(path, L"C'", true)}, kPlain));
    EXPECT_EQ((List{path}), Paths(store, kPlain));
    EXPECT_EQ("1", Db().Scalar("SELECT count(*) FROM rejectlist"));
    ASSERT_TRUE(store->DeleteWhiteList({path}, kPlain));
    EXPECT_TRUE(Paths(store, kPlain).empty());
}

TEST(WhiteLists, ListingStopsAtTheFirstRowWithoutAPathText) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    db.Exec("INSERT INTO whitelist VALUES (1, 'first', NULL, 1)");
    db.Exec("INSERT INTO whitelist VALUES (2, '', 'D:', 1)");  // ends it, mount point or not
    db.Exec("INSERT INTO whitelist VALUES (3, 'hidden', 'F:', 1)");
    db.Exec("INSERT INTO const_whitelist VALUES (1, 'one', 'C:', 0)");
    db.Exec("INSERT INTO const_whitelist VALUES (2, NULL, 'D:', 1)");
    db.Exec("INSERT INTO const_whitelist VALUES (3, 'hidden', 'F:', 1)");
    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(store->GetWhiteList(items, kPlain));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(L"", items[0].mountpoint);
    EXPECT_FALSE(items[0].bFile);
    EXPECT_EQ((List{L"one"}), Paths(store, kConst));
}

TEST(WhiteLists, AClosedStoreReportsFailure) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddWhiteList({Item(L"C:\\A", L"C:", true)}, kPlain));
    store->CloseDb();
    std::vector<ProtectFileItem> items;
    EXPECT_FALSE(store->GetWhiteList(items, kPlain));
    EXPECT_TRUE(items.empty());
    EXPECT_FALSE(store->AddWhiteList({Item(L"C:\\B", L"C:", true)}, kPlain));
    EXPECT_FALSE(store->DeleteWhiteList({L"C:\\A"}, kPlain));
    EXPECT_FALSE(store->ClearWhiteList(kPlain));
    ASSERT_TRUE(store->InitDb());
    EXPECT_EQ((List{L"C:\\A"}), Paths(store, kPlain));
}
