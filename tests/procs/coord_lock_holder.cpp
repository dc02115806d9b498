// Takes a named lock through the library, announces it and then releases
// it, or ends while still holding it.
//   coord_lock_holder <lock name> <ready gate> <go gate or -> <release|abandon>
// Exit code: 0 when Lock returned true, 2 when it returned false, 1 on bad use.
#include <cstring>

#include "TestSupport.h"
#include "coord_sync.h"

int main(int argc, char** argv) {
    if (argc != 5) return 1;
    IProtectFileGlbLock* lock = getGlbLockObj();
    if (!lock->SetLockName(Wide(argv[1]))) return 1;
    int code = lock->Lock() ? 0 : 2;
    OpenGate(Wide(argv[2]));
    if (strcmp(argv[3], "-") != 0) WaitGate(Wide(argv[3]));
    if (strcmp(argv[4], "abandon") == 0) ExitProcess(code);  // the system abandons the mutex
    lock->Release();
    return code;
}
