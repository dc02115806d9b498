// The six exported factories. Singletons are function-local statics: the
// runtime builds each once, even under concurrent first calls, and destroys
// them at unload in the reverse order of their creation.
#include "interfaces/FileProtectExports.h"

#include "cache/CacheFileMgr.h"
#include "store/FileProtectCfgMgr.h"
#include "coordination/GlbLock.h"
#include "helpers/HlpFunc.h"
#include "coordination/ProcEvent.h"
#include "disks/ProtectDiskMgr.h"

FILEPROTECT_API IHlpFunc* getHlpObj() {
    static CHlpFunc helper;
    return &helper;
}

FILEPROTECT_API IFileProtectCfgMgr* getFileProtectDbMgr() {
    static CFileProtectCfgMgr store;
    return &store;
}

FILEPROTECT_API IProtectFileCacheFileMgr* getFileProtectCacheMgr() {
    static CProtectFileCacheFileMgr cache;
    return &cache;
}

FILEPROTECT_API IProtectFileGlbLock* getGlbLockObj() { return new CProtectFileGlbLock(); }

FILEPROTECT_API IProcEvent* GetObjProcEvent() { return new CProcEvent(); }

FILEPROTECT_API IProtectFileProtectDiskMgr* GetProtectDiskMgr() {
    return new CProtectFileProtectDiskMgr();
}
