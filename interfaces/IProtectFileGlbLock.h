// A lock shared by every process that names the same system mutex.
#pragma once

#include <string>

class IProtectFileGlbLock {
public:
    virtual bool SetLockName(const std::wstring& name) = 0;  // 0
    virtual bool Lock() = 0;                                 // 1
    virtual void Unlock() = 0;                               // 2
    virtual void Release() = 0;                              // 3
};
