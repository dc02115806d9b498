// Lets a 32-bit process on 64-bit Windows see the real system folders while
// it asks about a path: file-system redirection is turned off for the
// calling thread for the lifetime of the object and restored after.
// In a 64-bit process, or where the platform lacks these entries, it does
// nothing.
#pragma once

class ScopedFsRedirectionOff {
public:
    ScopedFsRedirectionOff();
    ~ScopedFsRedirectionOff();
    ScopedFsRedirectionOff(const ScopedFsRedirectionOff&) = delete;
    ScopedFsRedirectionOff& operator=(const ScopedFsRedirectionOff&) = delete;

private:
    void* saved_ = nullptr;
    bool disabled_ = false;
};
