#include <gtest/gtest.h>

#include "tests/store/RuleTestSupport.h"

namespace {

const std::wstring kOld = L"C:\\Projects\\Old";
const std::wstring kNew = L"C:\\Projects\\New";
const std::wstring kMount = L"C:";

// The same path in all four path tables.
class RenamePath : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store->AddWhiteList({PathItem(kOld, kMount, true)}, false));
        ASSERT_TRUE(store->AddWhiteList({PathItem(kOld, kMount, true)}, true));
        ASSERT_TRUE(store->AddRejectList({PathItem(kOld, kMount, true)}));
        // Written here in the form the protected-path table keeps.
        ASSERT_TRUE(db.Exec("INSERT INTO fileprotect VALUES (" + KeyText(kOld) + ", '" +
                            Utf8(kOld) + "', 0, 'C:', 1)"));
    }
    // "<path>|<key>" of each row, so a moved row shows both of its changes.
    Rows Keyed(const std::string& table) {
        return db.Column("SELECT filepath || '|' || pathhash FROM " + table);
    }
    static std::string Row(const std::wstring& path) { return Utf8(path) + "|" + KeyText(path); }
    void ExpectUnmoved(std::initializer_list<const char*> tables) {
        for (const char* table : tables) EXPECT_EQ(Rows{Row(kOld)}, Keyed(table)) << table;
    }

    IFileProtectCfgMgr* store = FreshStore();  // before db: it may create the file
    Db db;
};

}  // namespace

TEST_F(RenamePath, TheFirstListKindInPrecedenceIsTheOnlyTableMoved) {
    // Quotes in the new path are text, not SQL.
    const std::wstring quoted = L"C:\\It's', pathhash = 0 WHERE 1 = 1; --";
    ASSERT_TRUE(store->RenamePath(kOld, kMount, quoted, 0x0011));
    EXPECT_EQ(Rows{Row(quoted)}, Keyed("whitelist"));
    ExpectUnmoved({"rejectlist", "fileprotect"});
    ASSERT_TRUE(store->RenamePath(kOld, kMount, kNew, 0x0110));
    EXPECT_EQ(Rows{Row(kNew)}, Keyed("rejectlist"));
    ExpectUnmoved({"fileprotect"});
    ASSERT_TRUE(store->RenamePath(kOld, kMount, kNew, 0x0100));
    EXPECT_EQ(Rows{Row(kNew)}, Keyed("fileprotect"));
    EXPECT_EQ("0|C:|1", db.Scalar("SELECT bextention || '|' || mountpoint || '|' || bFile "
                                  "FROM fileprotect"));
    // The fixed white list never follows a rename.
    EXPECT_TRUE(store->RenamePath(quoted, kMount, kOld, 0xFFFF));
    ExpectUnmoved({"whitelist", "const_whitelist"});
}

TEST_F(RenamePath, NothingToDoIsASuccessThatChangesNothing) {
    const struct {
        std::wstring from, mount, to;
        uint16_t kinds;
    } cases[] = {
        {kOld, kMount, kNew, 0x0000}, {kOld, kMount, kNew, 0x1000},
        {kOld, kMount, kNew, 0x0002}, {kOld, kMount, kNew, 0xE0EE},
        {L"", kMount, kNew, 0x0111},  {kOld, L"", kNew, 0x0111},
        {kOld, kMount, L"", 0x0111},
        // Not in the table, or there under another mount point (compared exactly).
        {L"C:\\Elsewhere", kMount, kNew, 0x0001}, {kOld, L"c:", kNew, 0x0001},
        {kOld, L"C:' OR '1' = '1", kNew, 0x0001},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(store->RenamePath(c.from, c.mount, c.to, c.kinds)) << Utf8(c.mount) << c.kinds;
    ExpectUnmoved({"whitelist", "const_whitelist", "rejectlist", "fileprotect"});
}

TEST_F(RenamePath, ANewLetterCaseKeepsTheKeyAndAnOccupiedKeyChangesNothing) {
    const std::wstring lower = L"c:\\projects\\old";
    ASSERT_TRUE(store->RenamePath(kOld, kMount, lower, 0x0010));
    EXPECT_EQ(Rows{Utf8(lower) + "|" + KeyText(kOld)}, Keyed("rejectlist"));

    const std::wstring taken = L"C:\\Projects\\Taken";
    ASSERT_TRUE(store->AddWhiteList({PathItem(taken, kMount, true)}, false));
    LogCapture log;
    EXPECT_TRUE(store->RenamePath(kOld, kMount, taken, 0x0001));  // a constraint violation counts as done
    EXPECT_EQ((Rows{Row(kOld), Row(taken)}), Keyed("whitelist"));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(RenamePath, AnUpdateTooLongToFormatWholeUpdatesNothing) {
    // Cut at the limit, the statement would lose its WHERE clause and
    // rewrite every row of the table.
    ASSERT_TRUE(store->AddWhiteList({PathItem(L"C:\\Second", L"D:", true)}, false));
    LogCapture log;
    EXPECT_FALSE(store->RenamePath(kOld, kMount, OverLongPath(), 0x0001));
    EXPECT_TRUE(Logged(log, "errid = 18"));
    EXPECT_EQ((Rows{Row(kOld), Row(L"C:\\Second")}), Keyed("whitelist"));
    EXPECT_FALSE(store->RenamePath(kOld, OverLongPath(), kNew, 0x0100));
    ExpectUnmoved({"fileprotect"});
}
