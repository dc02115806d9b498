// Appends "<prefix>-0", "<prefix>-1", ... to the cache file one at a time
// until it is killed, and after each append has returned writes the item to
// the acknowledgement file, one per line. Written with WriteFile, so a line
// that was written survives the process being killed.
//   cache_acked_appender <cache file> <prefix> <acknowledgement file>
#include <string>

#include "TestSupport.h"
#include "coord_sync.h"

int main(int argc, char** argv) {
    if (argc != 4) return 1;
    IProtectFileCacheFileMgr* cache = getFileProtectCacheMgr();
    if (!cache->InitCacheFile(Wide(argv[1]), L"acked")) return 2;
    KernelHandle acks(CreateFileW(Wide(argv[3]).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!acks.Held()) return 3;
    for (int n = 0;; ++n) {
        const std::string id = std::string(argv[2]) + "-" + std::to_string(n);
        cache->AddPathId(id);
        const std::string line = id + "\n";
        DWORD written = 0;
        if (!WriteFile(acks.Get(), line.data(), static_cast<DWORD>(line.size()), &written,
                       nullptr))
            return 4;
    }
}
