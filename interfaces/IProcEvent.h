// Signalling between processes through a named system event: one side waits,
// the other sets. Obtained from GetObjProcEvent(), a new object per call, owned
// by the caller and ended by Release().
//
// Thread safety: one object is used by one thread at a time. The waits block
// the calling thread without time-out; nothing in this interface interrupts
// them. Any number of objects, in any processes, may use one event name.
#pragma once

#include <windows.h>

#include "SharedRuntime.h"

class IProcEvent {
public:
    // Creates the named event as auto-reset if it does not exist yet (opens it
    // otherwise) and waits for it without time-out; one SetProcEvent() releases
    // one waiter. The object keeps the event: later waits and sets on this
    // object use it whatever name they pass, until CloseProcEvent(). Returns
    // true when the event was set; false, at once, when it could not be created
    // (logged to the host logger) or name is null or empty.
    virtual bool WaitProcEvent(const wchar_t* name) = 0;  // 0

    // As WaitProcEvent(), but an event that this call creates is manual-reset
    // when manualReset is non-zero; this call then resets the event after its
    // wait, so the next wait blocks again. An existing event keeps its mode.
    virtual bool WaitProcEventEx(const wchar_t* name, BOOL manualReset) = 0;  // 1

    // Sets the named event. Never creates it: returns false (and logs) until
    // some process has created it with a wait and while it still exists.
    virtual bool SetProcEvent(const wchar_t* name) = 0;  // 2

    // Closes the event this object holds, if any; the next call binds anew.
    virtual void CloseProcEvent() = 0;  // 3

    // Closes the event this object holds, if any, and frees this object; the
    // pointer is invalid afterwards.
    virtual void Release() = 0;  // 4

protected:
    ~IProcEvent() = default;  // ended by Release(), never by delete
};
