// Adds block counts through the library as fast as it can, after every adder
// has arrived and the gate has opened, for the multi-process benchmark.
//   store_block_adder <path tag> <count> <ready counter> <go gate> <done counter>
// Each call adds 1 to the row of "C:\Bench\Adders\<tag>.txt". Exit code: the
// number of calls that failed (capped), or 200 and up when it could not start.
#include <cstdlib>
#include <string>

#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

int main(int argc, char** argv) {
    if (argc != 6) return 200;
    const std::wstring path = L"C:\\Bench\\Adders\\" + Wide(argv[1]) + L".txt";
    const int count = atoi(argv[2]);
    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    if (!store->InitDb()) return 201;
    Arrive(Wide(argv[3]));
    WaitGate(Wide(argv[4]));
    int failures = 0;
    for (int n = 0; n < count; ++n)
        if (!store->AddBlockCount(path, 1)) ++failures;
    Arrive(Wide(argv[5]));
    store->CloseDb();
    return failures > 199 ? 199 : failures;
}
