#include "GlbLock.h"

bool CProtectFileGlbLock::SetLockName(const std::wstring& name) {
    if (name.empty()) return false;
    name_ = name;
    return true;
}

bool CProtectFileGlbLock::Lock() { return false; }

void CProtectFileGlbLock::Unlock() {}

void CProtectFileGlbLock::Release() {
    Unlock();
    delete this;
}
