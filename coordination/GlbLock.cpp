#include "coordination/GlbLock.h"

bool CProtectFileGlbLock::SetLockName(const std::wstring& name) {
    if (name.empty()) return false;
    name_ = name;
    return true;
}

LockOutcome CProtectFileGlbLock::Acquire() {
    // A second Lock without Unlock would otherwise overwrite the held handle:
    // the system would still count this thread's first acquisition, and no
    // later Unlock could give it back. Give it back first; the new lock then
    // also follows a name changed in between.
    Unlock();

    // Without a name the system would make an unnamed mutex that excludes
    // nobody; report that instead of pretending to lock.
    if (name_.empty()) return LockOutcome::kFailed;

    // Open first, create only when missing: the mutex is never created owned,
    // so ownership always comes from the wait below.
    mutex_.Reset(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name_.c_str()));
    if (!mutex_.Valid()) mutex_.Reset(CreateMutexW(nullptr, FALSE, name_.c_str()));
    if (!mutex_.Valid()) return LockOutcome::kFailed;

    switch (WaitForSingleObject(mutex_.Get(), INFINITE)) {
        case WAIT_OBJECT_0: return LockOutcome::kOwned;
        case WAIT_ABANDONED: return LockOutcome::kAbandoned;
        default: return LockOutcome::kFailed;  // handle kept; Unlock closes it
    }
}

bool CProtectFileGlbLock::Lock() { return Acquire() == LockOutcome::kOwned; }

void CProtectFileGlbLock::Unlock() {
    if (!mutex_.Valid()) return;
    ReleaseMutex(mutex_.Get());  // fails harmlessly when the wait had failed
    mutex_.Close();
}

void CProtectFileGlbLock::Release() {
    Unlock();
    delete this;
}
