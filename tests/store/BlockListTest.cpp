#include <gtest/gtest.h>

#include <memory>

#include "RuleTestSupport.h"

namespace {

BlockCountItem Block(const std::wstring& path, int32_t count, int32_t hash = 0) {
    BlockCountItem item;
    item.pathhash = hash;
    item.filepath = path;
    item.blockcount = count;
    return item;
}

// -1 when the path has no row under exactly that text.
int32_t CountOf(IFileProtectCfgMgr* store, const std::wstring& path) {
    BlockCountItem item = Block(path, -1);
    return store->GetBlockCount(item) ? item.blockcount : -1;
}

std::vector<std::string> StoredKeys() {
    return Db().Column("SELECT pathhash FROM blocklist ORDER BY pathhash");
}

using List = std::vector<std::wstring>;

}  // namespace

TEST(BlockCounts, ReportsAddUpUnderTheTextOfTheFirst) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->IncreaseBlockCount(L"C:\\Data\\A.txt"));
    ASSERT_TRUE(store->IncreaseBlockCount(L"c:\\data\\a.txt"));  // same hash, same row
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Data\\A.txt", 5));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Data\\A.txt", -3));
    ASSERT_TRUE(store->AddBlockCountItem(Block(L"C:\\DATA\\A.TXT", 40, 12345)));
    EXPECT_EQ("C:\\Data\\A.txt|44", Db().Scalar("SELECT filepath || '|' || blockcount "
                                                "FROM blocklist"));

    // Found only under the exact stored text; a miss leaves the item alone.
    BlockCountItem item = Block(L"c:\\data\\a.txt", 77, 99);
    EXPECT_FALSE(store->GetBlockCount(item));
    EXPECT_EQ(77, item.blockcount);
    item.filepath = L"C:\\Data\\A.txt";
    ASSERT_TRUE(store->GetBlockCount(item));
    EXPECT_EQ(44, item.blockcount);
    EXPECT_EQ(99, item.pathhash);

    const std::wstring quoted = L"C:\\Bob's', 1); DELETE FROM blocklist; --";
    ASSERT_TRUE(store->IncreaseBlockCount(quoted));
    ASSERT_TRUE(store->AddBlockCount(quoted, 2));
    EXPECT_EQ(3, CountOf(store, quoted));
    EXPECT_EQ(2u, StoredKeys().size());
}

TEST(BlockCounts, TheListIsAppendedWithSignedKeysThatDeleteTheirRows) {
    IFileProtectCfgMgr* store = FreshStore();
    std::vector<BlockCountItem> items{Block(L"kept", 1)};
    ASSERT_TRUE(store->GetBlockList(items));
    EXPECT_EQ(1u, items.size());

    const std::wstring high = PathWithHighHash();
    ASSERT_TRUE(store->AddBlockCountList({Block(L"C:\\Low", 3), Block(high, 4)}));
    ASSERT_TRUE(store->GetBlockList(items));
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(L"C:\\Low", items[1].filepath);
    EXPECT_EQ(3, items[1].blockcount);
    EXPECT_EQ(StoredKey(L"C:\\Low"), items[1].pathhash);
    EXPECT_EQ(StoredKey(high), items[2].pathhash);
    EXPECT_LT(items[2].pathhash, 0);

    ASSERT_TRUE(store->DeleteBlockListByHash(
        {std::to_string(items[1].pathhash), std::to_string(items[2].pathhash)}));
    EXPECT_TRUE(StoredKeys().empty());
}

TEST(BlockCounts, AListAddsAllOrNothing) {
    IFileProtectCfgMgr* store = FreshStore();
    EXPECT_TRUE(store->AddBlockCountList({}));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\A", 1));
    LogCapture log;
    EXPECT_FALSE(store->AddBlockCountList(
        {Block(L"C:\\A", 5), Block(L"C:\\B", 5), Block(OverLongPath(), 5), Block(L"C:\\C", 5)}));
    EXPECT_TRUE(Logged(log, "errid = 18"));
    EXPECT_FALSE(store->AddBlockCountItem(Block(OverLongPath(), 1)));
    EXPECT_FALSE(store->IncreaseBlockCount(OverLongPath()));
    EXPECT_EQ(1, CountOf(store, L"C:\\A"));
    EXPECT_EQ(1u, StoredKeys().size());
}

TEST(BlockCounts, EachDeletionPatternMeetsAFailingDeleteItsOwnWay) {
    IFileProtectCfgMgr* store = FreshStore();
    const List paths{L"C:\\A", L"C:\\B", L"C:\\C", L"C:\\D"};
    auto addAll = [&] {
        store->ClearBlockList();
        for (const std::wstring& path : paths) ASSERT_TRUE(store->IncreaseBlockCount(path));
    };
    auto remaining = [&] {
        List left;
        for (const std::wstring& path : paths)
            if (CountOf(store, path) == 1) left.push_back(path);
        return left;
    };
    auto refuseC = [] { return std::make_unique<RefusedDelete>("blocklist", L"C:\\C"); };

    addAll();
    auto refused = refuseC();
    EXPECT_FALSE(store->DeleteBlockListItems(paths));
    EXPECT_EQ(paths, remaining());  // the deletions before the failure are undone too
    EXPECT_FALSE(store->DeleteBlockListItem(L"C:\\C", true));
    EXPECT_FALSE(store->DeleteBlockListItem(L"C:\\C", false));
    EXPECT_FALSE(store->DeleteBlockList(paths));
    EXPECT_EQ((List{L"C:\\C", L"C:\\D"}), remaining());
    refused.reset();  // clearing would meet the refusal too

    addAll();
    refused = refuseC();
    EXPECT_FALSE(store->DeleteBlockListByHash(
        {KeyText(L"C:\\A"), KeyText(L"C:\\C"), KeyText(L"C:\\D")}));
    EXPECT_EQ((List{L"C:\\B", L"C:\\C", L"C:\\D"}), remaining());
    refused.reset();

    addAll();
    EXPECT_TRUE(store->DeleteBlockListItems({L"c:\\a", L"C:\\NoRow"}));
    EXPECT_TRUE(store->DeleteBlockListItem(L"C:\\B", true));
    EXPECT_TRUE(store->DeleteBlockListItem(L"C:\\C", false));
    EXPECT_TRUE(store->DeleteBlockListItem(L"C:\\NoRow", true));
    EXPECT_TRUE(store->DeleteBlockListItems({}));
    EXPECT_EQ(List{L"C:\\D"}, remaining());
    ASSERT_TRUE(store->ClearBlockList());
    EXPECT_TRUE(StoredKeys().empty());
}

TEST(BlockCounts, HashTextsReadLikeDecimalsAndNothingOutOfRangeHitsARow) {
    IFileProtectCfgMgr* store = FreshStore();
    Db().Exec("INSERT INTO blocklist VALUES (-5, 'a', 1), (12, 'b', 1), (0, 'c', 1), "
              "(7, 'd', 1), (2147483647, 'e', 1), (-2147483648, 'f', 1), (-1, 'g', 1), "
              "(3, 'h', 1)");
    ASSERT_TRUE(store->DeleteBlockListByHash({"-5", "12abc", "no digits"}));
    EXPECT_EQ((std::vector<std::string>{"-2147483648", "-1", "3", "7", "2147483647"}),
              StoredKeys());
    // Leading blanks and a plus sign; the unsigned spelling of -1 is the same hash.
    ASSERT_TRUE(store->DeleteBlockListByHash({" \t+7", "4294967295"}));
    EXPECT_EQ((std::vector<std::string>{"-2147483648", "3", "2147483647"}), StoredKeys());
    // Beyond 32 bits: no row, in particular not the clamped extremes; the
    // texts after them are still read.
    ASSERT_TRUE(store->DeleteBlockListByHash(
        {"99999999999", "-2147483649", "4294967296", "123456789012345678901234567890", "3"}));
    EXPECT_EQ((std::vector<std::string>{"-2147483648", "2147483647"}), StoredKeys());
}

