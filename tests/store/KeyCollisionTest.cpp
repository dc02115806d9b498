// Rows are keyed by a 32-bit hash, so two different paths can share a key.
// A path must never replace, remove, rename or add to another path's row
// through such a key: the operation is refused and the stored row stays.
#include <gtest/gtest.h>

#include <functional>

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

struct Refusal {
    const char* operation;
    std::function<bool(IFileProtectCfgMgr*, const std::wstring& collider)> run;
};

}  // namespace

TEST_F(KeyCollisions, NoOperationReachesAnotherPathsRowThroughItsKey) {
    const std::wstring mount = L"C:";
    ASSERT_TRUE(store->AddProtectFile({PathItem(stored, mount, false)}, false));
    ASSERT_TRUE(store->AddRejectList({PathItem(stored, mount, true)}));
    ASSERT_TRUE(store->AddWhiteList({PathItem(stored, mount, true)}, false));
    ASSERT_TRUE(store->AddWhiteList({PathItem(stored, mount, true)}, true));
    ASSERT_TRUE(store->AddBlockCount(stored, 5));

    const Refusal refusals[] = {
        {"AddProtectExtension", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->AddProtectExtension({c}); }},
        {"AddProtectFile", [&](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->AddProtectFile({PathItem(c, mount, true)}, true); }},
        {"DeleteProtectFile", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->DeleteProtectFile({c}, false); }},
        {"AddRejectList", [&](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->AddRejectList({PathItem(c, mount, false)}); }},
        {"DeleteRejectList", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->DeleteRejectList({c}); }},
        {"AddWhiteList", [&](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->AddWhiteList({PathItem(c, mount, false)}, false); }},
        {"AddWhiteList const", [&](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->AddWhiteList({PathItem(c, mount, false)}, true); }},
        {"DeleteWhiteList", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->DeleteWhiteList({c}, false); }},
        {"DeleteWhiteList const", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->DeleteWhiteList({c}, true); }},
        {"AddBlockCount", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->AddBlockCount(c, 3); }},
        {"IncreaseBlockCount", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->IncreaseBlockCount(c); }},
        {"AddBlockCountItem", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             BlockCountItem item;
             item.filepath = c;
             item.blockcount = 3;
             return s->AddBlockCountItem(item); }},
        {"DeleteBlockListItem", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->DeleteBlockListItem(c, true); }},
        {"DeleteBlockListItems", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->DeleteBlockListItems({c}); }},
        {"DeleteBlockList", [](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->DeleteBlockList({c}); }},
        {"RenamePath onto it", [&](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->AddRejectList({PathItem(L"C:\\Other", mount, true)}) &&
                    s->RenamePath(L"C:\\Other", mount, c, 0x0010); }},
        {"RenamePath from it", [&](IFileProtectCfgMgr* s, const std::wstring& c) {
             return s->RenamePath(c, mount, L"C:\\Moved", 0x0001); }},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.operation);
        LogCapture log;
        EXPECT_FALSE(refusal.run(store, collider));
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
