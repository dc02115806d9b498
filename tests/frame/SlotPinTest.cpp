// Hosts are built separately and call every operation by its position in the
// object's table of operations. These pins read each slot of the objects the
// exported factories hand out and check that the operation written beside it,
// as a literal, is the one there: a declaration moved in a header fails here.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/TestSupport.h"

namespace {

// Entry `slot` of the table of operations of a g++ (Itanium ABI) object, whose
// first word points at that table.
template <typename Interface>
void* EntryAt(Interface* object, int slot) {
    void** table;
    memcpy(&table, static_cast<const void*>(object), sizeof(table));
    return table[slot];
}

// The function that a call of `operation` on `object` reaches, as g++ resolves
// it (its bound-member extension: the slot comes from the header's order).
template <typename Interface, typename Operation>
void* TargetOf(Interface* object, Operation Interface::*operation) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
    return (void*)(object->*operation);  // NOLINT: the g++ extension needs this cast
#pragma GCC diagnostic pop
}

#define EXPECT_SLOT(object, slot, Interface, Operation)                     \
    EXPECT_EQ(EntryAt(object, slot), TargetOf(object, &Interface::Operation)) \
        << #Interface "::" #Operation " must be slot " #slot

}  // namespace

TEST(SlotPins, HlpFunc) {
    IHlpFunc* h = getHlpObj();
    EXPECT_SLOT(h, 0, IHlpFunc, GetProcessPathUtf8);
    EXPECT_SLOT(h, 1, IHlpFunc, GetProcessPath);
    EXPECT_SLOT(h, 2, IHlpFunc, WideToUtf8Buffer);
    EXPECT_SLOT(h, 3, IHlpFunc, WideToUtf8);
    EXPECT_SLOT(h, 4, IHlpFunc, Utf8ToWide);
    EXPECT_SLOT(h, 5, IHlpFunc, FormatString);
    EXPECT_SLOT(h, 6, IHlpFunc, FormatStringN);
    EXPECT_SLOT(h, 7, IHlpFunc, GuidToString);
    EXPECT_SLOT(h, 8, IHlpFunc, StringToGuid);
    EXPECT_SLOT(h, 9, IHlpFunc, ToUpper);
    EXPECT_SLOT(h, 10, IHlpFunc, ToUpperA);
    EXPECT_SLOT(h, 11, IHlpFunc, TrimRightA);
    EXPECT_SLOT(h, 12, IHlpFunc, TrimRight);
    EXPECT_SLOT(h, 13, IHlpFunc, GetPathHash);
    EXPECT_SLOT(h, 14, IHlpFunc, GetDataFolder);
    EXPECT_SLOT(h, 15, IHlpFunc, IsSubPath);
    EXPECT_SLOT(h, 16, IHlpFunc, DiffListUtf8);
    EXPECT_SLOT(h, 17, IHlpFunc, DiffList);
    EXPECT_SLOT(h, 18, IHlpFunc, DevicePathToDosPathA);
    EXPECT_SLOT(h, 19, IHlpFunc, DevicePathToDosPath);
    EXPECT_SLOT(h, 20, IHlpFunc, VolumePathToDosPath);
    EXPECT_SLOT(h, 21, IHlpFunc, SplitStringA);
    EXPECT_SLOT(h, 22, IHlpFunc, ReplaceAll);
    EXPECT_SLOT(h, 23, IHlpFunc, GetCurrentUserSid);
    EXPECT_SLOT(h, 24, IHlpFunc, RunProcess);
    EXPECT_SLOT(h, 25, IHlpFunc, GetUserAppDataFolder);
    EXPECT_SLOT(h, 26, IHlpFunc, GetCommonAppDataFolder);
    EXPECT_SLOT(h, 27, IHlpFunc, DosPathToDevicePathA);
    EXPECT_SLOT(h, 28, IHlpFunc, DosPathToDevicePath);
    EXPECT_SLOT(h, 29, IHlpFunc, ShellOpenA);
    EXPECT_SLOT(h, 30, IHlpFunc, ShellOpen);
    EXPECT_SLOT(h, 31, IHlpFunc, IsDirectory);
    EXPECT_SLOT(h, 32, IHlpFunc, IsFile);
    EXPECT_SLOT(h, 33, IHlpFunc, PathExists);
    EXPECT_SLOT(h, 34, IHlpFunc, IsServiceRunning);
    EXPECT_SLOT(h, 35, IHlpFunc, AddTrailingBackslash);
}

TEST(SlotPins, FileProtectCfgMgr) {
    IFileProtectCfgMgr* s = getFileProtectDbMgr();
    EXPECT_SLOT(s, 0, IFileProtectCfgMgr, InitDb);
    EXPECT_SLOT(s, 1, IFileProtectCfgMgr, CloseDb);
    EXPECT_SLOT(s, 2, IFileProtectCfgMgr, GetFileTypeProtectList);
    EXPECT_SLOT(s, 3, IFileProtectCfgMgr, GetProtectPathList);
    EXPECT_SLOT(s, 4, IFileProtectCfgMgr, CheckpointDb);
    EXPECT_SLOT(s, 5, IFileProtectCfgMgr, Reserved);
    EXPECT_SLOT(s, 6, IFileProtectCfgMgr, GetSqliteVersion);
    EXPECT_SLOT(s, 7, IFileProtectCfgMgr, GetBlockCount);
    EXPECT_SLOT(s, 8, IFileProtectCfgMgr, GetBlockList);
    EXPECT_SLOT(s, 9, IFileProtectCfgMgr, AddBlockCountList);
    EXPECT_SLOT(s, 10, IFileProtectCfgMgr, AddBlockCountItem);
    EXPECT_SLOT(s, 11, IFileProtectCfgMgr, DeleteBlockListItem);
    EXPECT_SLOT(s, 12, IFileProtectCfgMgr, DeleteBlockListItems);
    EXPECT_SLOT(s, 13, IFileProtectCfgMgr, DeleteBlockListByHash);
    EXPECT_SLOT(s, 14, IFileProtectCfgMgr, DeleteBlockList);
    EXPECT_SLOT(s, 15, IFileProtectCfgMgr, ClearBlockList);
    EXPECT_SLOT(s, 16, IFileProtectCfgMgr, AddBlockCount);
    EXPECT_SLOT(s, 17, IFileProtectCfgMgr, IncreaseBlockCount);
    EXPECT_SLOT(s, 18, IFileProtectCfgMgr, GetRejectList);
    EXPECT_SLOT(s, 19, IFileProtectCfgMgr, AddRejectList);
    EXPECT_SLOT(s, 20, IFileProtectCfgMgr, DeleteRejectList);
    EXPECT_SLOT(s, 21, IFileProtectCfgMgr, ClearRejectList);
    EXPECT_SLOT(s, 22, IFileProtectCfgMgr, GetWhiteList);
    EXPECT_SLOT(s, 23, IFileProtectCfgMgr, AddWhiteList);
    EXPECT_SLOT(s, 24, IFileProtectCfgMgr, DeleteWhiteList);
    EXPECT_SLOT(s, 25, IFileProtectCfgMgr, ClearWhiteList);
    EXPECT_SLOT(s, 26, IFileProtectCfgMgr, GetProtectFileList);
    EXPECT_SLOT(s, 27, IFileProtectCfgMgr, AddProtectFile);
    EXPECT_SLOT(s, 28, IFileProtectCfgMgr, AddProtectExtension);
    EXPECT_SLOT(s, 29, IFileProtectCfgMgr, DeleteProtectFile);
    EXPECT_SLOT(s, 30, IFileProtectCfgMgr, ClearProtectExtension);
    EXPECT_SLOT(s, 31, IFileProtectCfgMgr, ClearProtectFile);
    EXPECT_SLOT(s, 32, IFileProtectCfgMgr, ClearProtectAll);
    EXPECT_SLOT(s, 33, IFileProtectCfgMgr, GetProtectConfig);
    EXPECT_SLOT(s, 34, IFileProtectCfgMgr, SetProtectConfig);
    EXPECT_SLOT(s, 35, IFileProtectCfgMgr, SetConfig);
    EXPECT_SLOT(s, 36, IFileProtectCfgMgr, GetConfig);
    EXPECT_SLOT(s, 37, IFileProtectCfgMgr, DeleteConfig);
    EXPECT_SLOT(s, 38, IFileProtectCfgMgr, RenamePath);
}

TEST(SlotPins, CacheLockEventAndDiskManagerEachMadePerCall) {
    // The helper, the store and the cache manager are one object each for
    // the whole process: every call of their factory gives that object.
    EXPECT_EQ(getHlpObj(), getHlpObj());
    EXPECT_EQ(getFileProtectDbMgr(), getFileProtectDbMgr());
    EXPECT_EQ(getFileProtectCacheMgr(), getFileProtectCacheMgr());
    IProtectFileCacheFileMgr* c = getFileProtectCacheMgr();
    EXPECT_SLOT(c, 0, IProtectFileCacheFileMgr, InitCacheFile);
    EXPECT_SLOT(c, 1, IProtectFileCacheFileMgr, ClearCacheFile);
    EXPECT_SLOT(c, 2, IProtectFileCacheFileMgr, TakePathIds);
    EXPECT_SLOT(c, 3, IProtectFileCacheFileMgr, AddPathIdsW);
    EXPECT_SLOT(c, 4, IProtectFileCacheFileMgr, AddPathIds);
    EXPECT_SLOT(c, 5, IProtectFileCacheFileMgr, AddPathId);

    // Locks, events and disk managers hold per-caller state (a held mutex, a
    // bound event, loaded disks): each factory call gives a new object.
    IProtectFileGlbLock* l = getGlbLockObj();
    IProtectFileGlbLock* otherLock = getGlbLockObj();
    EXPECT_NE(l, otherLock);
    otherLock->Release();
    EXPECT_SLOT(l, 0, IProtectFileGlbLock, SetLockName);
    EXPECT_SLOT(l, 1, IProtectFileGlbLock, Lock);
    EXPECT_SLOT(l, 2, IProtectFileGlbLock, Unlock);
    EXPECT_SLOT(l, 3, IProtectFileGlbLock, Release);
    l->Release();

    IProcEvent* e = GetObjProcEvent();
    IProcEvent* otherEvent = GetObjProcEvent();
    EXPECT_NE(e, otherEvent);
    otherEvent->Release();
    EXPECT_SLOT(e, 0, IProcEvent, WaitProcEvent);
    EXPECT_SLOT(e, 1, IProcEvent, WaitProcEventEx);
    EXPECT_SLOT(e, 2, IProcEvent, SetProcEvent);
    EXPECT_SLOT(e, 3, IProcEvent, CloseProcEvent);
    EXPECT_SLOT(e, 4, IProcEvent, Release);
    e->Release();

    IProtectFileProtectDiskMgr* d = GetProtectDiskMgr();
    IProtectFileProtectDiskMgr* otherDisks = GetProtectDiskMgr();
    EXPECT_NE(d, otherDisks);
    otherDisks->Release();
    EXPECT_SLOT(d, 0, IProtectFileProtectDiskMgr, LoadDiskManager);
    EXPECT_SLOT(d, 1, IProtectFileProtectDiskMgr, Release);
    EXPECT_SLOT(d, 2, IProtectFileProtectDiskMgr, GetDiskLetters);
    d->Release();
}
