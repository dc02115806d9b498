// Child for the exit test: a second thread reports blocks without pause while
// the main thread returns, so the process ends with that thread somewhere in
// the store (most likely inside an operation, holding the store's lock).
//   store_exit_busy.exe
#include <thread>

#include "TestSupport.h"

int main() {
    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    if (!store->InitDb()) return 101;
    std::thread([store] {
        for (;;) store->AddBlockCount(L"C:\\Exit\\Busy.txt", 1);
    }).detach();
    Sleep(300);
    return 0;  // ends the process; the worker thread is ended by the system
}
