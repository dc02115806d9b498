// Process events, as hosts reach them through GetObjProcEvent, and across
// processes with the coord_event child program.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "TestSupport.h"
#include "../procs/coord_sync.h"

namespace {

struct EventObject {
    IProcEvent* event = GetObjProcEvent();
    ~EventObject() {
        event->CloseProcEvent();
        event->Release();
    }
    IProcEvent* operator->() const { return event; }
};

bool EventExists(const std::wstring& name) {
    KernelHandle event(OpenEventW(SYNCHRONIZE, FALSE, name.c_str()));
    return event.Held();
}

bool EventIsSet(const std::wstring& name) { return GateIsOpen(name); }

// Sets the named event through the library once a waiter has created it.
void SetWhenCreated(IProcEvent* setter, const std::wstring& name) {
    while (!setter->SetProcEvent(name.c_str())) Sleep(10);
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line == text) return true;
    return false;
}

}  // namespace

TEST(ProcEventProcesses, WaiterHereIsReleasedBySetterInAnotherProcess) {
    const std::wstring name = UniqueName(L"event");
    HANDLE setter = StartChild(L"coord_event", L"set " + name);
    EventObject waiter;
    EXPECT_TRUE(waiter->WaitProcEvent(name.c_str()));
    EXPECT_EQ(0, WaitChild(setter));
}

TEST(ProcEventProcesses, WaiterInAnotherProcessIsReleasedBySetterHere) {
    LogCapture log;  // the failed sets before the child's wait are logged
    const std::wstring name = UniqueName(L"event");
    HANDLE waiter = StartChild(L"coord_event", L"wait " + name);
    EventObject setter;
    SetWhenCreated(setter.event, name);
    EXPECT_EQ(0, WaitChild(waiter));
}

TEST(ProcEvent, SetBeforeAnyWaiterFailsAndIsLogged) {
    LogCapture log;
    const std::wstring name = UniqueName(L"event");
    EventObject setter;
    EXPECT_FALSE(setter->SetProcEvent(name.c_str()));
    EXPECT_FALSE(EventExists(name));  // setting never creates the event
    EXPECT_TRUE(Contains(log.Lines(),
                         "FileProtectCfgMgr.cpp(2376) open event error,error code = 2"));
}

TEST(ProcEvent, FailedCreationIsLoggedAndTheWaitReturnsAtOnce) {
    LogCapture log;
    // A mutex already owns the name, so no event of that name can be made.
    const std::wstring name = UniqueName(L"taken");
    KernelHandle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
    {
        EventObject waiter;
        EXPECT_FALSE(waiter->WaitProcEvent(name.c_str()));
        EXPECT_FALSE(waiter->WaitProcEventEx(name.c_str(), TRUE));
    }
    // No name at all: an unnamed event could never be set by anyone.
    EventObject unnamed;
    EXPECT_FALSE(unnamed->WaitProcEvent(nullptr));
    EXPECT_FALSE(unnamed->WaitProcEventEx(L"", FALSE));
    EXPECT_FALSE(unnamed->SetProcEvent(nullptr));

    const std::vector<std::string> lines = log.Lines();
    EXPECT_TRUE(Contains(lines, "FileProtectCfgMgr.cpp(2337) create event faile,error code = 6"));
    EXPECT_TRUE(Contains(lines, "FileProtectCfgMgr.cpp(2356) create event error,error code = 6"));
    EXPECT_TRUE(Contains(lines, "FileProtectCfgMgr.cpp(2337) create event faile,error code = 123"));
    EXPECT_TRUE(Contains(lines, "FileProtectCfgMgr.cpp(2356) create event error,error code = 123"));
    EXPECT_TRUE(Contains(lines, "FileProtectCfgMgr.cpp(2376) open event error,error code = 123"));
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
    EXPECT_TRUE(setter->SetProcEvent(second.c_str()));  // bound: sets the first again
    waiting.join();
    EXPECT_TRUE(results[0]);
    EXPECT_TRUE(results[1]);
    EXPECT_FALSE(EventExists(second));
    // Auto-reset: each wait consumed its set.
    EXPECT_FALSE(EventIsSet(first));
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
    EXPECT_FALSE(EventIsSet(name));  // a manual-reset event would stay set otherwise

    setter->SetProcEvent(name.c_str());  // still manual-reset: it stays set now
    EXPECT_TRUE(EventIsSet(name));
}

TEST(ProcEvent, HandleOpenedForSettingCannotWait) {
    const std::wstring name = UniqueName(L"event");
    // Manual reset and set: were the wait allowed, it would return true.
    KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
    EventObject object;
    ASSERT_TRUE(object->SetProcEvent(name.c_str()));
    EXPECT_TRUE(EventIsSet(name));
    EXPECT_FALSE(object->WaitProcEvent(name.c_str()));  // no right to wait
}

TEST(ProcEvent, CloseUnbindsAndTheNextCallBindsAnew) {
    const std::wstring first = UniqueName(L"first");
    const std::wstring second = UniqueName(L"second");
    KernelHandle a(CreateEventW(nullptr, TRUE, FALSE, first.c_str()));
    KernelHandle b(CreateEventW(nullptr, TRUE, FALSE, second.c_str()));
    EventObject object;
    object->CloseProcEvent();  // nothing held: nothing happens
    ASSERT_TRUE(object->SetProcEvent(first.c_str()));
    object->CloseProcEvent();
    ResetEvent(a.Get());
    ASSERT_TRUE(object->SetProcEvent(second.c_str()));
    EXPECT_FALSE(EventIsSet(first));
    EXPECT_TRUE(EventIsSet(second));
}

TEST(ProcEvent, ReleaseClosesAHandleStillHeld) {
    const std::wstring name = UniqueName(L"event");
    KernelHandle created(CreateEventW(nullptr, FALSE, FALSE, name.c_str()));
    IProcEvent* object = GetObjProcEvent();
    ASSERT_TRUE(object->SetProcEvent(name.c_str()));
    created.Close();
    EXPECT_TRUE(EventExists(name));  // the object's handle keeps it alive
    object->Release();               // no CloseProcEvent first
    EXPECT_FALSE(EventExists(name));
}
