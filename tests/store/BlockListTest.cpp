#include <gtest/gtest.h>

#include "tests/store/RuleTestSupport.h"

namespace {

Rows StoredKeys() { return Db().Column("SELECT pathhash FROM blocklist ORDER BY pathhash"); }

}  // namespace

TEST(BlockCounts, ReportsAddUpUnderTheTextOfTheFirst) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->IncreaseBlockCount(L"C:\\Data\\A.txt"));
    ASSERT_TRUE(store->IncreaseBlockCount(L"c:\\data\\a.txt"));  // same hash, same row
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Data\\A.txt", 5));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Data\\A.txt", -3));
    BlockCountItem upper = Block(L"C:\\DATA\\A.TXT", 40);
    upper.pathhash = 12345;  // ignored
    ASSERT_TRUE(store->AddBlockCountItem(upper));
    EXPECT_EQ("C:\\Data\\A.txt|44", Db().Scalar("SELECT filepath || '|' || blockcount "
                                                "FROM blocklist"));

    // Found only under the exact stored text; a miss leaves the item alone.
    BlockCountItem item = Block(L"c:\\data\\a.txt", 77);
    item.pathhash = 99;
    EXPECT_FALSE(store->GetBlockCount(item));
    EXPECT_EQ(77, item.blockcount);
    item.filepath = L"C:\\Data\\A.txt";
    ASSERT_TRUE(store->GetBlockCount(item));
    EXPECT_EQ(44, item.blockcount);
    EXPECT_EQ(99, item.pathhash);
    ASSERT_TRUE(store->ClearBlockList());
    EXPECT_TRUE(StoredKeys().empty());
}

TEST(BlockCounts, TheListIsAppendedWithSignedKeysThatDeleteTheirRows) {
    IFileProtectCfgMgr* store = FreshStore();
    std::vector<BlockCountItem> items{Block(L"kept", 1)};
    ASSERT_TRUE(store->GetBlockList(items));
    EXPECT_EQ(1u, items.size());

    const std::wstring high = PathWithHighHash();
    ASSERT_TRUE(store->AddBlockCountList({}));
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

TEST(BlockCounts, HashTextsReadLikeDecimalsAndNothingOutOfRangeHitsARow) {
    IFileProtectCfgMgr* store = FreshStore();
    Db().Exec("INSERT INTO blocklist VALUES (-5, 'a', 1), (12, 'b', 1), (0, 'c', 1), "
              "(7, 'd', 1), (2147483647, 'e', 1), (-2147483648, 'f', 1), (-1, 'g', 1), "
              "(3, 'h', 1)");
    ASSERT_TRUE(store->DeleteBlockListByHash({"-5", "12abc", "no digits"}));
    EXPECT_EQ((Rows{"-2147483648", "-1", "3", "7", "2147483647"}), StoredKeys());
    // Leading blanks and a plus sign; the unsigned spelling of -1 is the same hash.
    ASSERT_TRUE(store->DeleteBlockListByHash({" \t+7", "4294967295"}));
    EXPECT_EQ((Rows{"-2147483648", "3", "2147483647"}), StoredKeys());
    // Beyond 32 bits: no row, in particular not the clamped extremes; the
    // texts after them are still read.
    ASSERT_TRUE(store->DeleteBlockListByHash(
        {"99999999999", "-2147483649", "4294967296", "123456789012345678901234567890", "3"}));
    EXPECT_EQ((Rows{"-2147483648", "2147483647"}), StoredKeys());
}
