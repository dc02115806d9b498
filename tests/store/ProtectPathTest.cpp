// Protected files, folders and extensions through the store interface, with
// a second connection looking at what reached the table.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/store/RuleTestSupport.h"

namespace {

class ProtectPaths : public ::testing::Test {
protected:
    // "filepath|bextention|mountpoint|bFile" of the row keyed by the path's hash.
    std::string Row(const std::wstring& path) const {
        return db.Scalar("SELECT filepath || '|' || bextention || '|' || "
                          "ifnull(mountpoint, 'NULL') || '|' || bFile FROM fileprotect "
                          "WHERE pathhash = " + KeyText(path));
    }
    std::string Count() const { return db.Scalar("SELECT count(*) FROM fileprotect"); }

    IFileProtectCfgMgr* store = FreshStore();  // before db: it may create the file
    Db db;
};

}  // namespace

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
