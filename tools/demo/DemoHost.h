// What every part of the demo host shares: the factories it looked up and a
// way to print wide text.
#pragma once

#include <string>

#include "FileProtectExports.h"

struct Library {
    IHlpFunc* helper = nullptr;
    IFileProtectCfgMgr* store = nullptr;
    IProtectFileCacheFileMgr* cache = nullptr;
    GetGlbLockObjFn newLock = nullptr;
    GetObjProcEventFn newEvent = nullptr;
    GetProtectDiskMgrFn newDiskManager = nullptr;
};

// Prints one line, wide text as UTF-8.
void Say(const std::wstring& line);

// One function per subsystem; each prints what it did.
void DemoFactories(const Library& library);
void DemoStore(const Library& library);
