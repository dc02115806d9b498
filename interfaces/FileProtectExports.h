// The library's six exported factories. Hosts either link the import library
// or look the names up with GetProcAddress (the typedefs below).
#pragma once

#include "IFileProtectCfgMgr.h"
#include "IHlpFunc.h"
#include "IProcEvent.h"
#include "IProtectFileCacheFileMgr.h"
#include "IProtectFileGlbLock.h"
#include "IProtectFileProtectDiskMgr.h"

#ifdef FILEPROTECT_BUILDING_DLL
#define FILEPROTECT_API extern "C"
#else
#define FILEPROTECT_API extern "C" __declspec(dllimport)
#endif

FILEPROTECT_API IHlpFunc* getHlpObj();
FILEPROTECT_API IFileProtectCfgMgr* getFileProtectDbMgr();
FILEPROTECT_API IProtectFileCacheFileMgr* getFileProtectCacheMgr();
FILEPROTECT_API IProtectFileGlbLock* getGlbLockObj();
FILEPROTECT_API IProcEvent* GetObjProcEvent();
FILEPROTECT_API IProtectFileProtectDiskMgr* GetProtectDiskMgr();

using GetHlpObjFn = IHlpFunc* (*)();
using GetFileProtectDbMgrFn = IFileProtectCfgMgr* (*)();
using GetFileProtectCacheMgrFn = IProtectFileCacheFileMgr* (*)();
using GetGlbLockObjFn = IProtectFileGlbLock* (*)();
using GetObjProcEventFn = IProcEvent* (*)();
using GetProtectDiskMgrFn = IProtectFileProtectDiskMgr* (*)();
