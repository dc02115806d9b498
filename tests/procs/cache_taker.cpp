// Takes items out of the cache file through the library, again and again,
// until the stop gate opens; then takes once more and writes every item it
// got to the output file, one per line.
//   cache_taker <cache file> <output file> <stop gate>
#include <cstdio>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "coord_sync.h"

int main(int argc, char** argv) {
    if (argc != 4) return 1;
    freopen("NUL", "w", stdout);  // each take prints its items; not needed here
    IProtectFileCacheFileMgr* cache = getFileProtectCacheMgr();
    if (!cache->InitCacheFile(Wide(argv[1]), L"taker")) return 2;

    std::vector<std::string> taken;
    bool stopping = false;
    while (!stopping) {
        stopping = GateIsOpen(Wide(argv[3]));  // one more take after the gate opens
        cache->TakePathIds(taken);
        if (!stopping) Sleep(2);  // leave the appenders room at the lock
    }

    FILE* out = _wfopen(Wide(argv[2]).c_str(), L"wb");
    if (!out) return 3;
    for (const std::string& id : taken) fprintf(out, "%s\n", id.c_str());
    return fclose(out) == 0 ? 0 : 3;
}
