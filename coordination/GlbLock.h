// CProtectFileGlbLock: one named system mutex shared by every process that
// uses the same name.
#pragma once

#include <windows.h>

#include <string>

#include "IProtectFileGlbLock.h"

class CProtectFileGlbLock final : public IProtectFileGlbLock {
public:
    bool SetLockName(const std::wstring& name) override;
    bool Lock() override;
    void Unlock() override;
    void Release() override;

private:
    HANDLE mutex_ = INVALID_HANDLE_VALUE;
    std::wstring name_;
};
