// Loads the installed DLL and hashes a path both ways of writing it: the
// package's headers, DLL and stand-ins fit together.
#include <windows.h>

#include <cstdio>

#include "FileProtectExports.h"

int main() {
    HMODULE module = LoadLibraryW(L"FileProtect.dll");
    if (!module) return 3;
    auto getHelper = reinterpret_cast<GetHlpObjFn>(reinterpret_cast<void*>(GetProcAddress(module, "getHlpObj")));
    if (!getHelper) return 4;
    IHlpFunc* helper = getHelper();
    const uint32_t lower = helper->GetPathHash(L"c:\\data\\a.txt");
    const uint32_t upper = helper->GetPathHash(L"C:\\DATA\\A.TXT");
    printf("path hash %u\n", lower);
    return lower != 0 && lower == upper ? 0 : 5;
}
