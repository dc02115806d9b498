// Adds one to a number in a file, many times, each time under a named lock
// taken through the library. Without exclusion, processes that run this
// together lose increments.
//   coord_lock_counter <lock name> <counter file> <rounds> <ready counter> <go gate>
// Exit code: 0 when every Lock returned true and every file access worked.
#include <cstdio>
#include <cstdlib>

#include "TestSupport.h"
#include "coord_sync.h"

namespace {

bool ReadNumber(const std::wstring& path, long* value) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return false;
    bool read = fscanf(file, "%ld", value) == 1;
    fclose(file);
    return read;
}

bool WriteNumber(const std::wstring& path, long value) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    fprintf(file, "%ld", value);
    return fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) return 1;
    const std::wstring counter = Wide(argv[2]);
    const int rounds = atoi(argv[3]);
    IProtectFileGlbLock* lock = getGlbLockObj();
    lock->SetLockName(Wide(argv[1]));
    Arrive(Wide(argv[4]));
    WaitGate(Wide(argv[5]));

    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        if (!lock->Lock()) ++failures;
        long value = 0;
        if (!ReadNumber(counter, &value)) ++failures;
        SwitchToThread();  // widen the window in which a missing lock shows
        if (!WriteNumber(counter, value + 1)) ++failures;
        lock->Unlock();
    }
    lock->Release();
    return failures == 0 ? 0 : 3;
}
