// What every table does with awkward texts and damaged rows: texts read back
// as written whichever operation wrote them, a damaged row never hides the
// rows behind it, and sums past 32 bits read back saturated.
#include <gtest/gtest.h>

#include <climits>

#include "tests/store/RuleTestSupport.h"

namespace {

// Texts SQLite would read as byte-order marks if it were handed UTF-16, an
// unpaired surrogate, quotes, a key of 2^31 or more and other awkward ones.
// Each must be stored as the helper's UTF-8 and read back as the helper
// reads that.
Wides AwkwardTexts() {
    return {L"\uFEFFabc", L"\uFFFEab", L"a\uFEFFb", L"\uFEFF", L"C:\\Donn\u00e9es\\\U0001F600.txt",
            L"it's \"quoted\"", L"x', 0, '', 0); DELETE FROM config; --",
            std::wstring(L"C:\\") + wchar_t(0xD800) + L"abc", PathWithHighHash()};
}

std::string Hex(const std::string& bytes) {
    std::string hex;
    for (unsigned char b : bytes) hex += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return hex;
}

// What the store lists of a table: each item's path and mount point, or
// each extension or block-count path.
Wides ReadBack(const std::string& table) {
    IFileProtectCfgMgr* s = getFileProtectDbMgr();
    Items items;
    Wides texts;
    if (table == "blocklist") {
        std::vector<BlockCountItem> blocks;
        s->GetBlockList(blocks);
        for (const BlockCountItem& block : blocks) texts.push_back(block.filepath);
    } else if (table == "fileprotect") {
        s->GetProtectFileList(items, texts);
    } else {
        PathList{table}.Get(items);
    }
    for (const ProtectFileItem& item : items) texts.insert(texts.end(), {item.filepath, item.mountpoint});
    return texts;
}

}  // namespace

TEST(RowFidelity, EveryWriteStoresTheHelpersUtf8UnderTheSignedHashAndReadsBackAsWritten) {
    IFileProtectCfgMgr* store = FreshStore();
    for (const std::wstring& text : AwkwardTexts()) {
        SCOPED_TRACE(Utf8(text));
        const std::string utf8 = getHlpObj()->WideToUtf8(text);
        const std::wstring expected = getHlpObj()->Utf8ToWide(utf8);
        for (const PathOperation& write : PathWrites()) {
            SCOPED_TRACE(write.name);
            FreshStore();
            ASSERT_TRUE(store->SetConfig(5, L"kept"));
            ASSERT_TRUE(write.run({text}));
            EXPECT_EQ(Wides(write.textsPerPath, expected), ReadBack(write.table));
            EXPECT_EQ(Hex(utf8) + "|" + KeyText(text),
                      Db().Scalar("SELECT hex(filepath) || '|' || pathhash FROM " + write.table));
            EXPECT_EQ(L"kept", store->GetConfig(5));
        }
        ASSERT_TRUE(store->SetConfig(9, text));
        EXPECT_EQ(expected, store->GetConfig(9));
        EXPECT_EQ(Hex(utf8), Db().Scalar("SELECT hex(config) FROM config WHERE id = 9"));
        // An extension is deleted by the very text its listing gave.
        FreshStore();
        ASSERT_TRUE(store->AddProtectExtension({text}));
        const Wides extensions = ReadBack("fileprotect");
        ASSERT_EQ(1u, extensions.size());
        EXPECT_TRUE(store->DeleteProtectFile(extensions, true));
        EXPECT_EQ("0", Db().Scalar("SELECT count(*) FROM fileprotect"));
    }
}

TEST(RowFidelity, ADamagedRowNeverHidesTheRowsBehindIt) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    // Rows without a path text, or with nothing at all, between good ones.
    for (const PathList& list : AllPathLists())
        db.Exec("INSERT INTO " + list.table +
                " VALUES (1, 'first', NULL, 1), (2, NULL, 'E:', 1), (3, '', '', 1), "
                "(4, 'last', 'F:', 1), (5, '', 'D:', 1)");
    db.Exec("INSERT INTO fileprotect VALUES (1, 'first', 0, NULL, 1), (2, NULL, 0, 'D:', 0), "
            "(3, 'last', 0, 'F:', 0), (4, NULL, 1, 'Flexten', 1), (5, '.ext', 1, 'Flexten', 1)");
    db.Exec("INSERT INTO blocklist VALUES (1, 'first', 10), (2, NULL, 20), (3, 'last', 30)");
    db.Exec("INSERT INTO config VALUES (0, NULL), (1, 'bEnableProtect:1'), (4, 'behind')");

    for (const PathList& list : AllPathLists()) {
        Items items;
        ASSERT_TRUE(list.Get(items));
        // The reject list also lists a row with a mount point but no path text.
        EXPECT_EQ(list.table == "rejectlist" ? (Wides{L"first", L"last", L""})
                                             : (Wides{L"first", L"last"}),
                  PathsOf(items)) << list.table;
        // No mount point: listed with an empty one and bFile false, whatever is stored.
        EXPECT_EQ(L"", items[0].mountpoint);
        EXPECT_FALSE(items[0].bFile);
    }
    Items items;
    Wides extensions, paths;
    ASSERT_TRUE(store->GetProtectFileList(items, extensions));
    EXPECT_EQ((Wides{L"first", L"last"}), PathsOf(items));
    EXPECT_EQ(L"", items[0].mountpoint);
    EXPECT_EQ(Wides{L".ext"}, extensions);
    store->GetProtectPathList(paths);
    EXPECT_EQ((Wides{L"first", L"last", L".ext"}), paths);

    std::vector<BlockCountItem> blocks;
    ASSERT_TRUE(store->GetBlockList(blocks));
    ASSERT_EQ(2u, blocks.size());
    EXPECT_EQ(30, blocks[1].blockcount);
    EXPECT_EQ(30, CountOf(L"last"));

    EXPECT_EQ(L"behind", store->GetConfig(4));
    EXPECT_TRUE(store->GetProtectConfig().bEnableProtect);
}

TEST(RowFidelity, BlockCountsPastThirtyTwoBitsReadBackSaturated) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Up", INT_MAX));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Up", 2));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Down", INT_MIN));
    ASSERT_TRUE(store->IncreaseBlockCount(L"C:\\Down"));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Down", -3));
    EXPECT_EQ("2147483649", Db().Scalar("SELECT blockcount FROM blocklist WHERE filepath = 'C:\\Up'"));

    EXPECT_EQ(INT_MAX, CountOf(L"C:\\Up"));
    std::vector<BlockCountItem> items;
    ASSERT_TRUE(store->GetBlockList(items));
    ASSERT_EQ(2u, items.size());
    for (const BlockCountItem& item : items)
        EXPECT_EQ(item.filepath == L"C:\\Up" ? INT_MAX : INT_MIN, item.blockcount);
}
