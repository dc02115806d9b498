// KernelHandle: owns one Win32 kernel handle and closes it exactly once.
//
// The platform has two "no handle" values: creation functions return null,
// file-style functions return INVALID_HANDLE_VALUE. Both are kept as null
// here, because INVALID_HANDLE_VALUE is also the pseudo handle of the current
// process: waiting on it would block forever instead of failing.
#pragma once

#include <windows.h>

class KernelHandle {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) { Reset(handle); }
    ~KernelHandle() { Close(); }

    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Held() const { return handle_ != nullptr; }

    // Closes what is held and takes over `handle` (either no-handle value
    // means nothing is taken).
    void Reset(HANDLE handle) {
        Close();
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

    void Close() {
        if (handle_) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};
