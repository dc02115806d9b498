#include <windows.h>

#include <cstdio>

#include "DemoHost.h"

void DemoCache(const Library& library) {
    Say(L"== cache file");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"FileProtectDemo-cache.xml";
    DeleteFileW(path.c_str());
    IProtectFileCacheFileMgr* cache = library.Cache();
    if (!cache->InitCacheFile(path, L"demo")) {
        Say(L"cannot create " + path);
        return;
    }
    Say(L"cache file " + path);

    cache->AddPathId("1234567");
    cache->AddPathIdsW({L"-98765"});
    Say(L"appended two items; taking them back (the library prints each):");
    std::vector<std::string> ids;
    cache->TakePathIds(ids);
    printf("\n");
    Say(L"took " + std::to_wstring(ids.size()) + L" item(s):");
    for (const std::string& id : ids) Say(L"  " + fileprotect::Wide(id));
    DeleteFileW(path.c_str());
}
