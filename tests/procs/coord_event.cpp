// Sets a named process event through the library, once some process has
// created it by waiting on it.
//   coord_event <name>    exit 0 when the event was set
#include <string>

#include "ObjectLog.h"
#include "TestSupport.h"

int main(int argc, char** argv) {
    if (argc != 2) return 1;
    const std::wstring name = Wide(argv[1]);
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
