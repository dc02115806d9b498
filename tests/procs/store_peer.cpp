// A second process on the rule database, as another host would be. Exit
// code 0 on success; hold and pairs run until the parent terminates them.
//   count <start event> <rounds>  after the event, reports blocks on three
//                                 shared paths through every kind of add;
//                                 exit code: the number of failed calls
//   add <prefix> <count> <batch>  adds folders <prefix>\<n>, <batch> per call
//   hold <ready event>            a connection of its own inserts and changes
//                                 block rows, signals, and never commits
//   pairs <ready event>           adds one to two paths per list call for
//                                 ever; signals after the first call
//   exit-busy                     returns while a second thread reports
//                                 blocks without pause, so the process ends
//                                 with that thread most likely inside an
//                                 operation, holding the store's lock
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

namespace {

int Count(IFileProtectCfgMgr* store, const std::wstring& startName, int rounds) {
    HANDLE start = OpenEventW(SYNCHRONIZE, FALSE, startName.c_str());
    if (!start || WaitForSingleObject(start, 60000) != WAIT_OBJECT_0) return 102;
    CloseHandle(start);
    int failures = 0;
    int32_t lastSeen = 0;
    const BlockCountItem second = Block(L"C:\\Shared\\Two.txt", 2);
    const BlockCountItem third = Block(L"c:\\shared\\THREE.txt", 5);  // another case of the path
    for (int round = 0; round < rounds; ++round) {
        if (!store->IncreaseBlockCount(L"C:\\Shared\\One.txt")) ++failures;
        if (!store->AddBlockCount(L"C:\\Shared\\Two.txt", 3)) ++failures;
        if (!store->AddBlockCountList({second, third})) ++failures;
        if (!store->AddBlockCountItem(third)) ++failures;
        // Counts only grow here, and this process's own report is in.
        BlockCountItem one = Block(L"C:\\Shared\\One.txt", 0);
        if (!store->GetBlockCount(one) || one.blockcount <= lastSeen) ++failures;
        lastSeen = one.blockcount;
    }
    return failures;
}

int Add(IFileProtectCfgMgr* store, const std::wstring& prefix, int count, int batch) {
    std::vector<ProtectFileItem> items;
    for (int i = 0; i < count; ++i) {
        items.push_back(PathItem(prefix + L"\\" + std::to_wstring(i), L"C:\\", false));
        if (static_cast<int>(items.size()) == batch || i + 1 == count) {
            if (!store->AddProtectFile(items, false)) return 3;
            items.clear();
        }
    }
    return 0;
}

int HoldRawTransaction(const std::wstring& readyName) {
    const Db db;
    std::string sql = "BEGIN IMMEDIATE;";
    for (int i = 0; i < 200; ++i)
        sql += "INSERT INTO blocklist VALUES (" + std::to_string(1000000 + i) + ", 'C:\\Killed\\" +
               std::to_string(i) + "', 1);";
    sql += "UPDATE blocklist SET blockcount = 9999;";
    if (!db.Exec(sql)) return 102;
    OpenGate(readyName);
    Sleep(INFINITE);
    return 0;
}

int AddPairsForEver(IFileProtectCfgMgr* store, const std::wstring& readyName) {
    const std::vector<BlockCountItem> pair{Block(L"C:\\Pair\\Left", 1),
                                           Block(L"C:\\Pair\\Right", 1)};
    for (bool first = true;; first = false) {
        if (!store->AddBlockCountList(pair)) return 105;
        if (first) OpenGate(readyName);
    }
}

int ExitBusy(IFileProtectCfgMgr* store) {
    std::thread([store] {
        for (;;) store->AddBlockCount(L"C:\\Exit\\Busy.txt", 1);
    }).detach();
    Sleep(300);
    return 0;  // ends the process; the worker thread is ended by the system
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 100;
    const std::vector<std::wstring> args(argv, argv + argc);
    LocalFree(argv);
    const std::wstring mode = args.size() > 1 ? args[1] : L"";
    if (mode == L"hold" && args.size() == 3) return HoldRawTransaction(args[2]);

    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    if (!store->InitDb()) return 101;
    if (mode == L"exit-busy") return ExitBusy(store);
    if (mode == L"pairs" && args.size() == 3) return AddPairsForEver(store, args[2]);
    int result = 100;
    if (mode == L"count" && args.size() == 4) result = Count(store, args[2], _wtoi(args[3].c_str()));
    if (mode == L"add" && args.size() == 5)
        result = Add(store, args[2], _wtoi(args[3].c_str()), _wtoi(args[4].c_str()));
    store->CloseDb();
    return result;
}
