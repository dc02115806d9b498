// Every write and delete by path. Deletes find their row in any ASCII case.
// What a write refuses, and what its transaction pattern keeps when it does:
// an empty path, a statement over the limit and a NUL in a text are refused
// and logged, never stored or run cut short; a failing delete ends the call,
// which keeps the deletions before it or none.
#include <gtest/gtest.h>

#include "tests/store/RuleTestSupport.h"

namespace {

// The statement the store runs for one protected file or folder, as its log shows it.
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

// The same paths in every table that rows can be deleted from by path.
void FillEveryTable(const Wides& paths) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->AddProtectFile(ItemsOf(paths), false));
    for (const PathList& list : AllPathLists()) ASSERT_TRUE(list.Add(ItemsOf(paths)));
    for (const std::wstring& path : paths) ASSERT_TRUE(store->IncreaseBlockCount(path));
}

}  // namespace

TEST(PathDeletes, EachFindsItsRowInAnyAsciiCaseAndPassesOverAbsentPaths) {
    for (const PathOperation& remove : PathDeletes()) {
        SCOPED_TRACE(remove.name);
        FillEveryTable({L"C:\\A", L"C:\\B"});
        EXPECT_TRUE(remove.run({}));
        EXPECT_TRUE(remove.run({L"c:\\a", L"C:\\NoRow"}));
        EXPECT_EQ(Rows{"C:\\B"}, StoredPaths(remove.table));
    }
}

TEST(Refusals, EveryWriteRefusesAnEmptyOverLongOrNulPathAndKeepsWhatItsPatternKeeps) {
    const struct {
        const char* name;
        std::wstring path;
        const char* logged;
    } refused[] = {
        {"empty", L"", "errid = 21"},
        {"over the limit", OverLongPath(), "errid = 18"},
        // A NUL inside a text would hide the rest of the statement from SQLite.
        {"NUL inside", std::wstring(L"C:\\Nul\0Tail", 11), "errid = 21"},
    };
    for (const auto& path : refused) {
        for (const PathOperation& write : PathWrites()) {
            SCOPED_TRACE(std::string(path.name) + ", " + write.name);
            FreshStore();
            LogCapture log;
            EXPECT_FALSE(write.run({L"C:\\Before", path.path, L"C:\\After"}));
            EXPECT_TRUE(Logged(log, path.logged));
            EXPECT_EQ(write.keepsEarlier ? Rows{"C:\\Before"} : Rows{}, StoredPaths(write.table));
        }
    }
}

TEST(Refusals, TheLimitCountsCharactersAndTheLogShowsTheWholeStatement) {
    IFileProtectCfgMgr* store = FreshStore();
    // Not UTF-8 bytes (800 CJK are 2400 bytes); a statement of 1023
    // characters plus its terminator still fits.
    const std::wstring cjk = L"D:\\" + std::wstring(800, L'\u6587');
    const ProtectFileItem longest = ItemWithStatementLength(1023);
    ASSERT_TRUE(store->AddProtectFile({PathItem(cjk, L"D:\\", false), longest}, false));
    const Rows both{Utf8(cjk) + "|D:\\", Utf8(longest.filepath) + "|" + Utf8(longest.mountpoint)};
    EXPECT_EQ(both, Db().Column("SELECT filepath || '|' || mountpoint FROM fileprotect"));

    const ProtectFileItem tooLong = ItemWithStatementLength(1024);
    LogCapture log;
    EXPECT_FALSE(store->AddProtectFile({tooLong}, false));
    EXPECT_TRUE(Logged(log, ",option str=" + Utf8(UpsertStatement(tooLong)) + ",errid = 18"));
    EXPECT_EQ(both, Db().Column("SELECT filepath || '|' || mountpoint FROM fileprotect"));
    // A config text too long keeps the former text, not a cut new one.
    ASSERT_TRUE(store->SetConfig(6, std::wstring(900, L'f')));
    EXPECT_FALSE(store->SetConfig(6, std::wstring(2000, L'g')));
    EXPECT_EQ(std::wstring(900, L'f'), store->GetConfig(6));
}

TEST(Refusals, AFailingDeleteEndsTheCallWhichKeepsWhatItsPatternKeeps) {
    const Wides paths{L"C:\\A", L"C:\\B", L"C:\\C"};
    for (const PathOperation& remove : PathDeletes()) {
        SCOPED_TRACE(remove.name);
        FillEveryTable(paths);
        LogCapture log;
        {
            RefusedDelete refusal(remove.table, L"C:\\B");
            EXPECT_FALSE(remove.run(paths));
        }
        EXPECT_TRUE(Logged(log, "errid = 18"));
        // All or nothing undoes the deletions before the failure too.
        EXPECT_EQ(remove.keepsEarlier ? (Rows{"C:\\B", "C:\\C"}) : (Rows{"C:\\A", "C:\\B", "C:\\C"}),
                  StoredPaths(remove.table));
    }
}
