#include "DemoHost.h"

void DemoStore(const Library& library) {
    Say(L"== rule store");
    IFileProtectCfgMgr* store = library.store;
    if (!store->InitDb()) {
        Say(L"InitDb failed");
        return;
    }
    std::string version = store->GetSqliteVersion();
    Say(L"InitDb opened " + library.helper->GetDataFolder() + L"\\FileProtect.db, SQLite " +
        library.helper->Utf8ToWide(version));
}
