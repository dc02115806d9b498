// Opening, setting up, closing and unloading the store.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <regex>

#include "tests/store/RuleTestSupport.h"

namespace {

// Every test starts and ends on a machine without a rule database.
class StoreCore : public ::testing::Test {
protected:
    void SetUp() override { DeleteStoreFiles(); }
    void TearDown() override {
        DeleteStoreFiles();
        RemoveDirectoryW(fileprotect::RuleDatabasePath(getHlpObj()).c_str());  // a test may have put a folder there
    }
    static void CreateDataFolder() {
        std::wstring db = fileprotect::RuleDatabasePath(getHlpObj());
        CreateDirectoryW(db.substr(0, db.rfind(L'\\')).c_str(), nullptr);
    }
    // Runs SQL on the database file before the store has opened it.
    static void Prepare(const char* sql) {
        CreateDataFolder();
        sqlite3* raw = nullptr;
        sqlite3_open(Utf8(fileprotect::RuleDatabasePath(getHlpObj())).c_str(), &raw);
        sqlite3_exec(raw, sql, nullptr, nullptr, nullptr);
        sqlite3_close(raw);
    }
    IFileProtectCfgMgr* store = getFileProtectDbMgr();
};

std::string Columns(const Db& db, const std::string& table) {
    std::string joined;
    for (const std::string& c :
         db.Column("SELECT name || ' ' || type FROM pragma_table_info('" + table + "')"))
        joined += (joined.empty() ? "" : ", ") + c;
    return joined;
}

const char kOpenFailed[] = "FileProtectCfgMgr.cpp(172) create db fail";

}  // namespace

TEST_F(StoreCore, FirstOpenCreatesTheSixTablesInOrderWithThePragmas) {
    ASSERT_TRUE(store->InitDb());
    Db db;
    Rows schema;
    for (const std::string& table :
         db.Column("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid"))
        schema.push_back(table + ": " + Columns(db, table));
    EXPECT_EQ((Rows{"fileprotect: pathhash INT, filepath TEXT, bextention INT, mountpoint TEXT, bFile INT",
                    "rejectlist: pathhash INT, filepath TEXT, mountpoint TEXT, bFile INT",
                    "whitelist: pathhash INT, filepath TEXT, mountpoint TEXT, bFile INT",
                    "config: id INTEGER, config TEXT",
                    "blocklist: pathhash INT, filepath TEXT, blockcount INT",
                    "const_whitelist: pathhash INT, filepath TEXT, mountpoint TEXT, bFile INT"}),
              schema);
    // Each pathhash is a unique key, not the rowid.
    EXPECT_EQ("5", db.Scalar("SELECT count(*) FROM sqlite_master WHERE type='index'"));
    EXPECT_EQ("wal", db.Scalar("PRAGMA journal_mode"));
    EXPECT_EQ("UTF-8", db.Scalar("PRAGMA encoding"));
    EXPECT_TRUE(std::regex_match(store->GetSqliteVersion(), std::regex("\\d+\\.\\d+\\.\\d+")));

    ASSERT_TRUE(db.Exec("INSERT INTO config (id, config) VALUES (1, 'x')"));
    EXPECT_TRUE(store->CheckpointDb());  // truncates the log
    WIN32_FILE_ATTRIBUTE_DATA wal = {};
    ASSERT_TRUE(GetFileAttributesExW((fileprotect::RuleDatabasePath(getHlpObj()) + L"-wal").c_str(),
                                     GetFileExInfoStandard, &wal));
    EXPECT_EQ(0u, wal.nFileSizeLow);
}

TEST_F(StoreCore, ReopeningKeepsRowsAndExistingTablesAsTheyWere) {
    Prepare("CREATE TABLE blocklist (pathhash INT PRIMARY KEY, note TEXT)");
    ASSERT_TRUE(store->InitDb());
    ASSERT_TRUE(Db().Exec("INSERT INTO config (id, config) VALUES (7, 'kept')"));
    store->CloseDb();
    store->CloseDb();  // a second close does nothing
    ASSERT_TRUE(store->InitDb());
    ASSERT_TRUE(store->InitDb());  // reopening an open store replaces its connection

    Db db;
    EXPECT_EQ("kept", db.Scalar("SELECT config FROM config WHERE id = 7"));
    EXPECT_EQ("pathhash INT, note TEXT", Columns(db, "blocklist"));
    EXPECT_EQ("6", db.Scalar("SELECT count(*) FROM sqlite_master WHERE type='table'"));
}

TEST_F(StoreCore, AFailedOpenIsLoggedWithTheTagOfItsPlaceAndTheStatement) {
    const struct {
        const char* name;
        std::function<void()> place;
        Rows logged;
    } cases[] = {
        {"a folder where the file goes",
         [] {
             CreateDataFolder();
             CreateDirectoryW(fileprotect::RuleDatabasePath(getHlpObj()).c_str(), nullptr);
         },
         {kOpenFailed}},
        {"not a database",
         [] {
             CreateDataFolder();
             std::ofstream(fileprotect::RuleDatabasePath(getHlpObj()).c_str(), std::ios::binary) << std::string(4096, 'j');
         },
         {"FileProtectCfgMgr.cpp(1829) ,option str=PRAGMA journal_mode=WAL;,errid = 26",
          kOpenFailed}},
        {"an index owns the second table's name",
         [] { Prepare("CREATE TABLE other (x); CREATE INDEX rejectlist ON other (x);"); },
         {"FileProtectCfgMgr.cpp(1829) ,option str=create table if not exists 'rejectlist' "
          "(pathhash INT PRIMARY KEY, filepath TEXT, mountpoint TEXT, bFile INT),errid = 1",
          "FileProtectCfgMgr.cpp(178) create db execl fail"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        c.place();
        LogCapture log;
        EXPECT_FALSE(store->InitDb());
        for (const std::string& line : c.logged) EXPECT_TRUE(log.Has(line)) << line;
    }
    // The set-up stopped at the table it could not create.
    Db db;
    EXPECT_EQ("1", db.Scalar("SELECT count(*) FROM sqlite_master WHERE name='fileprotect'"));
    EXPECT_EQ("0", db.Scalar("SELECT count(*) FROM sqlite_master WHERE name='whitelist'"));
}

TEST_F(StoreCore, AFailedReadIsLoggedWithItsQueryAndCause) {
    // Tables made by some other program, without the columns the reads name.
    Prepare("CREATE TABLE fileprotect (pathhash INT PRIMARY KEY);"
            "CREATE TABLE rejectlist (pathhash INT PRIMARY KEY);"
            "CREATE TABLE whitelist (pathhash INT PRIMARY KEY);"
            "CREATE TABLE config (id INTEGER PRIMARY KEY);"
            "CREATE TABLE blocklist (pathhash INT PRIMARY KEY);"
            "CREATE TABLE const_whitelist (pathhash INT PRIMARY KEY);");
    ASSERT_TRUE(store->InitDb());
    IFileProtectCfgMgr* s = store;
    Items items;
    Wides texts;
    std::vector<BlockCountItem> blocks;
    const std::pair<std::function<void()>, const char*> reads[] = {
        {[&] { s->GetProtectPathList(texts); }, "SELECT pathhash, filepath FROM fileprotect"},
        {[&] { s->GetProtectFileList(items, texts); },
         "SELECT pathhash, filepath, bextention, mountpoint, bFile FROM fileprotect"},
        {[&] { s->GetRejectList(items); }, "SELECT pathhash, filepath, mountpoint, bFile FROM rejectlist"},
        {[&] { s->GetWhiteList(items, false); },
         "SELECT pathhash, filepath, mountpoint, bFile FROM whitelist"},
        {[&] { s->GetWhiteList(items, true); },
         "SELECT pathhash, filepath, mountpoint, bFile FROM const_whitelist"},
        {[&] { s->GetBlockList(blocks); }, "SELECT pathhash, filepath, blockcount FROM blocklist"},
        {[&] { CountOf(L"C:\\A"); }, "SELECT pathhash, filepath, blockcount FROM blocklist"},
        {[&] { s->GetConfig(3); }, "SELECT id, config FROM config"},
        {[&] { s->GetProtectConfig(); }, "SELECT id, config FROM config"},
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(read.second);
        LogCapture log;
        read.first();
        // SQLite's "no such column" is its generic error, 1.
        EXPECT_TRUE(log.Has(std::string("FileProtectCfgMgr.cpp(1829) ,option str=") + read.second +
                            ",errid = 1"));
    }
    // The file-type table belongs to another component; that it is missing is no fault.
    LogCapture log;
    EXPECT_TRUE(s->GetFileTypeProtectList().empty());
    EXPECT_TRUE(log.Lines().empty());
}

TEST_F(StoreCore, AProcessEndsPromptlyWhileAnotherOfItsThreadsIsInTheStore) {
    ASSERT_TRUE(store->InitDb());
    // The worker is caught inside an operation most of the time; a few runs
    // make it all but certain that at least one ends that way.
    for (int run = 0; run < 4; ++run) EXPECT_EQ(0, RunChild(L"store_peer", L"exit-busy", 30000));
}

TEST_F(StoreCore, UnloadingTheLibraryClosesTheConnection) {
    ASSERT_TRUE(store->InitDb());
    store->CloseDb();  // only the child may hold the file
    EXPECT_EQ(0, RunChild(L"store_unload", L"\"" + fileprotect::RuleDatabasePath(getHlpObj()) + L"\""));
}

TEST_F(StoreCore, WithoutACommonDataFolderNoDatabaseIsOpened) {
    // The shell cannot give the folder when its registry entry is empty. A
    // relative fallback would land at the root of the current drive.
    const wchar_t* kValue = L"Common AppData";
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                  0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    wchar_t saved[MAX_PATH] = {};
    DWORD type = REG_EXPAND_SZ, size = sizeof(saved);
    RegQueryValueExW(key, kValue, nullptr, &type, reinterpret_cast<BYTE*>(saved), &size);
    const std::wstring folder = MakeTempFolder(L"no-common-data");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder.c_str());
    const std::wstring rootDb = folder.substr(0, 2) + L"\\TevraZQ\\FileProtect.db";

    LogCapture log;
    RegSetValueExW(key, kValue, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L""), 2);
    const bool opened = store->InitDb();
    RegSetValueExW(key, kValue, 0, type, reinterpret_cast<const BYTE*>(saved), size);
    RegCloseKey(key);
    SetCurrentDirectoryW(previous);
    store->CloseDb();
    const bool landedAtRoot = GetFileAttributesW(rootDb.c_str()) != INVALID_FILE_ATTRIBUTES;
    for (const wchar_t* suffix : {L"", L"-wal", L"-shm"}) DeleteFileW((rootDb + suffix).c_str());
    RemoveDirectoryW(rootDb.substr(0, rootDb.rfind(L'\\')).c_str());

    EXPECT_FALSE(opened);
    EXPECT_FALSE(landedAtRoot);
    EXPECT_TRUE(log.Has(kOpenFailed));
}
