// Rows are keyed by a 32-bit hash, so two different paths can share a key.
// A path must never replace, remove, rename or add to another path's row
// through such a key: the operation is refused and the stored row stays.
#include <gtest/gtest.h>

#include <optional>

#include "tests/store/RuleTestSupport.h"

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
        EXPECT_EQ(Utf8(stored) + "|0|C:|0",
                  Row("fileprotect", "filepath || '|' || bextention || '|' || mountpoint || '|' || bFile"));
        for (const char* table : {"rejectlist", "whitelist", "const_whitelist"})
            EXPECT_EQ(Utf8(stored) + "|C:|1",
                      Row(table, "filepath || '|' || mountpoint || '|' || bFile")) << table;
        EXPECT_EQ(Utf8(stored) + "|5", Row("blocklist", "filepath || '|' || blockcount"));
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
    EXPECT_EQ(Utf8(stored) + "|6", Row("blocklist", "filepath || '|' || blockcount"));
    ASSERT_TRUE(store->AddRejectList({PathItem(stored, L"C:", true)}));
    ASSERT_TRUE(store->RenamePath(lower, L"C:", L"C:\\Moved", 0x0010));
    ASSERT_TRUE(store->DeleteRejectList({L"c:\\moved"}));
    EXPECT_EQ("0", Db().Scalar("SELECT count(*) FROM rejectlist"));
}

namespace {

std::string HexOf(const std::string& bytes) {
    std::string hex;
    for (unsigned char b : bytes) hex += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return hex;
}

// The one rule of a key claim, computed here independently of the store:
// the stored text is the path's own when the two UTF-8 texts are the same
// once a to z are upper-cased, and a row without a text is nobody's.
bool OwnRow(const std::optional<std::string>& stored, const std::wstring& path) {
    if (!stored) return true;
    std::string a = *stored, b = getHlpObj()->WideToUtf8(path);
    for (std::string* text : {&a, &b})
        for (char& c : *text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return a == b;
}

}  // namespace

// Every write and delete by path decides "own row or another path's" the
// same way, whatever the texts: the row another program left under the
// path's key is taken over only when it is the path's own.
TEST(KeyClaims, EveryOperationTellsItsOwnRowFromAnothersOverAwkwardTexts) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        const char* name;
        std::optional<std::string> stored;  // UTF-8 bytes of the planted row's text; none for NULL
        std::wstring path;
    } cases[] = {
        {"ASCII case", std::string("C:\\Data\\File.txt"), L"c:\\data\\FILE.TXT"},
        {"Latin beyond ASCII", std::string("C:\\Donn\xC3\xA9" "es"), L"C:\\DONN\u00c9ES"},
        {"sharp s", std::string("C:\\\xC3\x9F"), L"C:\\SS"},
        {"dotless i", std::string("C:\\\xC4\xB1"), L"C:\\I"},
        {"fullwidth", std::string("C:\\\xEF\xBD\x81"), L"C:\\\uFF21"},
        {"Greek", std::string("C:\\\xCF\x83"), L"C:\\\u03a3"},
        {"byte-order mark", std::string("\xEF\xBB\xBF" "C:\\x"), L"C:\\x"},
        {"byte-order marks", std::string("\xEF\xBB\xBF" "c:\\X"), L"\uFEFFC:\\x"},
        {"quotes", std::string("C:\\it's ''q''"), L"C:\\IT'S ''Q''"},
        {"lone surrogate", std::string("C:\\" + fffd + "a"), std::wstring(L"C:\\") + wchar_t(0xD800) + L"A"},
        {"long, same", std::string(400, 'a'), std::wstring(400, L'A')},
        {"long, last differs", std::string(399, 'a') + "b", std::wstring(400, L'A')},
        {"NUL inside the stored text", std::string("C:\\a\0b", 6), L"C:\\A"},
        {"no text", std::nullopt, L"C:\\Nobody"},
    };
    std::vector<PathOperation> operations = PathWrites();
    for (const PathOperation& remove : PathDeletes())
        if (remove.name != "DeleteBlockListByHash") operations.push_back(remove);
    for (const auto& c : cases) {
        const bool own = OwnRow(c.stored, c.path);
        const std::string planted = c.stored ? "CAST(X'" + HexOf(*c.stored) + "' AS TEXT)" : "NULL";
        for (const PathOperation& operation : operations) {
            SCOPED_TRACE(std::string(c.name) + ", " + operation.name);
            FreshStore();
            const std::string key = KeyText(c.path);
            const std::string rest = operation.table == "fileprotect" ? ", 0, 'M', 0)"
                                     : operation.table == "blocklist" ? ", 5)" : ", 'M', 0)";
            ASSERT_TRUE(Db().Exec("INSERT INTO " + operation.table + " VALUES (" + key + ", " +
                                  planted + rest));
            const std::string before = Db().Scalar("SELECT quote(filepath) FROM " + operation.table);
            LogCapture log;
            EXPECT_EQ(own, operation.run({c.path}));
            EXPECT_EQ(!own, Logged(log, "errid = 1555"));
            if (!own) {
                EXPECT_EQ(before, Db().Scalar("SELECT quote(filepath) FROM " + operation.table));
            }
        }
    }
}
