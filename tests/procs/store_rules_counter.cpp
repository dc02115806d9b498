// Child for the concurrent block-count test: waits for the parent's start
// event, then reports blocks on a few shared paths for the given number of
// rounds, through every kind of add, reading one count back each round. Exits with the number of failed calls.
//   store_rules_counter.exe <start event name> <rounds>
#include <cstdlib>

#include "TestSupport.h"

int main(int argc, char** argv) {
    if (argc < 3) return 100;
    const int rounds = atoi(argv[2]);
    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    if (!store->InitDb()) return 101;

    HANDLE start = OpenEventW(SYNCHRONIZE, FALSE, Wide(argv[1]).c_str());
    if (!start || WaitForSingleObject(start, 60000) != WAIT_OBJECT_0) return 102;
    CloseHandle(start);

    int failures = 0;
    int32_t lastSeen = 0;
    for (int round = 0; round < rounds; ++round) {
        BlockCountItem second;
        second.filepath = L"C:\\Shared\\Two.txt";
        second.blockcount = 2;
        BlockCountItem third;
        third.filepath = L"c:\\shared\\THREE.txt";  // another case of the same path
        third.blockcount = 5;
        if (!store->IncreaseBlockCount(L"C:\\Shared\\One.txt")) ++failures;
        if (!store->AddBlockCount(L"C:\\Shared\\Two.txt", 3)) ++failures;
        if (!store->AddBlockCountList({second, third})) ++failures;
        if (!store->AddBlockCountItem(third)) ++failures;
        // Counts only grow here, and this process's own report is in.
        BlockCountItem one;
        one.filepath = L"C:\\Shared\\One.txt";
        if (!store->GetBlockCount(one) || one.blockcount <= lastSeen) ++failures;
        lastSeen = one.blockcount;
    }
    store->CloseDb();
    return failures;
}
