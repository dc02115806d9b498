// The machine-wide named lock and process events, as hosts reach them through
// getGlbLockObj and GetObjProcEvent, and across processes with coord_child.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

namespace {

// Releases the lock object at the end of a test, whatever happens in it.
struct LockObject {
    IProtectFileGlbLock* lock = getGlbLockObj();
    ~LockObject() { lock->Release(); }
    IProtectFileGlbLock* operator->() const { return lock; }
};

struct EventObject {
    IProcEvent* event = GetObjProcEvent();
    ~EventObject() {
        event->CloseProcEvent();
        event->Release();
    }
    IProcEvent* operator->() const { return event; }
};

bool EventExists(const std::wstring& name) {
    return fileprotect::Handle(OpenEventW(SYNCHRONIZE, FALSE, name.c_str())).Valid();
}

// Sets the named event through the library once a waiter has created it.
void SetWhenCreated(IProcEvent* setter, const std::wstring& name) {
    while (!setter->SetProcEvent(name.c_str())) Sleep(10);
}

}  // namespace

TEST(GlbLock, NeedsANameAndHoldsTheNamedMutexUntilUnlockOrRelease) {
    const std::wstring name = UniqueName(L"lock");
    IProtectFileGlbLock* lock = getGlbLockObj();
    lock->Unlock();  // nothing held: nothing happens
    EXPECT_FALSE(lock->SetLockName(L""));
    EXPECT_FALSE(lock->Lock());  // an unnamed mutex would exclude nobody
    ASSERT_TRUE(lock->SetLockName(name));
    // Another handle keeps the mutex in being, as other processes do: an
    // Unlock or Release that only closed its handle would leave it owned.
    fileprotect::Handle other(CreateMutexW(nullptr, FALSE, name.c_str()));
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

TEST(GlbLockProcesses, ProcessesWaitForTheHolderAndExcludeEachOther) {
    // Each child adds one to a shared number per round, read and written
    // under the lock; a single lost increment shows a missing exclusion. This
    // process holds the lock as they start: none may count until its Release.
    const int children = 4;
    const int rounds = 100;
    const std::wstring name = UniqueName(L"counter-lock");
    const std::wstring counter = MakeTempFolder(L"coord-counter") + L"\\counter.txt";
    ASSERT_TRUE(WriteBytes(counter, "0"));
    IProtectFileGlbLock* holder = getGlbLockObj();
    ASSERT_TRUE(holder->SetLockName(name) && holder->Lock());

    NamedCounter ready(UniqueName(L"ready"));
    NamedGate go(UniqueName(L"go"));
    const std::wstring arguments = L"count " + name + L" " + counter + L" " +
                                   std::to_wstring(rounds) + L" " + ready.name() + L" " + go.name();
    std::vector<HANDLE> started(children);
    for (HANDLE& child : started) child = StartChild(L"coord_child", arguments);
    EXPECT_TRUE(ready.WaitFor(children));
    go.Open();
    Sleep(200);
    EXPECT_EQ("0", ReadBytes(counter));
    holder->Release();
    for (HANDLE child : started) EXPECT_EQ(0, WaitChild(child));
    EXPECT_EQ(std::to_string(children * rounds), ReadBytes(counter));
}

TEST(GlbLockProcesses, HolderThatExitsWithoutReleasingDoesNotBlockTheNextOne) {
    const std::wstring name = UniqueName(L"lock");
    // Another process keeps the mutex open, as in real use; otherwise it would
    // vanish with its last holder.
    fileprotect::Handle kept(CreateMutexW(nullptr, FALSE, name.c_str()));
    ASSERT_EQ(0, RunChild(L"coord_child", L"abandon " + name));

    LockObject lock;
    ASSERT_TRUE(lock->SetLockName(name));
    EXPECT_FALSE(lock->Lock());  // abandoned: reported, yet owned from now on
    EXPECT_FALSE(MutexIsFree(name));
    lock->Unlock();
    EXPECT_TRUE(MutexIsFree(name));
    EXPECT_TRUE(lock->Lock());  // an ordinary lock again
}

TEST(ProcEventProcesses, WaiterIsReleasedBySetterInAnotherProcess) {
    const std::wstring name = UniqueName(L"event");
    HANDLE setter = StartChild(L"coord_child", L"set " + name);
    EventObject waiter;
    EXPECT_TRUE(waiter->WaitProcEvent(name.c_str()));
    EXPECT_EQ(0, WaitChild(setter));
}

TEST(ProcEvent, FailuresToCreateOrOpenAreLoggedAndReturnAtOnce) {
    LogCapture log;
    EventObject setter;
    const std::wstring missing = UniqueName(L"missing");
    EXPECT_FALSE(setter->SetProcEvent(missing.c_str()));
    EXPECT_FALSE(EventExists(missing));  // setting never creates the event

    // A mutex already owns the name, so no event of that name can be made.
    const std::wstring taken = UniqueName(L"taken");
    fileprotect::Handle mutex(CreateMutexW(nullptr, FALSE, taken.c_str()));
    EXPECT_FALSE(EventObject()->WaitProcEvent(taken.c_str()));
    EXPECT_FALSE(EventObject()->WaitProcEventEx(taken.c_str(), TRUE));
    // No name at all: an unnamed event could never be set by anyone.
    EXPECT_FALSE(EventObject()->WaitProcEvent(nullptr));
    EXPECT_FALSE(EventObject()->WaitProcEventEx(L"", FALSE));

    for (const char* expected : {"FileProtectCfgMgr.cpp(2376) open event error,error code = 2",
                                 "FileProtectCfgMgr.cpp(2337) create event faile,error code = 6",
                                 "FileProtectCfgMgr.cpp(2356) create event error,error code = 6",
                                 "FileProtectCfgMgr.cpp(2337) create event faile,error code = 123",
                                 "FileProtectCfgMgr.cpp(2356) create event error,error code = 123"})
        EXPECT_TRUE(log.Has(expected)) << expected;
}

TEST(ProcEvent, ObjectStaysBoundToItsFirstEvent) {
    // The second wait names another event, yet waits on the first one: only
    // a second set of the first event can end it.
    const std::wstring first = UniqueName(L"first");
    const std::wstring second = UniqueName(L"second");
    EventObject waiter;
    EventObject setter;
    NamedGate firstWaitDone(UniqueName(L"done"));
    bool results[2] = {false, false};
    std::thread waiting([&] {
        results[0] = waiter->WaitProcEvent(first.c_str());
        firstWaitDone.Open();
        results[1] = waiter->WaitProcEvent(second.c_str());
    });
    SetWhenCreated(setter.event, first);
    WaitGate(firstWaitDone.name());
    EXPECT_TRUE(setter->SetProcEvent(second.c_str()));  // bound too: sets the first
    waiting.join();
    EXPECT_TRUE(results[0] && results[1]);
    EXPECT_FALSE(EventExists(second));
    EXPECT_FALSE(GateIsOpen(first));  // auto-reset: each wait took its set
}

TEST(ProcEvent, ManualResetWaitLeavesTheEventUnset) {
    const std::wstring name = UniqueName(L"manual");
    EventObject waiter;
    EventObject setter;
    bool result = false;
    std::thread waiting([&] { result = waiter->WaitProcEventEx(name.c_str(), TRUE); });
    SetWhenCreated(setter.event, name);
    waiting.join();
    EXPECT_TRUE(result);
    EXPECT_FALSE(GateIsOpen(name));  // a manual-reset event would stay set otherwise
    setter->SetProcEvent(name.c_str());
    EXPECT_TRUE(GateIsOpen(name));  // still manual-reset: it stays set now
}

TEST(ProcEvent, CloseUnbindsAndReleaseClosesAHandleStillHeld) {
    const std::wstring first = UniqueName(L"first");
    const std::wstring second = UniqueName(L"second");
    fileprotect::Handle a(CreateEventW(nullptr, TRUE, FALSE, first.c_str()));
    fileprotect::Handle b(CreateEventW(nullptr, TRUE, FALSE, second.c_str()));
    IProcEvent* object = GetObjProcEvent();
    object->CloseProcEvent();  // nothing held: nothing happens
    ASSERT_TRUE(object->SetProcEvent(first.c_str()));
    object->CloseProcEvent();
    ResetEvent(a.Get());
    ASSERT_TRUE(object->SetProcEvent(second.c_str()));
    EXPECT_FALSE(GateIsOpen(first));
    EXPECT_TRUE(GateIsOpen(second));

    b.Close();
    EXPECT_TRUE(EventExists(second));  // the object's handle keeps it alive
    object->Release();                 // no CloseProcEvent first
    EXPECT_FALSE(EventExists(second));
}
