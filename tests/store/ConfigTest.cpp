// The config table, the protection switches of its row 1, and the file-type list.
#include <gtest/gtest.h>

#include "tests/store/RuleTestSupport.h"

namespace {

const int32_t kSwitchesRow = 1;

bool SameSwitches(const ProtectConfig& a, const ProtectConfig& b) {
    return a.bEnableProtect == b.bEnableProtect && a.bTEVRAImgProtct == b.bTEVRAImgProtct &&
           a.bFileTypeProtct == b.bFileTypeProtct && a.bRuningDrv == b.bRuningDrv &&
           a.bProtctFileAndFloder == b.bProtctFileAndFloder;
}

const ProtectConfig kDefaults{false, true, true, false, true};

}  // namespace

TEST(ProtectSwitches, EveryCombinationReadsBackFromTheFixedTextForm) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    for (int bits = 0; bits < 32; ++bits) {
        ProtectConfig written{bool(bits & 1), bool(bits & 2), bool(bits & 4), bool(bits & 8),
                              bool(bits & 16)};
        ASSERT_TRUE(store->SetProtectConfig(written));
        EXPECT_TRUE(SameSwitches(written, store->GetProtectConfig())) << bits;
    }
    EXPECT_EQ("1", db.Scalar("SELECT count(*) FROM config"));
    // The text lists bProtctFileAndFloder before bRuningDrv, unlike the record.
    ASSERT_TRUE(store->SetProtectConfig(ProtectConfig{false, false, false, true, false}));
    EXPECT_EQ(
        "bEnableProtect:0,bTEVRAImgProtct:0,bFileTypeProtct:0,bProtctFileAndFloder:0,bRuningDrv:1",
        db.Scalar("SELECT config FROM config WHERE id = 1"));
    ASSERT_TRUE(store->SetProtectConfig(kDefaults));
    EXPECT_EQ(L"bEnableProtect:0,bTEVRAImgProtct:1,bFileTypeProtct:1,bProtctFileAndFloder:1,"
              L"bRuningDrv:0",
              store->GetConfig(kSwitchesRow));
}

TEST(ProtectSwitches, HandWrittenTextsParseItemByItemAndAnythingElseGivesTheDefaults) {
    IFileProtectCfgMgr* store = FreshStore();
    EXPECT_TRUE(SameSwitches(kDefaults, store->GetProtectConfig()));
    ASSERT_TRUE(store->SetConfig(2, L"bEnableProtect:1"));  // only row one holds the switches
    struct Case {
        const wchar_t* text;
        bool ProtectConfig::*field;
        bool expected;
    };
    const Case cases[] = {
        {L"BENABLEPROTECT:1", &ProtectConfig::bEnableProtect, true},  // any letter case
        {L"benableprotect:1", &ProtectConfig::bEnableProtect, true},
        {L"bRuningDrv:true", &ProtectConfig::bRuningDrv, true},  // anything but "0" is true
        {L"bRuningDrv:false", &ProtectConfig::bRuningDrv, true},
        {L"bRuningDrv:00", &ProtectConfig::bRuningDrv, true},
        {L"bRuningDrv: 0", &ProtectConfig::bRuningDrv, true},
        {L"bTEVRAImgProtct:0:1", &ProtectConfig::bTEVRAImgProtct, false},  // third piece ignored
        {L",,bTEVRAImgProtct:0,,", &ProtectConfig::bTEVRAImgProtct, false},
        {L"bTEVRAImgProtct::0", &ProtectConfig::bTEVRAImgProtct, false},
        {L"bTEVRAImgProtct:", &ProtectConfig::bTEVRAImgProtct, true},  // no value: default
        {L":0,bTEVRAImgProtct", &ProtectConfig::bTEVRAImgProtct, true},
        {L" bTEVRAImgProtct:0", &ProtectConfig::bTEVRAImgProtct, true},  // blanks are kept
        // Keys go through a map: upper case sorts first, the last key walked decides.
        {L"bEnableProtect:1,BENABLEPROTECT:0", &ProtectConfig::bEnableProtect, true},
        {L"BENABLEPROTECT:1,bEnableProtect:0", &ProtectConfig::bEnableProtect, false},
        {L"bEnableProtect:0,bEnableProtect:1", &ProtectConfig::bEnableProtect, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(store->SetConfig(kSwitchesRow, c.text));
        EXPECT_EQ(c.expected, store->GetProtectConfig().*c.field) << Utf8(c.text);
    }
    for (const wchar_t* junk : {L"not switches; DROP TABLE config", L"bUnknown:0,,,:::,"}) {
        ASSERT_TRUE(store->SetConfig(kSwitchesRow, junk));
        EXPECT_TRUE(SameSwitches(kDefaults, store->GetProtectConfig())) << Utf8(junk);
    }
    ASSERT_TRUE(store->DeleteConfig(kSwitchesRow));
    EXPECT_TRUE(SameSwitches(kDefaults, store->GetProtectConfig()));
    EXPECT_TRUE(store->DeleteConfig(kSwitchesRow));  // no row left: still a success
}

TEST(ConfigRows, TextsByIdAreStoredReplacedAndDeletedVerbatim) {
    IFileProtectCfgMgr* store = FreshStore();
    const int32_t seven = 7, negative = -3, missing = 99;
    const std::wstring other = L"\u4e2d\u6587 \U0001F512";
    ASSERT_TRUE(store->SetConfig(seven, L"first"));
    ASSERT_TRUE(store->SetConfig(negative, other));
    ASSERT_TRUE(store->SetConfig(seven, L"second"));
    EXPECT_EQ(L"second", store->GetConfig(seven));
    EXPECT_EQ(other, store->GetConfig(negative));
    EXPECT_EQ(L"", store->GetConfig(missing));

    // An empty text does nothing, and says so with true.
    EXPECT_TRUE(store->SetConfig(seven, L""));
    EXPECT_TRUE(store->SetConfig(missing, L""));
    EXPECT_EQ(L"second", store->GetConfig(seven));
    EXPECT_EQ("2", Db().Scalar("SELECT count(*) FROM config"));

    ASSERT_TRUE(store->DeleteConfig(seven));
    EXPECT_TRUE(store->DeleteConfig(missing));
    EXPECT_EQ(L"", store->GetConfig(seven));
    EXPECT_EQ(other, store->GetConfig(negative));
}

TEST(FileTypes, FirstRowSplitAtSemicolonsAndAMissingTableIsEmpty) {
    IFileProtectCfgMgr* store = FreshStore();
    Db db;
    // Another component owns this table; the store only reads it.
    auto listFor = [&](const std::string& firstRow) {
        db.Exec("DROP TABLE IF EXISTS filetypeprotect");
        db.Exec("CREATE TABLE filetypeprotect (id INTEGER PRIMARY KEY, filetype TEXT)");
        db.Exec("INSERT INTO filetypeprotect (filetype) VALUES (" + firstRow + "), ('SECOND')");
        return store->GetFileTypeProtectList();
    };
    EXPECT_EQ((Wides{L"DOC", L"XLS", L"PDF"}), listFor("'DOC;XLS;;PDF'"));
    EXPECT_EQ((Wides{L".docx", L" x ls", L"\u6587"}), listFor("';;.docx; x ls;\xe6\x96\x87;'"));
    EXPECT_TRUE(listFor("';'").empty());
    EXPECT_TRUE(listFor("''").empty());
    EXPECT_TRUE(listFor("NULL").empty());
    db.Exec("DROP TABLE filetypeprotect");
    EXPECT_TRUE(store->GetFileTypeProtectList().empty());
}
