// CProtectFileGlbLock: one named system mutex shared by every process that
// uses the same name. No time-out, no retry, no logging: callers decide what
// a failed lock means for them.
#pragma once

#include <windows.h>

#include <string>

#include "interfaces/IProtectFileGlbLock.h"
#include "base/ScopedHandle.h"

// How a wait for the mutex ended. Inside the library a caller can tell an
// abandoned mutex (a holder died; the caller owns it now) from a real failure.
enum class LockOutcome {
    kOwned,      // the wait succeeded
    kAbandoned,  // the previous owner ended without releasing; we own it now
    kFailed,     // no mutex could be opened or created, or the wait failed
};

class CProtectFileGlbLock final : public IProtectFileGlbLock {
public:
    bool SetLockName(const std::wstring& name) override;
    // True only for a plain successful wait; an abandoned mutex gives false
    // although this thread then owns it until Unlock or Release.
    bool Lock() override;
    void Unlock() override;
    void Release() override;

    // The steps of Lock, with the outcome told apart.
    LockOutcome Acquire();

private:
    KernelHandle mutex_;
    std::wstring name_;
};
