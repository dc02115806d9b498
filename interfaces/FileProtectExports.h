// The library's six exported factories, the whole of its programming
// interface. Hosts either link the import library or look the names up with
// GetProcAddress (the typedefs below). Every factory may be called from any
// thread, any number of times, and never returns null (it throws
// std::bad_alloc when memory runs out).
//
// Host and library share one C++ runtime and heap: build the host as
// README.md ("Building a host") says; SharedRuntime.h refuses other builds.
#pragma once

#include "IFileProtectCfgMgr.h"
#include "IHlpFunc.h"
#include "IProcEvent.h"
#include "IProtectFileCacheFileMgr.h"
#include "IProtectFileGlbLock.h"
#include "IProtectFileProtectDiskMgr.h"
#include "SharedRuntime.h"

#ifdef FILEPROTECT_BUILDING_DLL
#define FILEPROTECT_API extern "C"
#else
#define FILEPROTECT_API extern "C" __declspec(dllimport)
#endif

// Process-wide objects: every call returns the same one; never delete them.
FILEPROTECT_API IHlpFunc* getHlpObj();
FILEPROTECT_API IFileProtectCfgMgr* getFileProtectDbMgr();  // InitDb() first
FILEPROTECT_API IProtectFileCacheFileMgr* getFileProtectCacheMgr();  // InitCacheFile() first

// A new object per call, owned by the caller and ended by its Release().
FILEPROTECT_API IProtectFileGlbLock* getGlbLockObj();  // SetLockName() first
FILEPROTECT_API IProcEvent* GetObjProcEvent();
FILEPROTECT_API IProtectFileProtectDiskMgr* GetProtectDiskMgr();

using GetHlpObjFn = IHlpFunc* (*)();
using GetFileProtectDbMgrFn = IFileProtectCfgMgr* (*)();
using GetFileProtectCacheMgrFn = IProtectFileCacheFileMgr* (*)();
using GetGlbLockObjFn = IProtectFileGlbLock* (*)();
using GetObjProcEventFn = IProcEvent* (*)();
using GetProtectDiskMgrFn = IProtectFileProtectDiskMgr* (*)();
