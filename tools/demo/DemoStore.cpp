#include "DemoHost.h"

void DemoStore(const Library& library) {
    Say(L"== rule store");
    IFileProtectCfgMgr* store = library.Store();
    if (!store->InitDb()) {
        Say(L"InitDb failed");
        return;
    }
    Say(L"InitDb opened " + library.RuleDatabasePath() + L", SQLite " +
        fileprotect::Wide(store->GetSqliteVersion()));
}
