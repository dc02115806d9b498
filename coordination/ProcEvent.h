// CProcEvent: waits for, or sets, one named event.
#pragma once

#include <windows.h>

#include "IProcEvent.h"

class CProcEvent final : public IProcEvent {
public:
    bool WaitProcEvent(const wchar_t* name) override;
    bool WaitProcEventEx(const wchar_t* name, BOOL manualReset) override;
    bool SetProcEvent(const wchar_t* name) override;
    void CloseProcEvent() override;
    void Release() override;

private:
    HANDLE event_ = nullptr;
};
