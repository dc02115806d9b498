// CacheFileLock: the machine-wide lock around one change of the cache file,
// held for the lifetime of the object when it can be had.
#pragma once

#include "coordination/GlbLock.h"

// Every process that uses the cache file relies on this exact name. It has no
// "Global\" prefix (the forward slash is an ordinary character), so the mutex
// lives in the caller's own object namespace.
constexpr wchar_t kCacheMutexName[] = L"GLOBAL/{B4KP4B35-0193-4B24-5479-0BFGKB5FEEH7}";

// When the mutex cannot be had (its name taken by another kind of object, or
// no access) the work carries on without it: every change also holds the
// file's exclusive open, which orders all processes by itself. The mutex
// only queues them without the retry loop of the open.
class CacheFileLock {
public:
    CacheFileLock() : lock_(new CProtectFileGlbLock()) {
        lock_->SetLockName(kCacheMutexName);
        lock_->Acquire();  // owned, abandoned (ours now) or not had: go on
    }
    ~CacheFileLock() { lock_->Release(); }

    CacheFileLock(const CacheFileLock&) = delete;
    CacheFileLock& operator=(const CacheFileLock&) = delete;

private:
    CProtectFileGlbLock* lock_;
};
