#include "coordination/ProcEvent.h"

#include "base/HostLog.h"

namespace {

// Without a name the system would make an unnamed event that nobody else
// can set, and the wait would never end.
bool IsUsableName(const wchar_t* name) { return name && *name; }

int LastError() { return static_cast<int>(GetLastError()); }

}  // namespace

void CProcEvent::BindForWaiting(const wchar_t* name, BOOL manualReset) {
    if (event_.Valid()) return;
    if (!IsUsableName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return;
    }
    // The reset mode applies only when this call creates the event; an
    // existing event keeps its own.
    event_.Reset(CreateEventW(nullptr, manualReset, FALSE, name));
}

bool CProcEvent::WaitForEvent() const {
    if (!event_.Valid()) return false;
    DWORD result = WaitForSingleObject(event_.Get(), INFINITE);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

bool CProcEvent::WaitProcEvent(const wchar_t* name) {
    if (!event_.Valid()) {
        BindForWaiting(name, FALSE);
        if (!event_.Valid())
            WriteLog(kLogCreateEventFail, "%s create event faile,error code = %d", LastError());
    }
    return WaitForEvent();
}

bool CProcEvent::WaitProcEventEx(const wchar_t* name, BOOL manualReset) {
    if (!event_.Valid()) {
        BindForWaiting(name, manualReset);
        if (!event_.Valid())
            WriteLog(kLogCreateEventExFail, "%s create event error,error code = %d", LastError());
    }
    bool signalled = WaitForEvent();
    // A manual-reset event stays set after the wait; reset it so the next
    // wait blocks again.
    if (manualReset && event_.Valid()) ResetEvent(event_.Get());
    return signalled;
}

bool CProcEvent::SetProcEvent(const wchar_t* name) {
    if (!event_.Valid()) {
        // Never creates: the waiting side owns the event's existence.
        if (IsUsableName(name)) event_.Reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
        else SetLastError(ERROR_INVALID_NAME);
        if (!event_.Valid()) {
            WriteLog(kLogOpenEventFail, "%s open event error,error code = %d", LastError());
            return false;
        }
    }
    SetEvent(event_.Get());  // its outcome does not change the result
    return true;
}

void CProcEvent::CloseProcEvent() { event_.Close(); }

void CProcEvent::Release() { delete this; }
