#include <gtest/gtest.h>

#include "RuleTestSupport.h"

namespace {

const std::wstring kOld = L"C:\\Projects\\Old";
const std::wstring kNew = L"C:\\Projects\\New";
const std::wstring kMount = L"C:";

ProtectFileItem Item(const std::wstring& path, const std::wstring& mount) {
    ProtectFileItem item;
    item.filepath = path;
    item.mountpoint = mount;
    item.bFile = true;
    return item;
}

// The same path in all four path tables.
class RenamePath : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store->AddWhiteList({Item(kOld, kMount)}, false));
        ASSERT_TRUE(store->AddWhiteList({Item(kOld, kMount)}, true));
        ASSERT_TRUE(store->AddRejectList({Item(kOld, kMount)}));
        // The protected-path table is another file's; its row is written here
        // in the form that table keeps.
        ASSERT_TRUE(db.Exec("INSERT INTO fileprotect VALUES (" + KeyText(kOld) + ", '" +
                            Narrow(kOld) + "', 0, 'C:', 1)"));
    }

    bool Rename(const std::wstring& from, const std::wstring& mount, const std::wstring& to,
                uint16_t kinds) {
        return store->RenamePath(from, mount, to, kinds);
    }

    // "<path>|<key>" of each row of a table, so a moved row shows both changes.
    std::vector<std::string> Rows(const std::string& table) {
        return db.Column("SELECT filepath || '|' || pathhash FROM " + table);
    }
    static std::string Row(const std::wstring& path) { return Narrow(path) + "|" + KeyText(path); }

    void ExpectUnmoved(const std::string& table) {
        EXPECT_EQ(std::vector<std::string>{Row(kOld)}, Rows(table)) << table;
    }

    IFileProtectCfgMgr* store = FreshStore();  // before db: it may create the file
    Db db;
};

}  // namespace

TEST_F(RenamePath, TheFirstListKindInPrecedenceIsTheOnlyTableMoved) {
    ASSERT_TRUE(Rename(kOld, kMount, kNew, 0x0011));
    EXPECT_EQ(std::vector<std::string>{Row(kNew)}, Rows("whitelist"));
    ExpectUnmoved("rejectlist");
    ExpectUnmoved("fileprotect");

    ASSERT_TRUE(Rename(kOld, kMount, kNew, 0x0110));
    EXPECT_EQ(std::vector<std::string>{Row(kNew)}, Rows("rejectlist"));
    ExpectUnmoved("fileprotect");

    ASSERT_TRUE(Rename(kOld, kMount, kNew, 0x0100));
    EXPECT_EQ(std::vector<std::string>{Row(kNew)}, Rows("fileprotect"));
    EXPECT_EQ("0", db.Scalar("SELECT bextention FROM fileprotect"));
    EXPECT_EQ("C:", db.Scalar("SELECT mountpoint FROM fileprotect"));
    ExpectUnmoved("const_whitelist");

    std::vector<ProtectFileItem> moved;
    ASSERT_TRUE(store->GetWhiteList(moved, false));
    ASSERT_EQ(1u, moved.size());
    EXPECT_EQ(kNew, moved[0].filepath);
    EXPECT_EQ(kMount, moved[0].mountpoint);
    EXPECT_TRUE(moved[0].bFile);
}

TEST_F(RenamePath, NothingToDoIsASuccessThatChangesNothing) {
    for (uint16_t kinds : {uint16_t(0), uint16_t(0x1000), uint16_t(0x0002), uint16_t(0xE0EE)})
        EXPECT_TRUE(Rename(kOld, kMount, kNew, kinds)) << kinds;
    EXPECT_TRUE(Rename(L"", kMount, kNew, 0x0111));
    EXPECT_TRUE(Rename(kOld, L"", kNew, 0x0111));
    EXPECT_TRUE(Rename(kOld, kMount, L"", 0x0111));
    // Not in the table, or there under another mount point (compared exactly).
    EXPECT_TRUE(Rename(L"C:\\Elsewhere", kMount, kNew, 0x0001));
    EXPECT_TRUE(Rename(kOld, L"D:", kNew, 0x0001));
    EXPECT_TRUE(Rename(kOld, L"c:", kNew, 0x0001));
    for (const char* table : {"whitelist", "const_whitelist", "rejectlist", "fileprotect"})
        ExpectUnmoved(table);
}

TEST_F(RenamePath, ConstantWhiteListNeverMoves) {
    EXPECT_TRUE(Rename(kOld, kMount, kNew, 0xFFFF));
    ExpectUnmoved("const_whitelist");
    EXPECT_EQ(std::vector<std::string>{Row(kNew)}, Rows("whitelist"));
}

TEST_F(RenamePath, ANewLetterCaseKeepsTheKeyAndRewritesTheText) {
    const std::wstring lower = L"c:\\projects\\old";
    ASSERT_TRUE(Rename(kOld, kMount, lower, 0x0010));
    EXPECT_EQ(std::vector<std::string>{Narrow(lower) + "|" + KeyText(kOld)}, Rows("rejectlist"));
}

TEST_F(RenamePath, ANewPathThatIsAlreadyARowLeavesTheTableUnchanged) {
    const std::wstring taken = L"C:\\Projects\\Taken";
    ASSERT_TRUE(store->AddRejectList({Item(taken, kMount)}));
    LogCapture log;
    EXPECT_TRUE(Rename(kOld, kMount, taken, 0x0010));
    EXPECT_EQ((std::vector<std::string>{Row(kOld), Row(taken)}), Rows("rejectlist"));
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(RenamePath, AnUpdateTooLongToFormatWholeUpdatesNothing) {
    // Cut at the limit, the statement would lose its WHERE clause and
    // rewrite every row of the table.
    ASSERT_TRUE(store->AddWhiteList({Item(L"C:\\Second", L"D:")}, false));
    LogCapture log;
    EXPECT_FALSE(Rename(kOld, kMount, OverLongPath(), 0x0001));
    EXPECT_TRUE(Logged(log, "errid = 18"));
    EXPECT_EQ((std::vector<std::string>{Row(kOld), Row(L"C:\\Second")}), Rows("whitelist"));

    EXPECT_FALSE(Rename(kOld, OverLongPath(), kNew, 0x0100));
    ExpectUnmoved("fileprotect");
}

TEST_F(RenamePath, QuotesInTheNewPathAreStoredAsWritten) {
    const std::wstring quoted = L"C:\\It's', pathhash = 0 WHERE 1 = 1; --";
    ASSERT_TRUE(Rename(kOld, kMount, quoted, 0x0001));
    EXPECT_EQ(std::vector<std::string>{Row(quoted)}, Rows("whitelist"));
    ExpectUnmoved("rejectlist");
    // And back, with a quote in the mount point of the lookup.
    EXPECT_TRUE(Rename(quoted, L"C:' OR '1' = '1", kOld, 0x0001));
    EXPECT_EQ(std::vector<std::string>{Row(quoted)}, Rows("whitelist"));
}
