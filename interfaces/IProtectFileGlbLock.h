// A lock shared by every thread and process that locks the same name: a named
// system mutex. Obtained from getGlbLockObj(), a new object per call, owned by
// the caller and ended by Release().
//
// Thread safety: one object is used by one thread at a time. The mutex belongs
// to the thread whose Lock() succeeded, so Unlock() must run on that thread.
// Any number of objects, in any threads and processes, may lock one name.
#pragma once

#include <string>

#include "SharedRuntime.h"

class IProtectFileGlbLock {
public:
    // Sets the name of the system mutex that the next Lock() takes; the name
    // goes to the system unchanged ("Global\\..." spans sessions). Returns
    // false, keeping the previous name, when name is empty. A mutex already
    // held stays held.
    virtual bool SetLockName(const std::wstring& name) = 0;  // 0

    // Requires SetLockName(). Opens (or creates) the named mutex and waits for
    // it without time-out. Returns true when this thread owns it. Returns false
    // when there is no name or the mutex could not be had, and also when its
    // previous owner ended without unlocking (abandoned): this thread then owns
    // the mutex all the same and must still call Unlock(). A Lock() while this
    // object already holds the mutex gives the held one back first.
    virtual bool Lock() = 0;  // 1

    // Releases and closes the mutex taken by Lock(); nothing when none is held.
    // Must run on the thread that called Lock().
    virtual void Unlock() = 0;  // 2

    // Unlock(), then frees this object; the pointer is invalid afterwards.
    virtual void Release() = 0;  // 3

protected:
    ~IProtectFileGlbLock() = default;  // ended by Release(), never by delete
};
