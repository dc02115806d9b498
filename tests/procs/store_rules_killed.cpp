// Child that is terminated by its parent while it holds an open write
// transaction on the rule database.
//   store_rules_killed.exe raw <ready event name>
//     A connection of its own inserts rows and changes a row, then signals
//     and waits, never committing.
//   store_rules_killed.exe store <ready event name>
//     Adds one to two paths per list call through the store, for ever;
//     signals after the first call.
#include <string>

#include "TestSupport.h"

namespace {

void Signal(const wchar_t* name) {
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, name);
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
}

int HoldRawTransaction(const wchar_t* readyName) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(Narrow(StoreDatabasePath()).c_str(), &db, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK)
        return 101;
    sqlite3_busy_timeout(db, 60000);
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return 102;
    for (int i = 0; i < 200; ++i) {
        std::string sql = "INSERT INTO blocklist VALUES (" + std::to_string(1000000 + i) +
                          ", 'C:\\Killed\\" + std::to_string(i) + "', 1)";
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return 103;
    }
    if (sqlite3_exec(db, "UPDATE blocklist SET blockcount = 9999", nullptr, nullptr, nullptr) !=
        SQLITE_OK)
        return 104;
    Signal(readyName);
    Sleep(INFINITE);
    return 0;
}

int AddPairsForEver(const wchar_t* readyName) {
    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    if (!store->InitDb()) return 101;
    BlockCountItem left, right;
    left.filepath = L"C:\\Pair\\Left";
    left.blockcount = 1;
    right.filepath = L"C:\\Pair\\Right";
    right.blockcount = 1;
    for (bool first = true;; first = false) {
        if (!store->AddBlockCountList({left, right})) return 105;
        if (first) Signal(readyName);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 100;
    const std::string mode = argv[1];
    const std::wstring ready = Wide(argv[2]);
    if (mode == "raw") return HoldRawTransaction(ready.c_str());
    if (mode == "store") return AddPairsForEver(ready.c_str());
    return 100;
}
