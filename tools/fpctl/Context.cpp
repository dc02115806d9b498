#include "Fpctl.h"

#include "Text.h"

Context::~Context() {
    if (store_) store_->CloseDb();
    // The library stays loaded until the process ends: its singletons clean
    // up at unload, after everything above is done.
}

void Context::Load() {
    if (module_) return;
    // Beside fpctl.exe first, where the package puts it.
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    module_ = LoadLibraryW((folder + L"FileProtect.dll").c_str());
    if (!module_) module_ = LoadLibraryW(L"FileProtect.dll");
    if (!module_) throw LibraryFailure("cannot load FileProtect.dll (" + SystemError(GetLastError()) + ")", "LoadLibraryW");
}

template <typename Fn>
Fn Context::Find(const char* name) {
    Load();
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    if (!fn) throw LibraryFailure(std::string("FileProtect.dll has no export ") + name, "GetProcAddress");
    return fn;
}

IHlpFunc* Context::Helper() { return Find<GetHlpObjFn>("getHlpObj")(); }

IFileProtectCfgMgr* Context::Store() {
    if (!store_) {
        IFileProtectCfgMgr* store = Find<GetFileProtectDbMgrFn>("getFileProtectDbMgr")();
        Require(store->InitDb(), "InitDb", "the rule database could not be opened");
        store_ = store;
    }
    return store_;
}

IProtectFileCacheFileMgr* Context::Cache() {
    return Find<GetFileProtectCacheMgrFn>("getFileProtectCacheMgr")();
}

IProtectFileGlbLock* Context::NewLock() { return Find<GetGlbLockObjFn>("getGlbLockObj")(); }

IProtectFileProtectDiskMgr* Context::NewDiskManager() {
    return Find<GetProtectDiskMgrFn>("GetProtectDiskMgr")();
}

void Require(bool ok, const std::string& operation, const std::string& detail) {
    if (ok) return;
    throw LibraryFailure(operation + " failed" + (detail.empty() ? "" : ": " + detail), operation);
}
