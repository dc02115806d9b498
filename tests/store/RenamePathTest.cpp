#include <gtest/gtest.h>

#include "RuleTestSupport.h"

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
                            Narrow(kOld) + "', 0, 'C:', 1)"));
    }

    bool Rename(const std::wstring& from, const std::wstring& mount, const std::wstring& to,
                uint16_t kinds) {
        return store->RenamePath(from, mount, to, kinds);
    }
    // "<path>|<key>" of each row, so a moved row shows both of its changes.
    std::vector<std::string> Rows(const std::string& table) {
        return db.Column("SELECT filepath || '|' || pathhash FROM " + table);
    }
    static std::vector<std::string> Row(const std::wstring& path) {
        return {Narrow(path) + "|" + KeyText(path)};
    }
    void ExpectUnmoved(std::initializer_list<const char*> tables) {
        for (const char* table : tables) EXPECT_EQ(Row(kOld), Rows(table)) << table;
    }

    IFileProtectCfgMgr* store = FreshStore();  // before db: it may create the file
    Db db;
};

}  // namespace

TEST_F(RenamePath, TheFirstListKindInPrecedenceIsTheOnlyTableMoved) {
    ASSERT_TRUE(Rename(kOld, kMount, kNew, 0x0011));
    EXPECT_EQ(Row(kNew), Rows("whitelist"));
    ExpectUnmoved({"rejectlist", "fileprotect"});
    ASSERT_TRUE(Rename(kOld, kMount, kNew, 0x0110));
    EXPECT_EQ(Row(kNew), Rows("rejectlist"));
    ExpectUnmoved({"fileprotect"});
    ASSERT_TRUE(Rename(kOld, kMount, kNew, 0x0100));
    EXPECT_EQ(Row(kNew), Rows("fileprotect"));
    EXPECT_EQ("0|C:|1", db.Scalar("SELECT bextention || '|' || mountpoint || '|' || bFile "
                                  "FROM fileprotect"));
    // The fixed white list never follows a rename.
    EXPECT_TRUE(Rename(kNew, kMount, kOld, 0xFFFF));
    ExpectUnmoved({"whitelist", "const_whitelist"});
}

TEST_F(RenamePath, NothingToDoIsASuccessThatChangesNothing) {
    for (uint16_t kinds : {0x0000, 0x1000, 0x0002, 0xE0EE})
        EXPECT_TRUE(Rename(kOld, kMount, kNew, kinds)) << kinds;
    EXPECT_TRUE(Rename(L"", kMount, kNew, 0x0111));
    EXPECT_TRUE(Rename(kOld, L"", kNew, 0x0111));
    EXPECT_TRUE(Rename(kOld, kMount, L"", 0x0111));
    // Not in the table, or there under another mount point (compared exactly).
    EXPECT_TRUE(Rename(L"C:\\Elsewhere", kMount, kNew, 0x0001));
    EXPECT_TRUE(Rename(kOld, L"c:", kNew, 0x0001));
    ExpectUnmoved({"whitelist", "const_whitelist", "rejectlist", "fileprotect"});
}

TEST_F(RenamePath, ANewLetterCaseKeepsTheKeyAndAnOccupiedKeyChangesNothing) {
    const std::wstring lower = L"c:\\projects\\old";
    ASSERT_TRUE(Rename(kOld, kMount, lower, 0x0010));
    EXPECT_EQ(std::vector<std::string>{Narrow(lower) + "|" + KeyText(kOld)}, Rows("rejectlist"));

    const std::wstring taken = L"C:\\Projects\\Taken";
    ASSERT_TRUE(store->AddWhiteList({PathItem(taken, kMount, true)}, false));
    LogCapture log;
    EXPECT_TRUE(Rename(kOld, kMount, taken, 0x0001));  // a constraint violation counts as done
    EXPECT_EQ((std::vector<std::string>{Row(kOld)[0], Row(taken)[0]}), Rows("whitelist"));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(RenamePath, AnUpdateTooLongToFormatWholeUpdatesNothing) {
    // Cut at the limit, the statement would lose its WHERE clause and
    // rewrite every row of the table.
    ASSERT_TRUE(store->AddWhiteList({PathItem(L"C:\\Second", L"D:", true)}, false));
    LogCapture log;
    EXPECT_FALSE(Rename(kOld, kMount, OverLongPath(), 0x0001));
    EXPECT_TRUE(Logged(log, "errid = 18"));
    EXPECT_EQ((std::vector<std::string>{Row(kOld)[0], Row(L"C:\\Second")[0]}),
              Rows("whitelist"));
    EXPECT_FALSE(Rename(kOld, OverLongPath(), kNew, 0x0100));
    ExpectUnmoved({"fileprotect"});
}

TEST_F(RenamePath, QuotesInPathsAndMountPointsAreTextNotSql) {
    const std::wstring quoted = L"C:\\It's', pathhash = 0 WHERE 1 = 1; --";
    ASSERT_TRUE(Rename(kOld, kMount, quoted, 0x0001));
    EXPECT_EQ(Row(quoted), Rows("whitelist"));
    ExpectUnmoved({"rejectlist"});
    EXPECT_TRUE(Rename(quoted, L"C:' OR '1' = '1", kOld, 0x0001));
    EXPECT_EQ(Row(quoted), Rows("whitelist"));
}
