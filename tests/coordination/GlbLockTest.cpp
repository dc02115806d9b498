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

std::string Arg(const std::wstring& text) { return Narrow(text); }

}  // namespace

TEST(GlbLock, NameMustNotBeEmpty) {
    LockObject lock;
    EXPECT_FALSE(lock->SetLockName(L""));
    EXPECT_TRUE(lock->SetLockName(UniqueName(L"lock")));
    EXPECT_TRUE(lock->SetLockName(UniqueName(L"lock")));
}

TEST(GlbLock, LockWithoutNameFailsAndUnlockWithoutLockIsHarmless) {
    LockObject lock;
    lock->Unlock();
    lock->Unlock();
    EXPECT_FALSE(lock->Lock());  // an unnamed mutex would exclude nobody
    lock->Unlock();
    // A rejected name leaves the object unnamed.
    EXPECT_FALSE(lock->SetLockName(L""));
    EXPECT_FALSE(lock->Lock());
}

TEST(GlbLock, LockHoldsTheNamedMutexUntilUnlockOrRelease) {
    const std::wstring name = UniqueName(L"lock");
    IProtectFileGlbLock* lock = getGlbLockObj();
    ASSERT_TRUE(lock->SetLockName(name));
    ASSERT_TRUE(lock->Lock());
    EXPECT_FALSE(MutexIsFree(name));
    lock->Unlock();
    EXPECT_TRUE(MutexIsFree(name));
    lock->Unlock();  // a second Unlock changes nothing
    EXPECT_TRUE(MutexIsFree(name));

    ASSERT_TRUE(lock->Lock());  // the object can be locked again
    EXPECT_FALSE(MutexIsFree(name));
    lock->Release();  // releases the mutex as it ends the object
    EXPECT_TRUE(MutexIsFree(name));
}

TEST(GlbLock, SecondLockWithoutUnlockKeepsOneAcquisition) {
    // Losing the first handle would leave this thread owning the mutex
    // after Unlock, and every other process blocked for good.
    const std::wstring name = UniqueName(L"lock");
    LockObject lock;
    ASSERT_TRUE(lock->SetLockName(name));
    ASSERT_TRUE(lock->Lock());
    ASSERT_TRUE(lock->Lock());
    EXPECT_FALSE(MutexIsFree(name));
    lock->Unlock();
    EXPECT_TRUE(MutexIsFree(name));
}

TEST(GlbLock, NewNameTakesEffectAtTheNextLock) {
    const std::wstring first = UniqueName(L"first");
    const std::wstring second = UniqueName(L"second");
    LockObject lock;
    ASSERT_TRUE(lock->SetLockName(first));
    ASSERT_TRUE(lock->Lock());
    ASSERT_TRUE(lock->SetLockName(second));  // the held mutex is not touched
    EXPECT_FALSE(MutexIsFree(first));
    ASSERT_TRUE(lock->Lock());
    EXPECT_TRUE(MutexIsFree(first));
    EXPECT_FALSE(MutexIsFree(second));
    lock->Unlock();
    EXPECT_TRUE(MutexIsFree(second));
}

TEST(GlbLock, TwoObjectsOnOneThreadEachGiveBackTheirOwnAcquisition) {
    const std::wstring name = UniqueName(L"lock");
    IProtectFileGlbLock* a = getGlbLockObj();
    LockObject b;
    ASSERT_TRUE(a->SetLockName(name));
    ASSERT_TRUE(b->SetLockName(name));
    ASSERT_TRUE(a->Lock());
    ASSERT_TRUE(b->Lock());  // the owner thread gets it again at once
    a->Release();
    EXPECT_FALSE(MutexIsFree(name));
    b->Unlock();
    EXPECT_TRUE(MutexIsFree(name));
}

TEST(GlbLockProcesses, ProcessesExcludeEachOther) {
    // Each child adds one to a shared number per round, read and written
    // under the lock; a single lost increment shows a missing exclusion.
    const int children = 4;
    const int rounds = 100;
    const std::wstring folder = MakeTempFolder(L"coord-counter");
    const std::wstring counter = folder + L"\\counter.txt";
    FILE* file = _wfopen(counter.c_str(), L"wb");
    ASSERT_NE(nullptr, file);
    fputs("0", file);
    fclose(file);

    const std::wstring lockName = UniqueName(L"counter-lock");
    NamedCounter ready(UniqueName(L"ready"));
    NamedGate go(UniqueName(L"go"));
    std::vector<HANDLE> started;
    for (int i = 0; i < children; ++i)
        started.push_back(StartChild(L"coord_lock_counter",
                                     Wide(Arg(lockName) + " " + Arg(counter) + " " +
                                          std::to_string(rounds) + " " + Arg(ready.name()) +
                                          " " + Arg(go.name()))));
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

TEST(GlbLockProcesses, LockWaitsForTheHolderInAnotherProcessToRelease) {
    const std::wstring name = UniqueName(L"lock");
    NamedGate ready(UniqueName(L"ready"));
    NamedGate go(UniqueName(L"go"));
    HANDLE holder = StartChild(L"coord_lock_holder", Wide(Arg(name) + " " + Arg(ready.name()) +
                                                          " " + Arg(go.name()) + " release"));
    ASSERT_TRUE(WaitGate(ready.name()));
    EXPECT_FALSE(MutexIsFree(name));

    go.Open();
    LockObject lock;
    ASSERT_TRUE(lock->SetLockName(name));
    EXPECT_TRUE(lock->Lock());  // returns once the holder's Release gave it back
    EXPECT_EQ(0, WaitChild(holder));
}

TEST(GlbLockProcesses, ReleaseLetsAWaiterInAnotherProcessProceed) {
    const std::wstring name = UniqueName(L"lock");
    IProtectFileGlbLock* lock = getGlbLockObj();
    ASSERT_TRUE(lock->SetLockName(name));
    ASSERT_TRUE(lock->Lock());

    NamedGate ready(UniqueName(L"ready"));
    HANDLE waiter = StartChild(L"coord_lock_holder",
                               Wide(Arg(name) + " " + Arg(ready.name()) + " - unlock"));
    EXPECT_FALSE(ready.IsOpen());  // it cannot have the lock yet
    lock->Release();
    EXPECT_EQ(0, WaitChild(waiter));  // its Lock returned true
    EXPECT_TRUE(ready.IsOpen());
}

TEST(GlbLockProcesses, HolderThatExitsWithoutReleasingDoesNotBlockTheNextOne) {
    const std::wstring name = UniqueName(L"lock");
    // Another process keeps the mutex open, as in real use; otherwise it would
    // vanish with its last holder.
    KernelHandle kept(CreateMutexW(nullptr, FALSE, name.c_str()));
    NamedGate ready(UniqueName(L"ready"));
    ASSERT_EQ(0, RunChild(L"coord_lock_holder",
                          Wide(Arg(name) + " " + Arg(ready.name()) + " - abandon")));

    LockObject lock;
    ASSERT_TRUE(lock->SetLockName(name));
    EXPECT_FALSE(lock->Lock());  // abandoned: reported, yet owned from now on
    EXPECT_FALSE(MutexIsFree(name));
    lock->Unlock();
    EXPECT_TRUE(MutexIsFree(name));
    EXPECT_TRUE(lock->Lock());  // an ordinary lock again
}
