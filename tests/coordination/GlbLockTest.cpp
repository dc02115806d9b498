// The machine-wide named lock, as hosts reach it through getGlbLockObj, and
// across processes with the coord_lock_* child programs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "../procs/coord_sync.h"

namespace {

// Releases the lock object at the end of a test, whatever happens in it.
struct LockObject {
    IProtectFileGlbLock* lock = getGlbLockObj();
    ~LockObject() { lock->Release(); }
    IProtectFileGlbLock* operator->() const { return lock; }
};

}  // namespace

TEST(GlbLock, NeedsANameAndHoldsTheNamedMutexUntilUnlockOrRelease) {
    const std::wstring name = UniqueName(L"lock");
    IProtectFileGlbLock* lock = getGlbLockObj();
    lock->Unlock();  // nothing held: nothing happens
    EXPECT_FALSE(lock->SetLockName(L""));
    EXPECT_FALSE(lock->Lock());  // an unnamed mutex would exclude nobody
    ASSERT_TRUE(lock->SetLockName(name));
    ASSERT_TRUE(lock->Lock());
    EXPECT_FALSE(MutexIsFree(name));
    lock->Unlock();
    lock->Unlock();  // a second Unlock changes nothing
    EXPECT_TRUE(MutexIsFree(name));

    ASSERT_TRUE(lock->Lock());  // the object can be locked again
    lock->Release();            // and gives the mutex back as it ends
    EXPECT_TRUE(MutexIsFree(name));
}

TEST(GlbLock, LockingAgainWithoutUnlockKeepsOneAcquisitionUnderTheLatestName) {
    // Losing the first handle would leave this thread owning that mutex for
    // good, and every other process blocked on it.
    const std::wstring first = UniqueName(L"first");
    const std::wstring second = UniqueName(L"second");
    LockObject lock;
    ASSERT_TRUE(lock->SetLockName(first));
    ASSERT_TRUE(lock->Lock());
    ASSERT_TRUE(lock->Lock());
    ASSERT_TRUE(lock->SetLockName(second));  // the held mutex is not touched
    EXPECT_FALSE(MutexIsFree(first));
    ASSERT_TRUE(lock->Lock());
    EXPECT_TRUE(MutexIsFree(first));
    EXPECT_FALSE(MutexIsFree(second));
    lock->Unlock();
    EXPECT_TRUE(MutexIsFree(second));
}

TEST(GlbLockProcesses, ProcessesExcludeEachOther) {
    // Each child adds one to a shared number per round, read and written
    // under the lock; a single lost increment shows a missing exclusion.
    const int children = 4;
    const int rounds = 100;
    const std::wstring counter = MakeTempFolder(L"coord-counter") + L"\\counter.txt";
    FILE* file = _wfopen(counter.c_str(), L"wb");
    ASSERT_NE(nullptr, file);
    fputs("0", file);
    fclose(file);

    NamedCounter ready(UniqueName(L"ready"));
    NamedGate go(UniqueName(L"go"));
    const std::wstring arguments = UniqueName(L"counter-lock") + L" " + counter + L" " +
                                   std::to_wstring(rounds) + L" " + ready.name() + L" " + go.name();
    std::vector<HANDLE> started;
    for (int i = 0; i < children; ++i) started.push_back(StartChild(L"coord_lock_counter", arguments));
    EXPECT_TRUE(ready.WaitFor(children));
    go.Open();
    for (HANDLE child : started) EXPECT_EQ(0, WaitChild(child));

    long total = -1;
    file = _wfopen(counter.c_str(), L"rb");
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(1, fscanf(file, "%ld", &total));
    fclose(file);
    EXPECT_EQ(children * rounds, total);
}

TEST(GlbLockProcesses, LockWaitsUntilTheHolderInAnotherProcessReleases) {
    const std::wstring name = UniqueName(L"lock");
    NamedGate ready(UniqueName(L"ready"));
    NamedGate go(UniqueName(L"go"));
    HANDLE holder = StartChild(L"coord_lock_holder",
                               name + L" " + ready.name() + L" " + go.name() + L" release");
    ASSERT_TRUE(WaitGate(ready.name()));
    EXPECT_FALSE(MutexIsFree(name));

    go.Open();
    LockObject lock;
    ASSERT_TRUE(lock->SetLockName(name));
    EXPECT_TRUE(lock->Lock());  // returns once the holder's Release gave it back
    EXPECT_EQ(0, WaitChild(holder));
}

TEST(GlbLockProcesses, HolderThatExitsWithoutReleasingDoesNotBlockTheNextOne) {
    const std::wstring name = UniqueName(L"lock");
    // Another process keeps the mutex open, as in real use; otherwise it would
    // vanish with its last holder.
    KernelHandle kept(CreateMutexW(nullptr, FALSE, name.c_str()));
    NamedGate ready(UniqueName(L"ready"));
    ASSERT_EQ(0, RunChild(L"coord_lock_holder", name + L" " + ready.name() + L" - abandon"));

    LockObject lock;
    ASSERT_TRUE(lock->SetLockName(name));
    EXPECT_FALSE(lock->Lock());  // abandoned: reported, yet owned from now on
    EXPECT_FALSE(MutexIsFree(name));
    lock->Unlock();
    EXPECT_TRUE(MutexIsFree(name));
    EXPECT_TRUE(lock->Lock());  // an ordinary lock again
}
