#include <windows.h>

#include <thread>

#include "DemoHost.h"

void DemoCoordination(const Library& library) {
    Say(L"== lock and events");
    const std::wstring lockName = L"FileProtectDemo-lock-" + std::to_wstring(GetCurrentProcessId());
    const auto lock = library.NewLock();
    lock->SetLockName(lockName);
    Say(L"lock " + lockName + L": " + (lock->Lock() ? L"held" : L"not obtained"));
    lock->Unlock();
    Say(L"unlocked; every process that names it waits for the holder");

    // One thread waits on a named event; this one sets it once the waiter
    // has created it (setting never creates an event).
    const std::wstring eventName =
        L"FileProtectDemo-event-" + std::to_wstring(GetCurrentProcessId());
    const auto waiter = library.NewEvents();
    const auto setter = library.NewEvents();  // its Release closes its handle too
    bool woken = false;
    std::thread waiting([&] { woken = waiter->WaitProcEvent(eventName.c_str()); });
    int attempts = 1;
    while (!setter->SetProcEvent(eventName.c_str())) {
        Sleep(10);
        ++attempts;
    }
    waiting.join();
    Say(L"event " + eventName + L" set after " + std::to_wstring(attempts) +
        L" attempt(s); the waiter " + (woken ? L"woke" : L"failed"));
    waiter->CloseProcEvent();
}
