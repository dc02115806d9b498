// Protected files, folders and extensions through the store interface, with
// a second connection looking at what reached the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "RuleTestSupport.h"

namespace {

using Wides = std::vector<std::wstring>;
using Items = std::vector<ProtectFileItem>;

const ProtectFileItem* Find(const Items& items, const std::wstring& path) {
    for (const ProtectFileItem& item : items)
        if (item.filepath == path) return &item;
    return nullptr;
}

// The statement the store runs for one file or folder, as its log shows it.
std::wstring UpsertStatement(const ProtectFileItem& item) {
    return L"INSERT INTO fileprotect (pathhash, filepath, bextention, mountpoint, bFile) VALUES(" +
           std::to_wstring(StoredKey(item.filepath)) + L", '" + item.filepath + L"',0, '" +
           item.mountpoint + L"', " + (item.bFile ? L"1" : L"0") +
           L") ON CONFLICT(pathhash) DO UPDATE SET bextention = excluded.bextention";
}

// A folder whose statement is `length` characters; the mount point pads, as
// it does not change the hash.
ProtectFileItem ItemWithStatementLength(size_t length) {
    ProtectFileItem item = PathItem(L"C:\\Edge\\" + std::wstring(700, L'x'), L"", false);
    item.mountpoint.assign(length - UpsertStatement(item).size(), L'm');
    return item;
}

class ProtectPaths : public ::testing::Test {
protected:
    void SetUp() override {
        store = FreshStore();
        db.reset(new Db);  // after the store, which may have had to create the file
    }
    // "filepath|bextention|mountpoint|bFile" of the row keyed by the path's hash.
    std::string Row(const std::wstring& path) const {
        return db->Scalar("SELECT filepath || '|' || bextention || '|' || "
                          "ifnull(mountpoint, 'NULL') || '|' || bFile FROM fileprotect "
                          "WHERE pathhash = " + KeyText(path));
    }
    std::string Count() const { return db->Scalar("SELECT count(*) FROM fileprotect"); }

    IFileProtectCfgMgr* store = nullptr;
    std::unique_ptr<Db> db;
};

}  // namespace

TEST_F(ProtectPaths, RowsRoundTripKeyedByTheSignedHash) {
    const std::wstring high = PathWithHighHash();
    ASSERT_TRUE(store->AddProtectFile(
        {PathItem(L"C:\\Data\\Report.docx", L"C:\\", true), PathItem(high, L"D:\\", false)}, false));
    ASSERT_TRUE(db->Exec("INSERT INTO fileprotect VALUES (5, 'C:\\Bare', 0, NULL, 1)"));
    EXPECT_EQ("C:\\Data\\Report.docx|0|C:\\|1", Row(L"C:\\Data\\Report.docx"));
    // 2^31 and above is the negative number with the same bits.
    EXPECT_EQ(KeyText(high), db->Scalar("SELECT pathhash FROM fileprotect WHERE bFile = 0 AND "
                                        "pathhash < 0"));

    Items items = {PathItem(L"kept", L"", false)};  // lists are appended to, not cleared
    Wides extensions;
    ASSERT_TRUE(store->GetProtectFileList(items, extensions));
    ASSERT_EQ(4u, items.size());
    EXPECT_TRUE(extensions.empty());
    const ProtectFileItem* report = Find(items, L"C:\\Data\\Report.docx");
    const ProtectFileItem* bare = Find(items, L"C:\\Bare");
    ASSERT_TRUE(report && bare && Find(items, high));
    EXPECT_TRUE(report->bFile && !report->bextention);
    EXPECT_EQ(L"C:\\", report->mountpoint);
    EXPECT_EQ(L"", bare->mountpoint);  // NULL reads as empty
}

TEST_F(ProtectPaths, RepeatedAddsKeepOneRowAndOnlySwitchTheKind) {
    ASSERT_TRUE(store->AddProtectFile({PathItem(L"C:\\Data\\Plan.txt", L"C:\\", true)}, false));
    ASSERT_TRUE(store->AddProtectFile({PathItem(L"c:\\DATA\\plan.TXT", L"Z:\\", false),
                                       PathItem(L"C:\\Data\\Plan.txt", L"Y:\\", false)},
                                      false));
    EXPECT_EQ("1", Count());
    EXPECT_EQ("C:\\Data\\Plan.txt|0|C:\\|1", Row(L"C:\\Data\\Plan.txt"));

    // The argument, not the item's own flag, decides the kind.
    ProtectFileItem flagged = PathItem(L"C:\\DATA\\PLAN.TXT", L"", false);
    flagged.bextention = true;
    ASSERT_TRUE(store->AddProtectFile({flagged}, true));
    EXPECT_EQ("C:\\Data\\Plan.txt|1|C:\\|1", Row(L"C:\\Data\\Plan.txt"));
    ASSERT_TRUE(store->AddProtectFile({flagged}, false));
    EXPECT_EQ("C:\\Data\\Plan.txt|0|C:\\|1", Row(L"C:\\Data\\Plan.txt"));
    EXPECT_EQ("1", Count());
}

TEST_F(ProtectPaths, ExtensionsDeletesAndClearsKeepToTheirKind) {
    ASSERT_TRUE(store->AddProtectExtension({L".Docx", L"pdf"}));
    ASSERT_TRUE(store->AddProtectExtension({L".DOCX"}));  // same row, first text kept
    ASSERT_TRUE(store->AddProtectFile({PathItem(L"C:\\A", L"C:\\", false)}, false));
    EXPECT_EQ(".Docx|1|Flexten|1", Row(L".docx"));
    EXPECT_EQ("3", Count());

    Items items;
    Wides extensions, paths;
    ASSERT_TRUE(store->GetProtectFileList(items, extensions));
    std::sort(extensions.begin(), extensions.end());
    EXPECT_EQ((Wides{L".Docx", L"pdf"}), extensions);
    ASSERT_EQ(1u, items.size());
    store->GetProtectPathList(paths);  // names extension rows too
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ((Wides{L".Docx", L"C:\\A", L"pdf"}), paths);

    // A delete names the kind: rows of the other kind and absent paths are fine.
    EXPECT_TRUE(store->DeleteProtectFile({L"pdf", L"C:\\Missing"}, false));
    EXPECT_TRUE(store->DeleteProtectFile({L"c:\\a"}, true));
    EXPECT_EQ("3", Count());
    EXPECT_TRUE(store->DeleteProtectFile({L"PDF", L"c:\\a"}, true));
    EXPECT_EQ("", Row(L"pdf"));
    EXPECT_EQ("2", Count());

    EXPECT_TRUE(store->ClearProtectFile());
    EXPECT_EQ(".Docx|1|Flexten|1", Row(L".Docx"));
    EXPECT_TRUE(store->AddProtectFile({PathItem(L"C:\\A", L"C:\\", false)}, false));
    EXPECT_TRUE(store->ClearProtectExtension());
    EXPECT_EQ("C:\\A|0|C:\\|0", Row(L"C:\\A"));
    EXPECT_TRUE(store->ClearProtectAll());
    EXPECT_EQ("0", Count());
    EXPECT_TRUE(store->AddProtectFile({}, false) && store->AddProtectExtension({}) &&
                store->DeleteProtectFile({}, false));
}

TEST_F(ProtectPaths, AFailingDeleteEndsTheBatchAndKeepsWhatWasDone) {
    ASSERT_TRUE(store->AddProtectFile({PathItem(L"C:\\A", L"", false),
                                       PathItem(L"C:\\B", L"", false),
                                       PathItem(L"C:\\C", L"", false)},
                                      false));
    RefusedDelete refused("fileprotect", L"C:\\B");
    EXPECT_FALSE(store->DeleteProtectFile({L"C:\\A", L"C:\\B", L"C:\\C"}, false));
    EXPECT_EQ("", Row(L"C:\\A"));
    EXPECT_EQ("C:\\B|0||0", Row(L"C:\\B"));
    EXPECT_EQ("C:\\C|0||0", Row(L"C:\\C"));
}

TEST_F(ProtectPaths, QuotesAreStoredAsTextAndNeverEndTheStatement) {
    const std::wstring quoted = L"C:\\Bob's files\\it''s 'here'.txt";
    const std::wstring attack = L"C:\\x', 0, '', 0); DELETE FROM fileprotect; --";
    ASSERT_TRUE(store->AddProtectFile({PathItem(L"C:\\Keep", L"C:\\", false)}, false));
    ASSERT_TRUE(store->AddProtectFile({PathItem(quoted, L"M:\\O'Neil", true), PathItem(attack, L"'", false)},
                                      false));
    ASSERT_TRUE(store->AddProtectExtension({L".o'k"}));
    EXPECT_EQ("4", Count());

    Items items;
    Wides extensions;
    ASSERT_TRUE(store->GetProtectFileList(items, extensions));
    ASSERT_TRUE(Find(items, quoted) && Find(items, attack));
    EXPECT_EQ(L"M:\\O'Neil", Find(items, quoted)->mountpoint);
    EXPECT_EQ(L"'", Find(items, attack)->mountpoint);
    EXPECT_EQ(Wides{L".o'k"}, extensions);
    EXPECT_TRUE(store->DeleteProtectFile({quoted, attack}, false));
    EXPECT_EQ("2", Count());
}

TEST_F(ProtectPaths, LongPathsFitWholeAndOneTooLongIsRefusedWhole) {
    // The limit counts characters, not UTF-8 bytes (800 CJK are 2400 bytes),
    // and a statement of 1023 characters plus its terminator still fits.
    const std::wstring cjk = L"D:\\" + std::wstring(800, L'\u6587');
    const ProtectFileItem longest = ItemWithStatementLength(1023);
    ASSERT_TRUE(store->AddProtectFile({PathItem(cjk, L"D:\\", false), longest}, false));
    EXPECT_EQ(Narrow(cjk) + "|0|D:\\|0", Row(cjk));
    EXPECT_EQ(Narrow(longest.filepath) + "|0|" + Narrow(longest.mountpoint) + "|0",
              Row(longest.filepath));

    // One character more: refused whole and logged with SQLite's too-big
    // code; the batch keeps the row before and stops.
    ASSERT_TRUE(store->ClearProtectAll());
    const ProtectFileItem tooLong = ItemWithStatementLength(1024);
    LogCapture log;
    EXPECT_FALSE(store->AddProtectFile(
        {PathItem(L"C:\\Before", L"", false), tooLong, PathItem(L"C:\\After", L"", false)}, false));
    EXPECT_EQ("1", Count());
    EXPECT_EQ("C:\\Before|0||0", Row(L"C:\\Before"));
    EXPECT_TRUE(Logged(log, ",option str=" + Narrow(UpsertStatement(tooLong)) + ",errid = 18"));
    EXPECT_FALSE(store->AddProtectExtension({OverLongPath()}));
    EXPECT_EQ("1", Count());
}
