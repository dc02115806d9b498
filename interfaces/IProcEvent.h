// Waiting for and signalling a named event between processes.
#pragma once

#include <windows.h>

class IProcEvent {
public:
    virtual bool WaitProcEvent(const wchar_t* name) = 0;                  // 0
    virtual bool WaitProcEventEx(const wchar_t* name, BOOL manualReset) = 0;  // 1
    virtual bool SetProcEvent(const wchar_t* name) = 0;                   // 2
    virtual void CloseProcEvent() = 0;                                    // 3
    virtual void Release() = 0;                                           // 4
};
