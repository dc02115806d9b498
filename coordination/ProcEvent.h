// CProcEvent: waits for, or sets, one named event. An object binds to the
// first event it creates or opens and keeps it, whatever names later calls
// pass, until CloseProcEvent or Release.
#pragma once

#include <windows.h>

#include "interfaces/IProcEvent.h"
#include "base/ScopedHandle.h"

class CProcEvent final : public IProcEvent {
public:
    bool WaitProcEvent(const wchar_t* name) override;
    bool WaitProcEventEx(const wchar_t* name, BOOL manualReset) override;
    bool SetProcEvent(const wchar_t* name) override;
    void CloseProcEvent() override;
    // Also closes a handle still held, so a forgotten CloseProcEvent leaks
    // nothing.
    void Release() override;

private:
    // Creates (or opens, if it exists) the named event unless one is held.
    void BindForWaiting(const wchar_t* name, BOOL manualReset);
    bool WaitForEvent() const;

    KernelHandle event_;
};
