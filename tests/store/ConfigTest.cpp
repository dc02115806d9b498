#include <gtest/gtest.h>

#include "RuleTestSupport.h"

namespace {

const int32_t kSwitchesRow = 1;

struct Switches {
    bool enable, image, fileTypes, running, filesAndFolders;
};

Switches Read(const ProtectConfig& c) {
    return {c.bEnableProtect, c.bTEVRAImgProtct, c.bFileTypeProtct, c.bRuningDrv,
            c.bProtctFileAndFloder};
}

void ExpectDefaults(const ProtectConfig& c) {
    EXPECT_FALSE(c.bEnableProtect);
    EXPECT_TRUE(c.bTEVRAImgProtct);
    EXPECT_TRUE(c.bFileTypeProtct);
    EXPECT_FALSE(c.bRuningDrv);
    EXPECT_TRUE(c.bProtctFileAndFloder);
}

// The switches that a hand-written row 1 text parses to.
ProtectConfig ParseSwitches(IFileProtectCfgMgr* store, const std::wstring& text) {
    EXPECT_TRUE(store->SetConfig(kSwitchesRow, text));
    return store->GetProtectConfig();
}

}  // namespace

TEST(ProtectSwitches, DefaultsWithoutRowOne) {
    IFileProtectCfgMgr* store = FreshStore();
    ExpectDefaults(store->GetProtectConfig());

    const int32_t otherRow = 2;
    ASSERT_TRUE(store->SetConfig(otherRow, L"bEnableProtect:1"));
    ExpectDefaults(store->GetProtectConfig());
}

TEST(ProtectSwitches, EveryCombinationReadsBackAndIsStoredInTheFixedTextForm) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    for (int bits = 0; bits < 32; ++bits) {
        ProtectConfig written;
        written.bEnableProtect = bits & 1;
        written.bTEVRAImgProtct = bits & 2;
        written.bFileTypeProtct = bits & 4;
        written.bRuningDrv = bits & 8;
        written.bProtctFileAndFloder = bits & 16;
        ASSERT_TRUE(store->SetProtectConfig(written));

        Switches back = Read(store->GetProtectConfig());
        Switches want = Read(written);
        EXPECT_EQ(want.enable, back.enable) << bits;
        EXPECT_EQ(want.image, back.image) << bits;
        EXPECT_EQ(want.fileTypes, back.fileTypes) << bits;
        EXPECT_EQ(want.running, back.running) << bits;
        EXPECT_EQ(want.filesAndFolders, back.filesAndFolders) << bits;
        EXPECT_EQ(88u, db.Scalar("SELECT config FROM config WHERE id = 1").size());
    }
    EXPECT_EQ("1", db.Scalar("SELECT count(*) FROM config"));

    ASSERT_TRUE(store->SetProtectConfig(ProtectConfig()));
    EXPECT_EQ(
        "bEnableProtect:0,bTEVRAImgProtct:1,bFileTypeProtct:1,bProtctFileAndFloder:1,bRuningDrv:0",
        db.Scalar("SELECT config FROM config WHERE id = 1"));
    EXPECT_EQ(L"bEnableProtect:0,bTEVRAImgProtct:1,bFileTypeProtct:1,bProtctFileAndFloder:1,"
              L"bRuningDrv:0",
              store->GetConfig(kSwitchesRow));

    // One switch on, four off: each key carries its own field.
    ProtectConfig onlyRunning{false, false, false, true, false};
    ASSERT_TRUE(store->SetProtectConfig(onlyRunning));
    EXPECT_EQ(
        "bEnableProtect:0,bTEVRAImgProtct:0,bFileTypeProtct:0,bProtctFileAndFloder:0,bRuningDrv:1",
        db.Scalar("SELECT config FROM config WHERE id = 1"));
}

TEST(ProtectSwitches, KeysIgnoreLetterCaseValuesOtherThanZeroAreTrue) {
    IFileProtectCfgMgr* store = FreshStore();
    EXPECT_TRUE(ParseSwitches(store, L"BENABLEPROTECT:1").bEnableProtect);
    EXPECT_TRUE(ParseSwitches(store, L"benableprotect:1").bEnableProtect);
    for (const wchar_t* value : {L"true", L"false", L"00", L" 0"})
        EXPECT_TRUE(ParseSwitches(store, std::wstring(L"bRuningDrv:") + value).bRuningDrv)
            << Narrow(value);
    EXPECT_FALSE(ParseSwitches(store, L"bFileTypeProtct:0").bFileTypeProtct);
}

TEST(ProtectSwitches, ItemsAreSplitLikeTokensAndBadItemsLeaveDefaults) {
    IFileProtectCfgMgr* store = FreshStore();
    // The third piece of an item is ignored; runs of separators count as one.
    EXPECT_FALSE(ParseSwitches(store, L"bTEVRAImgProtct:0:1").bTEVRAImgProtct);
    EXPECT_FALSE(ParseSwitches(store, L",,bTEVRAImgProtct:0,,").bTEVRAImgProtct);
    EXPECT_FALSE(ParseSwitches(store, L"bTEVRAImgProtct::0").bTEVRAImgProtct);
    // No value, no key, or a blank before the key: the default stays.
    EXPECT_TRUE(ParseSwitches(store, L"bTEVRAImgProtct:").bTEVRAImgProtct);
    EXPECT_TRUE(ParseSwitches(store, L":0,bTEVRAImgProtct").bTEVRAImgProtct);
    EXPECT_TRUE(ParseSwitches(store, L" bTEVRAImgProtct:0").bTEVRAImgProtct);
    ExpectDefaults(ParseSwitches(store, L"not a switches text at all; DROP TABLE config"));
    ExpectDefaults(ParseSwitches(store, L"bUnknown:0,,,:::,"));
}

TEST(ProtectSwitches, AmongKeysOfOneNameTheOneSortingLastDecides) {
    IFileProtectCfgMgr* store = FreshStore();
    // Upper case sorts before mixed case, whatever the order in the text.
    EXPECT_TRUE(ParseSwitches(store, L"bEnableProtect:1,BENABLEPROTECT:0").bEnableProtect);
    EXPECT_FALSE(ParseSwitches(store, L"BENABLEPROTECT:1,bEnableProtect:0").bEnableProtect);
    // The same key twice: the later item replaces the earlier one.
    EXPECT_TRUE(ParseSwitches(store, L"bEnableProtect:0,bEnableProtect:1").bEnableProtect);
}

TEST(ProtectSwitches, DeletingRowOneBringsTheDefaultsBack) {
    IFileProtectCfgMgr* store = FreshStore();
    ASSERT_TRUE(store->SetProtectConfig(ProtectConfig{true, false, false, true, false}));
    ASSERT_TRUE(store->DeleteConfig(kSwitchesRow));
    ExpectDefaults(store->GetProtectConfig());
    EXPECT_TRUE(store->DeleteConfig(kSwitchesRow));  // no row left: still a success
}

TEST(ConfigRows, TextsAreStoredByIdReplacedAndDeleted) {
    IFileProtectCfgMgr* store = FreshStore();
    const int32_t seven = 7, negative = -3, missing = 99;
    const std::wstring unicode = L"Schl\u00fcssel \u4e2d\u6587 \U0001F512";
    ASSERT_TRUE(store->SetConfig(seven, L"first"));
    ASSERT_TRUE(store->SetConfig(negative, unicode));
    EXPECT_EQ(L"first", store->GetConfig(seven));
    EXPECT_EQ(unicode, store->GetConfig(negative));
    EXPECT_EQ(L"", store->GetConfig(missing));

    ASSERT_TRUE(store->SetConfig(seven, L"second"));
    EXPECT_EQ(L"second", store->GetConfig(seven));
    // An empty text does nothing, and says so with true.
    EXPECT_TRUE(store->SetConfig(seven, L""));
    EXPECT_EQ(L"second", store->GetConfig(seven));
    EXPECT_TRUE(store->SetConfig(missing, L""));
    EXPECT_EQ("0", Db().Scalar("SELECT count(*) FROM config WHERE id = 99"));

    ASSERT_TRUE(store->DeleteConfig(seven));
    EXPECT_EQ(L"", store->GetConfig(seven));
    EXPECT_EQ(unicode, store->GetConfig(negative));
    EXPECT_TRUE(store->DeleteConfig(missing));
}

TEST(ConfigRows, QuotesAreStoredAsWrittenAndRunNothingElse) {
    IFileProtectCfgMgr* store = FreshStore();
    const int32_t id = 5;
    const std::wstring text = L"it's'); DELETE FROM config; --";
    ASSERT_TRUE(store->SetConfig(kSwitchesRow, L"bEnableProtect:1"));
    ASSERT_TRUE(store->SetConfig(id, text));
    EXPECT_EQ(text, store->GetConfig(id));
    EXPECT_TRUE(store->GetProtectConfig().bEnableProtect);
    EXPECT_EQ("2", Db().Scalar("SELECT count(*) FROM config"));
}

TEST(ConfigRows, ATextTooLongForOneStatementIsRefusedWhole) {
    IFileProtectCfgMgr* store = FreshStore();
    const int32_t id = 6;
    const std::wstring fits(900, L'f');
    ASSERT_TRUE(store->SetConfig(id, fits));
    EXPECT_EQ(fits, store->GetConfig(id));

    LogCapture log;
    EXPECT_FALSE(store->SetConfig(id, std::wstring(2000, L'g')));
    EXPECT_TRUE(Logged(log, "errid = 18"));
    EXPECT_EQ(fits, store->GetConfig(id));  // the former text, not a cut new one
}

TEST(ConfigRows, TheScanEndsAtTheFirstRowWithoutText) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    ASSERT_TRUE(db.Exec("INSERT INTO config (id, config) VALUES (0, NULL)"));
    ASSERT_TRUE(db.Exec("INSERT INTO config (id, config) VALUES (1, 'bEnableProtect:1')"));
    ASSERT_TRUE(db.Exec("INSERT INTO config (id, config) VALUES (4, 'behind')"));
    const int32_t behind = 4;
    EXPECT_EQ(L"", store->GetConfig(behind));
    ExpectDefaults(store->GetProtectConfig());

    ASSERT_TRUE(db.Exec("DELETE FROM config WHERE id = 0"));
    EXPECT_EQ(L"behind", store->GetConfig(behind));
    EXPECT_TRUE(store->GetProtectConfig().bEnableProtect);
}

TEST(ConfigRows, AClosedStoreReportsFailureAndDefaults) {
    IFileProtectCfgMgr* store = FreshStore();
    const int32_t id = 8;
    ASSERT_TRUE(store->SetConfig(id, L"kept"));
    store->CloseDb();
    EXPECT_FALSE(store->SetConfig(id, L"lost"));
    EXPECT_FALSE(store->SetProtectConfig(ProtectConfig{true, true, true, true, true}));
    EXPECT_FALSE(store->DeleteConfig(id));
    EXPECT_EQ(L"", store->GetConfig(id));
    ExpectDefaults(store->GetProtectConfig());
    EXPECT_TRUE(store->GetFileTypeProtectList().empty());
    ASSERT_TRUE(store->InitDb());
    EXPECT_EQ(L"kept", store->GetConfig(id));
}

class FileTypes : public ::testing::Test {
protected:
    void SetUp() override { db.Exec("DROP TABLE IF EXISTS filetypeprotect"); }
    void TearDown() override { db.Exec("DROP TABLE IF EXISTS filetypeprotect"); }

    std::vector<std::wstring> ListFor(const std::string& firstRowValue) {
        db.Exec("DROP TABLE IF EXISTS filetypeprotect");
        db.Exec("CREATE TABLE filetypeprotect (id INTEGER PRIMARY KEY, filetype TEXT)");
        db.Exec("INSERT INTO filetypeprotect (filetype) VALUES (" + firstRowValue + ")");
        db.Exec("INSERT INTO filetypeprotect (filetype) VALUES ('SECOND;ROW')");
        return store->GetFileTypeProtectList();
    }

    IFileProtectCfgMgr* store = FreshStore();  // before db: it may create the file
    Db db;
};

TEST_F(FileTypes, FirstRowSplitAtSemicolonsWithoutEmptyPieces) {
    using List = std::vector<std::wstring>;
    EXPECT_EQ((List{L"DOC", L"XLS", L"PDF"}), ListFor("'DOC;XLS;;PDF'"));
    EXPECT_EQ((List{L".docx", L" x ls"}), ListFor("';;.docx; x ls;'"));
    EXPECT_EQ((List{L"\u6587\u6863"}), ListFor("'\xe6\x96\x87\xe6\xa1\xa3'"));
    EXPECT_TRUE(ListFor("';'").empty());
    EXPECT_TRUE(ListFor("''").empty());
    EXPECT_TRUE(ListFor("NULL").empty());
}

TEST_F(FileTypes, AMissingTableIsAnEmptyList) {
    EXPECT_TRUE(store->GetFileTypeProtectList().empty());
}
