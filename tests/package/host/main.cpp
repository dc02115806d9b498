// A host of an outside team: it calls a factory through the import library
// and hashes a path both ways of writing it, so the package's headers, import
// library, DLLs and link options fit together.
#include <cstdio>

#include "FileProtectExports.h"

int main() {
    IHlpFunc* helper = getHlpObj();
    const uint32_t lower = helper->GetPathHash(L"c:\\data\\a.txt");
    const uint32_t upper = helper->GetPathHash(L"C:\\DATA\\A.TXT");
    printf("path hash %u\n", lower);
    return lower != 0 && lower == upper ? 0 : 5;
}
