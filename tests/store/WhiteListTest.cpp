#include <gtest/gtest.h>

#include "RuleTestSupport.h"

namespace {

const bool kConst = true;
const bool kPlain = false;

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
    ASSERT_TRUE(store->AddWhiteList({PathItem(L"C:\\Plain", L"C:", true)}, kPlain));
    ASSERT_TRUE(store->AddWhiteList({PathItem(L"C:\\Fixed", L"C:", false)}, kConst));
    ASSERT_TRUE(store->AddWhiteList({PathItem(L"C:\\Both", L"C:", false)}, kPlain));
    ASSERT_TRUE(store->AddWhiteList({PathItem(L"C:\\Both", L"C:", false)}, kConst));
    EXPECT_EQ((List{L"C:\\Plain", L"C:\\Both"}), Paths(store, kPlain));
    EXPECT_EQ((List{L"C:\\Fixed", L"C:\\Both"}), Paths(store, kConst));

    ASSERT_TRUE(store->DeleteWhiteList({L"C:\\Both", L"C:\\Plain"}, kConst));
    EXPECT_EQ((List{L"C:\\Plain", L"C:\\Both"}), Paths(store, kPlain));
    EXPECT_EQ((List{L"C:\\Fixed"}), Paths(store, kConst));
    ASSERT_TRUE(store->ClearWhiteList(kPlain));
    EXPECT_TRUE(Paths(store, kPlain).empty());
    EXPECT_EQ((List{L"C:\\Fixed"}), Paths(store, kConst));
}

TEST(WhiteLists, ListingStopsAtTheFirstRowWithoutAPathText) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    // An empty path ends the list even with a mount point, unlike the reject list.
    db.Exec("INSERT INTO whitelist VALUES (1, 'first', NULL, 1), (2, '', 'D:', 1), "
            "(3, 'hidden', 'F:', 1)");
    db.Exec("INSERT INTO const_whitelist VALUES (1, 'one', 'C:', 0), (2, NULL, 'D:', 1), "
            "(3, 'hidden', 'F:', 1)");
    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(store->GetWhiteList(items, kPlain));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(L"", items[0].mountpoint);
    EXPECT_FALSE(items[0].bFile);
    EXPECT_EQ((List{L"one"}), Paths(store, kConst));
}
