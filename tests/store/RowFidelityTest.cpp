// What every table does with awkward texts and damaged rows: texts read back
// as written whichever operation wrote them, a damaged row never hides the
// rows behind it, an empty path is never stored, and sums past 32 bits read
// back saturated.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "RuleTestSupport.h"

namespace {

using Wides = std::vector<std::wstring>;

std::wstring Unpaired() { return std::wstring(L"C:\\") + wchar_t(0xD800) + L"abc"; }

// Texts SQLite would read as byte-order marks if it were handed UTF-16, and
// other awkward ones. Each must read back exactly; an unpaired surrogate
// reads back as the helper's conversion makes it.
const std::wstring kTexts[] = {
    L"\uFEFFabc", L"\uFFFEab", L"a\uFEFFb", L"\uFEFF", L"C:\\Donn\u00e9es\\\U0001F600.txt",
    L"it's \"quoted\"",
};

std::wstring Expected(const std::wstring& text) {
    return getHlpObj()->Utf8ToWide(getHlpObj()->WideToUtf8(text));
}

// Writes `text` through one table's operations and reads it back.
struct TextTrip {
    const char* name;
    std::function<bool(IFileProtectCfgMgr*, const std::wstring&)> write;
    std::function<Wides(IFileProtectCfgMgr*)> read;
    std::string table;  // where the text is stored, for comparing bytes
};

Wides PathsOf(const std::vector<ProtectFileItem>& items) {
    Wides paths;
    for (const ProtectFileItem& item : items) paths.push_back(item.filepath);
    return paths;
}

const TextTrip kTrips[] = {
    {"config", [](IFileProtectCfgMgr* s, const std::wstring& t) { return s->SetConfig(9, t); },
     [](IFileProtectCfgMgr* s) { return Wides{s->GetConfig(9)}; }, ""},
    {"rejectlist",
     [](IFileProtectCfgMgr* s, const std::wstring& t) {
         return s->AddRejectList({PathItem(t, t, true)});
     },
     [](IFileProtectCfgMgr* s) {
         std::vector<ProtectFileItem> items;
         s->GetRejectList(items);
         return PathsOf(items);
     },
     "rejectlist"},
    {"whitelist",
     [](IFileProtectCfgMgr* s, const std::wstring& t) {
         return s->AddWhiteList({PathItem(t, t, true)}, false);
     },
     [](IFileProtectCfgMgr* s) {
         std::vector<ProtectFileItem> items;
         s->GetWhiteList(items, false);
         return PathsOf(items);
     },
     "whitelist"},
    {"const_whitelist",
     [](IFileProtectCfgMgr* s, const std::wstring& t) {
         return s->AddWhiteList({PathItem(t, t, true)}, true);
     },
     [](IFileProtectCfgMgr* s) {
         std::vector<ProtectFileItem> items;
         s->GetWhiteList(items, true);
         return PathsOf(items);
     },
     "const_whitelist"},
    {"protected extension",
     [](IFileProtectCfgMgr* s, const std::wstring& t) { return s->AddProtectExtension({t}); },
     [](IFileProtectCfgMgr* s) {
         std::vector<ProtectFileItem> items;
         Wides extensions;
         s->GetProtectFileList(items, extensions);
         return extensions;
     },
     "fileprotect"},
    {"block count",
     [](IFileProtectCfgMgr* s, const std::wstring& t) { return s->IncreaseBlockCount(t); },
     [](IFileProtectCfgMgr* s) {
         std::vector<BlockCountItem> items;
         s->GetBlockList(items);
         Wides paths;
         for (const BlockCountItem& item : items) paths.push_back(item.filepath);
         return paths;
     },
     "blocklist"},
};

}  // namespace

TEST(RowFidelity, EveryTableReadsBackEveryTextAsWrittenWhicheverOperationWroteIt) {
    IFileProtectCfgMgr* store = FreshStore();
    std::vector<std::wstring> texts(std::begin(kTexts), std::end(kTexts));
    texts.push_back(Unpaired());
    for (const std::wstring& text : texts) {
        SCOPED_TRACE(Narrow(text));
        std::string storedBytes;
        for (const TextTrip& trip : kTrips) {
            SCOPED_TRACE(trip.name);
            FreshStore();
            ASSERT_TRUE(trip.write(store, text));
            EXPECT_EQ(Wides{Expected(text)}, trip.read(store));
            if (trip.table.empty()) continue;
            // One text, one stored form, in every table.
            std::string bytes = Db().Scalar("SELECT hex(filepath) FROM " + trip.table);
            if (storedBytes.empty()) storedBytes = bytes;
            EXPECT_EQ(storedBytes, bytes);
        }
        // An extension is deleted by the very text its listing gave.
        FreshStore();
        ASSERT_TRUE(store->AddProtectExtension({text}));
        std::vector<ProtectFileItem> items;
        Wides extensions;
        ASSERT_TRUE(store->GetProtectFileList(items, extensions));
        ASSERT_EQ(1u, extensions.size());
        EXPECT_TRUE(store->DeleteProtectFile(extensions, true));
        EXPECT_EQ("0", Db().Scalar("SELECT count(*) FROM fileprotect"));
    }
}

TEST(RowFidelity, ADamagedRowNeverHidesTheRowsBehindIt) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    // Rows without a path text, or with nothing at all, between good ones.
    for (const char* table : {"rejectlist", "whitelist", "const_whitelist"})
        db.Exec(std::string("INSERT INTO ") + table +
                " VALUES (1, 'first', NULL, 1), (2, NULL, 'E:', 1), (3, '', '', 1), "
                "(4, 'last', 'F:', 1)");
    db.Exec("INSERT INTO fileprotect VALUES (1, 'first', 0, 'C:', 0), (2, NULL, 0, 'D:', 0), "
            "(3, 'last', 0, 'F:', 0), (4, NULL, 1, 'Flexten', 1), (5, '.ext', 1, 'Flexten', 1)");
    db.Exec("INSERT INTO blocklist VALUES (1, 'first', 10), (2, NULL, 20), (3, 'last', 30)");
    db.Exec("INSERT INTO config VALUES (0, NULL), (1, 'bEnableProtect:1'), (4, 'behind')");

    std::vector<ProtectFileItem> items;
    ASSERT_TRUE(store->GetRejectList(items));
    EXPECT_EQ((Wides{L"first", L"last"}), PathsOf(items));
    for (bool constList : {false, true}) {
        items.clear();
        ASSERT_TRUE(store->GetWhiteList(items, constList));
        EXPECT_EQ((Wides{L"first", L"last"}), PathsOf(items));
    }
    items.clear();
    Wides extensions;
    ASSERT_TRUE(store->GetProtectFileList(items, extensions));
    EXPECT_EQ((Wides{L"first", L"last"}), PathsOf(items));
    EXPECT_EQ(Wides{L".ext"}, extensions);
    Wides paths;
    store->GetProtectPathList(paths);
    EXPECT_EQ((Wides{L"first", L"last", L".ext"}), paths);

    std::vector<BlockCountItem> blocks;
    ASSERT_TRUE(store->GetBlockList(blocks));
    ASSERT_EQ(2u, blocks.size());
    EXPECT_EQ(30, blocks[1].blockcount);
    BlockCountItem last;
    last.filepath = L"last";
    ASSERT_TRUE(store->GetBlockCount(last));
    EXPECT_EQ(30, last.blockcount);

    EXPECT_EQ(L"behind", store->GetConfig(4));
    EXPECT_TRUE(store->GetProtectConfig().bEnableProtect);
}

TEST(RowFidelity, AnEmptyPathIsNeverStored) {
    IFileProtectCfgMgr* store = FreshStore();
    const ProtectFileItem empty = PathItem(L"", L"C:", true);
    const ProtectFileItem good = PathItem(L"C:\\Good", L"C:", true);
    BlockCountItem emptyBlock;
    emptyBlock.blockcount = 1;
    const std::pair<const char*, std::function<bool()>> writes[] = {
        {"AddRejectList", [&] { return store->AddRejectList({good, empty}); }},
        {"AddWhiteList", [&] { return store->AddWhiteList({good, empty}, false); }},
        {"AddWhiteList const", [&] { return store->AddWhiteList({good, empty}, true); }},
        {"AddProtectFile", [&] { return store->AddProtectFile({empty}, false); }},
        {"AddProtectExtension", [&] { return store->AddProtectExtension({L""}); }},
        {"AddBlockCount", [&] { return store->AddBlockCount(L"", 3); }},
        {"IncreaseBlockCount", [&] { return store->IncreaseBlockCount(L""); }},
        {"AddBlockCountItem", [&] { return store->AddBlockCountItem(emptyBlock); }},
    };
    for (const auto& write : writes) {
        SCOPED_TRACE(write.first);
        EXPECT_FALSE(write.second());
    }
    Db db;
    for (const char* table :
         {"rejectlist", "whitelist", "const_whitelist", "fileprotect", "blocklist"})
        EXPECT_EQ("0", db.Scalar(std::string("SELECT count(*) FROM ") + table)) << table;
}

TEST(RowFidelity, BlockCountsPastThirtyTwoBitsReadBackSaturated) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Up", INT_MAX));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Up", 2));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Down", INT_MIN));
    ASSERT_TRUE(store->IncreaseBlockCount(L"C:\\Down"));
    ASSERT_TRUE(store->AddBlockCount(L"C:\\Down", -3));
    EXPECT_EQ("2147483649", Db().Scalar("SELECT blockcount FROM blocklist WHERE filepath = 'C:\\Up'"));

    BlockCountItem up;
    up.filepath = L"C:\\Up";
    ASSERT_TRUE(store->GetBlockCount(up));
    EXPECT_EQ(INT_MAX, up.blockcount);
    std::vector<BlockCountItem> items;
    ASSERT_TRUE(store->GetBlockList(items));
    ASSERT_EQ(2u, items.size());
    for (const BlockCountItem& item : items)
        EXPECT_EQ(item.filepath == L"C:\\Up" ? INT_MAX : INT_MIN, item.blockcount);
}
