// Process events, as hosts reach them through GetObjProcEvent, and across
// processes with the coord_event child program.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

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

// Sets the named event through the library once a waiter has created it.
void SetWhenCreated(IProcEvent* setter, const std::wstring& name) {
    while (!setter->SetProcEvent(name.c_str())) Sleep(10);
}

bool Logged(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line == text) return true;
    return false;
}

}  // namespace

TEST(ProcEventProcesses, WaiterIsReleasedBySetterInAnotherProcess) {
    const std::wstring name = UniqueName(L"event");
    HANDLE setter = StartChild(L"coord_event", name);
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
    KernelHandle mutex(CreateMutexW(nullptr, FALSE, taken.c_str()));
    EXPECT_FALSE(EventObject()->WaitProcEvent(taken.c_str()));
    EXPECT_FALSE(EventObject()->WaitProcEventEx(taken.c_str(), TRUE));
    // No name at all: an unnamed event could never be set by anyone.
    EXPECT_FALSE(EventObject()->WaitProcEvent(nullptr));
    EXPECT_FALSE(EventObject()->WaitProcEventEx(L"", FALSE));

    const std::vector<std::string> lines = log.Lines();
    EXPECT_TRUE(Logged(lines, "FileProtectCfgMgr.cpp(2376) open event error,error code = 2"));
    EXPECT_TRUE(Logged(lines, "FileProtectCfgMgr.cpp(2337) create event faile,error code = 6"));
    EXPECT_TRUE(Logged(lines, "FileProtectCfgMgr.cpp(2356) create event error,error code = 6"));
    EXPECT_TRUE(Logged(lines, "FileProtectCfgMgr.cpp(2337) create event faile,error code = 123"));
    EXPECT_TRUE(Logged(lines, "FileProtectCfgMgr.cpp(2356) create event error,error code = 123"));
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
    KernelHandle a(CreateEventW(nullptr, TRUE, FALSE, first.c_str()));
    KernelHandle b(CreateEventW(nullptr, TRUE, FALSE, second.c_str()));
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
