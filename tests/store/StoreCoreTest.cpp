#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>

#include "TestSupport.h"

namespace {

// Every test starts and ends on a machine without a rule database.
class StoreCore : public ::testing::Test {
protected:
    void SetUp() override { DeleteStoreFiles(); }
    void TearDown() override {
        DeleteStoreFiles();
        RemoveDirectoryW(StoreDatabasePath().c_str());  // a test may have put a folder there
    }
    // The data folder, for tests that place something where the database goes.
    static void CreateDataFolder() {
        std::wstring db = StoreDatabasePath();
        CreateDirectoryW(db.substr(0, db.rfind(L'\\')).c_str(), nullptr);
    }
    IFileProtectCfgMgr* store = getFileProtectDbMgr();
};

std::string Columns(const Db& db, const std::string& table) {
    std::vector<std::string> columns =
        db.Column("SELECT name || ' ' || type FROM pragma_table_info('" + table + "')");
    std::string joined;
    for (const std::string& c : columns) joined += (joined.empty() ? "" : ", ") + c;
    return joined;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST_F(StoreCore, FirstOpenCreatesTheFileTheSixTablesInOrderAndThePragmas) {
    ASSERT_TRUE(store->InitDb());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(StoreDatabasePath().c_str()));

    Db db;
    EXPECT_EQ((std::vector<std::string>{"fileprotect", "rejectlist", "whitelist", "config",
                                         "blocklist", "const_whitelist"}),
              db.Column("SELECT name FROM sqlite_master WHERE type='table' ORDER BY rowid"));
    EXPECT_EQ("pathhash INT, filepath TEXT, bextention INT, mountpoint TEXT, bFile INT",
              Columns(db, "fileprotect"));
    EXPECT_EQ("id INTEGER, config TEXT", Columns(db, "config"));
    EXPECT_EQ("pathhash INT, filepath TEXT, blockcount INT", Columns(db, "blocklist"));
    EXPECT_EQ("pathhash INT, filepath TEXT, mountpoint TEXT, bFile INT",
              Columns(db, "const_whitelist"));
    // pathhash is a unique key, not the rowid.
    EXPECT_EQ("1", db.Scalar("SELECT count(*) FROM sqlite_master WHERE type='index' AND "
                             "tbl_name='fileprotect'"));
    EXPECT_EQ("wal", db.Scalar("PRAGMA journal_mode"));
    EXPECT_EQ("UTF-8", db.Scalar("PRAGMA encoding"));
}

TEST_F(StoreCore, ReopeningKeepsRowsAndTablesAsTheyWere) {
    ASSERT_TRUE(store->InitDb());
    {
        Db db;
        ASSERT_TRUE(db.Exec("INSERT INTO config (id, config) VALUES (7, 'kept')"));
    }
    store->CloseDb();
    store->CloseDb();  // a second close does nothing
    ASSERT_TRUE(store->InitDb());
    ASSERT_TRUE(store->InitDb());  // reopening an open store replaces its connection

    Db db;
    EXPECT_EQ("kept", db.Scalar("SELECT config FROM config WHERE id = 7"));
    EXPECT_EQ("6", db.Scalar("SELECT count(*) FROM sqlite_master WHERE type='table'"));
}

TEST_F(StoreCore, AnExistingTableKeepsItsOwnColumns) {
    {
        CreateDataFolder();
        sqlite3* raw = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(Narrow(StoreDatabasePath()).c_str(), &raw));
        sqlite3_exec(raw, "CREATE TABLE blocklist (pathhash INT PRIMARY KEY, note TEXT)", nullptr,
                     nullptr, nullptr);
        sqlite3_close(raw);
    }
    ASSERT_TRUE(store->InitDb());
    Db db;
    EXPECT_EQ("pathhash INT, note TEXT", Columns(db, "blocklist"));
    EXPECT_EQ("6", db.Scalar("SELECT count(*) FROM sqlite_master WHERE type='table'"));
}

TEST_F(StoreCore, OpenStoreReportsVersionAndTruncatesTheLogOnCheckpoint) {
    ASSERT_TRUE(store->InitDb());
    EXPECT_TRUE(std::regex_match(store->GetSqliteVersion(), std::regex("\\d+\\.\\d+\\.\\d+")));
    {
        Db db;
        ASSERT_TRUE(db.Exec("INSERT INTO config (id, config) VALUES (1, 'x')"));
    }
    EXPECT_TRUE(store->CheckpointDb());
    WIN32_FILE_ATTRIBUTE_DATA wal = {};
    ASSERT_TRUE(GetFileAttributesExW((StoreDatabasePath() + L"-wal").c_str(),
                                     GetFileExInfoStandard, &wal));
    EXPECT_EQ(0u, wal.nFileSizeLow);
}

TEST_F(StoreCore, AnUnopenableDatabaseIsLoggedWithTheTagOfItsPlace) {
    // A folder where the file should be: SQLite cannot open it.
    CreateDataFolder();
    ASSERT_TRUE(CreateDirectoryW(StoreDatabasePath().c_str(), nullptr));
    LogCapture log;
    EXPECT_FALSE(store->InitDb());
    EXPECT_TRUE(Contains(log.Lines(), "FileProtectCfgMgr.cpp(172) create db fail"));
}

TEST_F(StoreCore, AFailedStatementIsLoggedWithItsTextAndCode) {
    // Not a database at all: the first pragma that reads the file fails.
    CreateDataFolder();
    {
        std::ofstream junk(StoreDatabasePath().c_str(), std::ios::binary);
        junk << std::string(4096, 'j');
    }
    LogCapture log;
    EXPECT_FALSE(store->InitDb());
    std::vector<std::string> lines = log.Lines();
    EXPECT_TRUE(Contains(lines,
                         "FileProtectCfgMgr.cpp(1829) ,option str=PRAGMA journal_mode=WAL;,errid = 26"));
    EXPECT_TRUE(Contains(lines, "FileProtectCfgMgr.cpp(172) create db fail"));
}

TEST_F(StoreCore, ATableThatCannotBeCreatedStopsTheSetUpAndIsLogged) {
    // An index already owns the name of the second table.
    {
        CreateDataFolder();
        sqlite3* raw = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(Narrow(StoreDatabasePath()).c_str(), &raw));
        sqlite3_exec(raw, "CREATE TABLE other (x); CREATE INDEX rejectlist ON other (x);", nullptr,
                     nullptr, nullptr);
        sqlite3_close(raw);
    }
    LogCapture log;
    EXPECT_FALSE(store->InitDb());
    std::vector<std::string> lines = log.Lines();
    EXPECT_TRUE(Contains(lines,
                         "FileProtectCfgMgr.cpp(1829) ,option str=create table if not exists "
                         "'rejectlist' (pathhash INT PRIMARY KEY, filepath TEXT, mountpoint TEXT, "
                         "bFile INT),errid = 1"));
    EXPECT_TRUE(Contains(lines, "FileProtectCfgMgr.cpp(178) create db execl fail"));
    Db db;
    EXPECT_EQ("1", db.Scalar("SELECT count(*) FROM sqlite_master WHERE name='fileprotect'"));
    EXPECT_EQ("0", db.Scalar("SELECT count(*) FROM sqlite_master WHERE name='whitelist'"));
}

TEST_F(StoreCore, AProcessEndsPromptlyWhileAnotherOfItsThreadsIsInTheStore) {
    ASSERT_TRUE(store->InitDb());
    // The worker is caught inside an operation most of the time; a few runs
    // make it all but certain that at least one ends that way.
    for (int run = 0; run < 4; ++run) EXPECT_EQ(0, RunChild(L"store_exit_busy", L"", 30000)) << run;
}

TEST_F(StoreCore, UnloadingTheLibraryClosesTheConnection) {
    ASSERT_TRUE(store->InitDb());
    store->CloseDb();  // only the child may hold the file
    EXPECT_EQ(0, RunChild(L"store_unload", L"\"" + StoreDatabasePath() + L"\""));
}

TEST_F(StoreCore, WithoutACommonDataFolderNoDatabaseIsOpened) {
    // The shell cannot give the folder when its registry entry is empty.
    class EmptyCommonDataEntry {
    public:
        EmptyCommonDataEntry() {
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_);
            DWORD size = sizeof(saved_);
            RegQueryValueExW(key_, kValue, nullptr, &type_, reinterpret_cast<BYTE*>(saved_), &size);
            savedSize_ = size;
            RegSetValueExW(key_, kValue, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(L""), 2);
        }
        ~EmptyCommonDataEntry() {
            RegSetValueExW(key_, kValue, 0, type_, reinterpret_cast<const BYTE*>(saved_), savedSize_);
            RegCloseKey(key_);
        }

    private:
        const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
        const wchar_t* kValue = L"Common AppData";
        HKEY key_ = nullptr;
        DWORD type_ = REG_EXPAND_SZ;
        wchar_t saved_[MAX_PATH] = {};
        DWORD savedSize_ = 0;
    };

    // Where a relative fallback would land: the root of the current drive.
    const std::wstring folder = MakeTempFolder(L"no-common-data");
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder.c_str());
    const std::wstring rootDb = folder.substr(0, 2) + L"\\TevraZQ\\FileProtect.db";
    LogCapture log;
    bool opened = false;
    {
        EmptyCommonDataEntry empty;
        opened = store->InitDb();
    }
    SetCurrentDirectoryW(previous);
    store->CloseDb();
    const bool landedAtRoot = GetFileAttributesW(rootDb.c_str()) != INVALID_FILE_ATTRIBUTES;
    for (const wchar_t* suffix : {L"", L"-wal", L"-shm"}) DeleteFileW((rootDb + suffix).c_str());
    RemoveDirectoryW(rootDb.substr(0, rootDb.rfind(L'\\')).c_str());

    EXPECT_FALSE(opened);
    EXPECT_FALSE(landedAtRoot);
    EXPECT_TRUE(Contains(log.Lines(), "FileProtectCfgMgr.cpp(172) create db fail"));
}
