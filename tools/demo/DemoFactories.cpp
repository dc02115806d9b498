#include "DemoHost.h"

void DemoFactories(const Library& library) {
    Say(L"== factories");
    Say(L"helper object, store and cache manager are singletons: " +
        std::wstring(library.Helper() && library.Store() && library.Cache() ? L"obtained"
                                                                              : L"MISSING"));
    // Each ends with its Release as it goes out of scope.
    const auto lock = library.NewLock();
    const auto events = library.NewEvents();
    const auto disks = library.NewDiskManager();
    Say(L"lock, event and disk-manager objects are created per call and released by their owner");
}
