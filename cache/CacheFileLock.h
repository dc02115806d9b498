// CacheFileLock: the machine-wide lock around one read-modify-write of the
// cache file, held for the lifetime of the object.
#pragma once

#include "GlbLock.h"

// Every process that uses the cache file relies on this exact name. It has no
// "Global\" prefix (the forward slash is an ordinary character), so the mutex
// lives in the caller's own object namespace.
constexpr wchar_t kCacheMutexName[] = L"GLOBAL/{B4KP4B35-0193-4B24-5479-0BFGKB5FEEH7}";

class CacheFileLock {
public:
    CacheFileLock() : lock_(new CProtectFileGlbLock()) {
        lock_->SetLockName(kCacheMutexName);
        outcome_ = lock_->Acquire();
    }
    ~CacheFileLock() { lock_->Release(); }

    CacheFileLock(const CacheFileLock&) = delete;
    CacheFileLock& operator=(const CacheFileLock&) = delete;

    // An abandoned mutex is ours as much as a freely given one: its holder
    // died, and what it left in the file is whatever it last saved whole.
    bool Held() const { return outcome_ != LockOutcome::kFailed; }

private:
    CProtectFileGlbLock* lock_;
    LockOutcome outcome_ = LockOutcome::kFailed;
};
