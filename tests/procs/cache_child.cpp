// Other processes at the cache file, one mode each (exit code 0 when all
// went as told):
//   cache_child append <file> <prefix> <count> <ready counter> <go gate> <mixed|single> [done counter]
//       appends "<prefix>-0".."<prefix>-<count-1>" once the gate opens; "mixed"
//       spreads them over all three append operations, "single" uses AddPathId
//   cache_child acked <file> <prefix> <acknowledgement file>
//       appends "<prefix>-0", "<prefix>-1", ... until killed, writing each item
//       to the acknowledgement file once its append returned (with WriteFile,
//       so a written line survives the kill)
//   cache_child take <file> <output file> <stop gate>
//       takes until the gate opens, then once more; writes what it got, a line each
//   cache_child hold <file> <ready gate> <go gate>
//       keeps the file open with no sharing until the gate opens, as a user
//       that takes no cache lock would
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

namespace {

IProtectFileCacheFileMgr* cache = getFileProtectCacheMgr();

int Append(const std::string& prefix, int count, char** gates, bool mixed, const char* done) {
    Arrive(Wide(gates[0]));
    WaitGate(Wide(gates[1]));
    auto id = [&](int n) { return prefix + "-" + std::to_string(n); };
    for (int n = 0; n < count;) {
        if (!mixed || n % 3 == 0 || n + 1 == count) {
            cache->AddPathId(id(n++));
        } else if (n % 3 == 1) {
            cache->AddPathIds({id(n), id(n + 1)});
            n += 2;
        } else {
            cache->AddPathIdsW({Wide(id(n++))});
        }
    }
    if (done) Arrive(Wide(done));
    return 0;
}

int AppendAcked(const std::string& prefix, const std::wstring& ackFile) {
    fileprotect::Handle acks(CreateFileW(ackFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    for (int n = 0; acks.Valid(); ++n) {
        const std::string id = prefix + "-" + std::to_string(n);
        cache->AddPathId(id);
        const std::string line = id + "\n";
        DWORD written = 0;
        if (!WriteFile(acks.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr))
            return 4;
    }
    return 3;
}

int TakeUntilStopped(const std::wstring& output, const std::wstring& stop) {
    if (!freopen("NUL", "w", stdout)) return 3;  // each take prints its items; not needed here
    std::vector<std::string> taken;
    for (bool stopping = false; !stopping;) {
        stopping = GateIsOpen(stop);  // one more take after the gate opens
        cache->TakePathIds(taken);
        if (!stopping) Sleep(2);  // leave the appenders room at the lock
    }
    std::string lines;
    for (const std::string& id : taken) lines += id + "\n";
    return WriteBytes(output, lines) ? 0 : 3;
}

}  // namespace

// Arguments are plain ASCII (temporary paths, object names, prefixes).
int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    const std::wstring file = argc > 2 ? Wide(argv[2]) : L"";
    if (mode == "hold" && argc == 5) {
        fileprotect::Handle held(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        return held.Valid() && OpenGate(Wide(argv[3])) && WaitGate(Wide(argv[4])) ? 0 : 2;
    }
    if (argc < 5 || !cache->InitCacheFile(file, Wide(mode))) return 1;
    if (mode == "append" && (argc == 8 || argc == 9))
        return Append(argv[3], atoi(argv[4]), argv + 5, std::string(argv[7]) == "mixed",
                      argc == 9 ? argv[8] : nullptr);
    if (mode == "acked" && argc == 5) return AppendAcked(argv[3], Wide(argv[4]));
    if (mode == "take" && argc == 5) return TakeUntilStopped(Wide(argv[3]), Wide(argv[4]));
    return 1;
}
