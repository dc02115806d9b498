#include "DemoHost.h"

void DemoFactories(const Library& library) {
    Say(L"== factories");
    Say(L"helper object, store and cache manager are singletons: " +
        std::wstring(library.helper && library.store && library.cache ? L"obtained" : L"MISSING"));

    IProtectFileGlbLock* lock = library.newLock();
    IProcEvent* event = library.newEvent();
    IProtectFileProtectDiskMgr* disks = library.newDiskManager();
    Say(L"lock, event and disk-manager objects are created per call and released by their owner");
    lock->Release();
    event->Release();
    disks->Release();
}
