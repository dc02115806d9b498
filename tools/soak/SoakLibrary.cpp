#include "SoakLibrary.h"

#include <cstdio>

namespace {

template <typename Fn>
bool Find(HMODULE module, const char* name, Fn* fn) {
    *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!*fn) printf("soak: FileProtect.dll has no export %s\n", name);
    return *fn != nullptr;
}

}  // namespace

bool SoakLibrary::Load() {
    module = LoadLibraryW(L"FileProtect.dll");
    if (!module) {
        printf("soak: cannot load FileProtect.dll (error %lu)\n", GetLastError());
        return false;
    }
    GetHlpObjFn getHelper = nullptr;
    GetFileProtectDbMgrFn getStore = nullptr;
    GetFileProtectCacheMgrFn getCache = nullptr;
    if (!Find(module, "getHlpObj", &getHelper) || !Find(module, "getFileProtectDbMgr", &getStore) ||
        !Find(module, "getFileProtectCacheMgr", &getCache) ||
        !Find(module, "getGlbLockObj", &newLock))
        return false;
    helper = getHelper();
    store = getStore();
    cache = getCache();
    if (!store->InitDb()) {
        printf("soak: the rule store does not open (InitDb failed)\n");
        return false;
    }
    return true;
}
