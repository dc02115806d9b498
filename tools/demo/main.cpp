#include <windows.h>

#include <cstdio>

#include "DemoHost.h"

void Say(const std::wstring& line) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &utf8[0], bytes, nullptr, nullptr);
    printf("%s\n", utf8.c_str());
    fflush(stdout);
}

bool HoldsKey(const Library& library, const std::vector<ProtectFileItem>& rows, const std::wstring& path) {
    const uint32_t key = library.helper->GetPathHash(path);
    for (const ProtectFileItem& row : rows)
        if (library.helper->GetPathHash(row.filepath) == key) return true;
    return false;
}

bool HoldsKey(const Library& library, const std::vector<std::wstring>& texts, const std::wstring& path) {
    const uint32_t key = library.helper->GetPathHash(path);
    for (const std::wstring& text : texts)
        if (library.helper->GetPathHash(text) == key) return true;
    return false;
}

namespace {

template <typename Fn>
bool Find(HMODULE module, const char* name, Fn* fn) {
    *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!*fn) printf("missing export %s\n", name);
    return *fn != nullptr;
}

}  // namespace

int main() {
    HMODULE module = LoadLibraryW(L"FileProtect.dll");
    if (!module) {
        printf("cannot load FileProtect.dll (error %lu)\n", GetLastError());
        return 1;
    }
    GetHlpObjFn getHelper;
    GetFileProtectDbMgrFn getStore;
    GetFileProtectCacheMgrFn getCache;
    Library library;
    if (!Find(module, "getHlpObj", &getHelper) || !Find(module, "getFileProtectDbMgr", &getStore) ||
        !Find(module, "getFileProtectCacheMgr", &getCache) ||
        !Find(module, "getGlbLockObj", &library.newLock) ||
        !Find(module, "GetObjProcEvent", &library.newEvent) ||
        !Find(module, "GetProtectDiskMgr", &library.newDiskManager))
        return 1;
    library.helper = getHelper();
    library.store = getStore();
    library.cache = getCache();

    DemoFactories(library);
    DemoStore(library);
    DemoProtectPaths(library);
    DemoRules(library);
    DemoPaths(library);
    DemoCoordination(library);
    DemoCache(library);
    DemoDisks(library);

    library.store->CloseDb();
    FreeLibrary(module);
    printf("demo finished\n");
    return 0;
}
