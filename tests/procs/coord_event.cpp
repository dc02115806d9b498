// One side of a named process event, through the library.
//   coord_event wait <name>   waits for the event (creating it); exit 0 if the wait said true
//   coord_event set <name>    sets the event once some process has created it; exit 0 on success
#include <string>

#include "ObjectLog.h"
#include "TestSupport.h"

int main(int argc, char** argv) {
    if (argc != 3) return 1;
    const std::string side = argv[1];
    const std::wstring name = Wide(argv[2]);
    IProcEvent* event = GetObjProcEvent();
    bool done = false;
    if (side == "wait") {
        done = event->WaitProcEvent(name.c_str());
    } else if (side == "set") {
        // The waiter creates the event; until it has, setting fails (and
        // logs each time, which nobody here needs to read).
        GetObjectLog()->SetOutputFile(L"NUL");
        for (int attempt = 0; attempt < 2000 && !done; ++attempt) {
            done = event->SetProcEvent(name.c_str());
            if (!done) Sleep(20);
        }
    }
    event->CloseProcEvent();
    event->Release();
    return done ? 0 : 2;
}
