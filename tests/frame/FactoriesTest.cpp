#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "TestSupport.h"

TEST(Factories, SingletonsAreOneObjectEvenWhenFirstCalledConcurrently) {
    // Several threads race for each singleton's first call.
    for (int round = 0; round < 3; ++round) {
        std::vector<std::thread> threads;
        std::vector<void*> stores(8), helpers(8), caches(8);
        std::atomic<bool> go{false};
        for (int i = 0; i < 8; ++i)
            threads.emplace_back([&, i] {
                while (!go) std::this_thread::yield();
                stores[i] = getFileProtectDbMgr();
                helpers[i] = getHlpObj();
                caches[i] = getFileProtectCacheMgr();
            });
        go = true;
        for (auto& t : threads) t.join();
        for (int i = 1; i < 8; ++i) {
            EXPECT_EQ(stores[0], stores[i]);
            EXPECT_EQ(helpers[0], helpers[i]);
            EXPECT_EQ(caches[0], caches[i]);
        }
        EXPECT_NE(nullptr, stores[0]);
    }
}

TEST(Factories, PerCallObjectsAreDistinctAndEachReleasable) {
    IProtectFileGlbLock* lock1 = getGlbLockObj();
    IProtectFileGlbLock* lock2 = getGlbLockObj();
    IProcEvent* event1 = GetObjProcEvent();
    IProcEvent* event2 = GetObjProcEvent();
    IProtectFileProtectDiskMgr* disks1 = GetProtectDiskMgr();
    IProtectFileProtectDiskMgr* disks2 = GetProtectDiskMgr();
    EXPECT_NE(lock1, lock2);
    EXPECT_NE(event1, event2);
    EXPECT_NE(disks1, disks2);
    lock1->Release();
    lock2->Release();
    event1->Release();
    event2->Release();
    disks1->Release();
    disks2->Release();
}
