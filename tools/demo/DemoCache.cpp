#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DemoHost.h"

void DemoCache(const Library& library) {
    Say(L"== cache file");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"FileProtectDemo-cache.xml";
    DeleteFileW(path.c_str());
    if (!library.cache->InitCacheFile(path, L"demo")) {
        Say(L"cannot create " + path);
        return;
    }
    Say(L"cache file " + path);

    library.cache->AddPathId("1234567");
    library.cache->AddPathIdsW({L"-98765"});
    Say(L"appended two items; taking them back (the library prints each):");
    std::vector<std::string> ids;
    library.cache->TakePathIds(ids);
    printf("\n");
    Say(L"took " + std::to_wstring(ids.size()) + L" item(s):");
    for (const std::string& id : ids) Say(L"  " + std::wstring(id.begin(), id.end()));
    DeleteFileW(path.c_str());
}
