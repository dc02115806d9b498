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
