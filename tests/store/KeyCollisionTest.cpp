// Rows are keyed by a 32-bit hash, so two different paths can share a key.
// A path must never replace, remove, rename or add to another path's row
// through such a key: the operation is refused and the stored row stays.
#include <gtest/gtest.h>

#include "RuleTestSupport.h"

namespace {

class KeyCollisions : public ::testing::Test {
protected:
    void SetUp() override {
        collider = ForgedCollider(stored, L"C:\\Forged\\");
        ASSERT_EQ(StoredKey(stored), StoredKey(collider));
    }
    // "filepath|..." of the row under the shared key, as SQLite has it.
    std::string Row(const std::string& table, const std::string& columns) const {
        return Db().Scalar("SELECT " + columns + " FROM " + table +
                           " WHERE pathhash = " + KeyText(stored));
    }

    IFileProtectCfgMgr* store = FreshStore();
    const std::wstring stored = L"C:\\Secret";
    std::wstring collider;
};

}  // namespace

TEST_F(KeyCollisions, NoOperationReachesAnotherPathsRowThroughItsKey) {
    const std::wstring mount = L"C:";
    ASSERT_TRUE(store->AddProtectFile({PathItem(stored, mount, false)}, false));
    ASSERT_TRUE(store->AddRejectList({PathItem(stored, mount, true)}));
    ASSERT_TRUE(store->AddWhiteList({PathItem(stored, mount, true)}, false));
    ASSERT_TRUE(store->AddWhiteList({PathItem(stored, mount, true)}, true));
    ASSERT_TRUE(store->AddBlockCount(stored, 5));

    std::vector<PathOperation> operations = PathWrites();
    for (const PathOperation& remove : PathDeletes())
        if (remove.name != "DeleteBlockListByHash") operations.push_back(remove);  // names a key, not a path
    operations.push_back({"RenamePath onto it", "", false, 0, [&](const Wides& c) {
                              return store->AddRejectList({PathItem(L"C:\\Other", mount, true)}) &&
                                     store->RenamePath(L"C:\\Other", mount, c[0], 0x0010);
                          }});
    operations.push_back({"RenamePath from it", "", false, 0, [&](const Wides& c) {
                              return store->RenamePath(c[0], mount, L"C:\\Moved", 0x0001);
                          }});
    for (const PathOperation& operation : operations) {
        SCOPED_TRACE(operation.name);
        LogCapture log;
        EXPECT_FALSE(operation.run({collider}));
        EXPECT_TRUE(Logged(log, "errid = 1555"));
        EXPECT_EQ(Narrow(stored) + "|0|C:|0",
                  Row("fileprotect", "filepath || '|' || bextention || '|' || mountpoint || '|' || bFile"));
        for (const char* table : {"rejectlist", "whitelist", "const_whitelist"})
            EXPECT_EQ(Narrow(stored) + "|C:|1",
                      Row(table, "filepath || '|' || mountpoint || '|' || bFile")) << table;
        EXPECT_EQ(Narrow(stored) + "|5", Row("blocklist", "filepath || '|' || blockcount"));
    }
    EXPECT_EQ("C:\\Other", Db().Scalar("SELECT filepath FROM rejectlist WHERE pathhash = " +
                                       KeyText(L"C:\\Other")));
}

TEST_F(KeyCollisions, TheSamePathInAnotherAsciiCaseStillReachesItsRow) {
    std::wstring lower = stored;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    ASSERT_NE(lower, stored);
    ASSERT_TRUE(store->AddBlockCount(stored, 5));
    ASSERT_TRUE(store->IncreaseBlockCount(lower));
    EXPECT_EQ(Narrow(stored) + "|6", Row("blocklist", "filepath || '|' || blockcount"));
    ASSERT_TRUE(store->AddRejectList({PathItem(stored, L"C:", true)}));
    ASSERT_TRUE(store->RenamePath(lower, L"C:", L"C:\\Moved", 0x0010));
    ASSERT_TRUE(store->DeleteRejectList({L"c:\\moved"}));
    EXPECT_EQ("0", Db().Scalar("SELECT count(*) FROM rejectlist"));
}
