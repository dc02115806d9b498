#include <gtest/gtest.h>

#include "TestSupport.h"

// Locks, events and disk managers hold per-caller state (a held mutex, a
// bound event, loaded disks): each factory call must give a new object.
TEST(Factories, PerCallObjectsAreDistinctAndEachReleasable) {
    IProtectFileGlbLock* locks[] = {getGlbLockObj(), getGlbLockObj()};
    IProcEvent* events[] = {GetObjProcEvent(), GetObjProcEvent()};
    IProtectFileProtectDiskMgr* disks[] = {GetProtectDiskMgr(), GetProtectDiskMgr()};
    EXPECT_NE(locks[0], locks[1]);
    EXPECT_NE(events[0], events[1]);
    EXPECT_NE(disks[0], disks[1]);
    for (int i = 0; i < 2; ++i) {
        locks[i]->Release();
        events[i]->Release();
        disks[i]->Release();
    }
}
