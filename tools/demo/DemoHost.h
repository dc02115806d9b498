// What every part of the demo host shares: the factories it looked up and a
// way to print wide text.
#pragma once

#include <string>
#include <vector>

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

// The demo runs against the machine's live rules: it changes only rows it
// added itself. Whether a list already holds a row under the key of path
// (rows are keyed by the path hash, so another spelling counts too).
bool HoldsKey(const Library& library, const std::vector<ProtectFileItem>& rows, const std::wstring& path);
bool HoldsKey(const Library& library, const std::vector<std::wstring>& texts, const std::wstring& path);

// One function per subsystem; each prints what it did.
void DemoFactories(const Library& library);       // DemoFactories.cpp
void DemoStore(const Library& library);           // DemoStore.cpp: opens the store
void DemoProtectPaths(const Library& library);    // DemoProtectPaths.cpp
void DemoRules(const Library& library);           // DemoRules.cpp: switches, lists, counts
void DemoPaths(const Library& library);           // DemoPaths.cpp: devices, user, folders
void DemoCoordination(const Library& library);    // DemoCoordination.cpp: lock and events
void DemoCache(const Library& library);           // DemoCache.cpp: the cache file
void DemoDisks(const Library& library);           // DemoDisks.cpp: the disk manager
