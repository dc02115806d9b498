// Child for the unload test: loads the library at run time as a host may,
// uses the store, unloads the library, and then tries to open the database
// file with no sharing at all, which works only once no connection holds it.
// Exit code 0 when the open worked, 1 when a handle was still open.
//   store_unload.exe <database path>
#include <windows.h>

#include <shellapi.h>

#include "interfaces/FileProtectExports.h"

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2) return 100;
    HMODULE library = LoadLibraryW(L"FileProtect.dll");
    if (!library) return 101;
    auto getStore = reinterpret_cast<GetFileProtectDbMgrFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "getFileProtectDbMgr")));
    if (!getStore) return 102;
    IFileProtectCfgMgr* store = getStore();
    if (!store->InitDb() || !store->IncreaseBlockCount(L"C:\\Unload\\Probe.txt")) return 103;
    FreeLibrary(library);  // the host never called CloseDb

    HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(file);
    return 0;
}
