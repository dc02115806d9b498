// The library as a host sees it: loaded by name, factories looked up by
// name, everything else through the interfaces.
#pragma once

#include <windows.h>

#include "FileProtectExports.h"

struct SoakLibrary {
    HMODULE module = nullptr;
    IHlpFunc* helper = nullptr;
    IFileProtectCfgMgr* store = nullptr;
    IProtectFileCacheFileMgr* cache = nullptr;
    GetGlbLockObjFn newLock = nullptr;

    // Loads FileProtect.dll and opens the store; prints why on failure.
    bool Load();
};
