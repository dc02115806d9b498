// Appends numbered items to the cache file through the library, after every
// appender has arrived and the gate has opened.
//   cache_appender <cache file> <prefix> <count> <ready counter> <go gate> <mixed|single> [done counter]
// Items are "<prefix>-<n>" for n = 0..count-1. "mixed" spreads them over all
// three append operations (one, two at a time, wide); "single" uses
// AddPathId only. Exit code 0 when all were handed to the library.
#include <cstdlib>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "coord_sync.h"

int main(int argc, char** argv) {
    if (argc != 7 && argc != 8) return 1;
    const std::string prefix = argv[2];
    const int count = atoi(argv[3]);
    const bool mixed = std::string(argv[6]) == "mixed";
    IProtectFileCacheFileMgr* cache = getFileProtectCacheMgr();
    if (!cache->InitCacheFile(Wide(argv[1]), L"appender")) return 2;
    Arrive(Wide(argv[4]));
    WaitGate(Wide(argv[5]));

    auto id = [&](int n) { return prefix + "-" + std::to_string(n); };
    for (int n = 0; n < count;) {
        if (!mixed || n % 3 == 0 || n + 1 == count) {
            cache->AddPathId(id(n));
            n += 1;
        } else if (n % 3 == 1) {
            cache->AddPathIds({id(n), id(n + 1)});
            n += 2;
        } else {
            cache->AddPathIdsW({Wide(id(n))});
            n += 1;
        }
    }
    if (argc == 8) Arrive(Wide(argv[7]));
    return 0;
}
