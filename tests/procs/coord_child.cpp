// Other processes at a named lock or process event, through the library:
//   coord_child count <lock name> <counter file> <rounds> <ready counter> <go gate>
//       adds one to the number in the file, once per round, each time under
//       the lock; processes that run this together without exclusion lose
//       increments. Exit code 0 when every Lock and file access worked.
//   coord_child abandon <lock name>
//       ends while holding the lock. Exit code 0 when Lock returned true.
//   coord_child set <event name>
//       sets the event once some process has created it by waiting on it.
//       Exit code 0 when it was set.
#include <cstdlib>
#include <string>

#include "outside/objectlog/ObjectLog.h"
#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

namespace {

int Count(IProtectFileGlbLock* lock, const std::wstring& counter, int rounds) {
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        if (!lock->Lock()) ++failures;
        const std::string value = ReadBytes(counter);
        SwitchToThread();  // widen the window in which a missing lock shows
        if (value.empty() || !WriteBytes(counter, std::to_string(atol(value.c_str()) + 1)))
            ++failures;
        lock->Unlock();
    }
    lock->Release();
    return failures == 0 ? 0 : 3;
}

int SetWhenCreated(const std::wstring& name) {
    // Until the waiter has created the event, setting fails and logs each
    // time, which nobody here needs to read.
    GetObjectLog()->SetOutputFile(L"NUL");
    IProcEvent* event = GetObjProcEvent();
    bool set = false;
    for (int attempt = 0; attempt < 2000 && !set; ++attempt) {
        set = event->SetProcEvent(name.c_str());
        if (!set) Sleep(20);
    }
    event->Release();
    return set ? 0 : 2;
}

}  // namespace

// Arguments are plain ASCII (object names, temporary paths).
int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "set" && argc == 3) return SetWhenCreated(Wide(argv[2]));
    IProtectFileGlbLock* lock = getGlbLockObj();
    if (argc < 3 || !lock->SetLockName(Wide(argv[2]))) return 1;
    if (mode == "abandon" && argc == 3) ExitProcess(lock->Lock() ? 0 : 2);  // never released
    if (mode != "count" || argc != 7) return 1;
    Arrive(Wide(argv[5]));
    WaitGate(Wide(argv[6]));
    return Count(lock, Wide(argv[3]), atoi(argv[4]));
}
