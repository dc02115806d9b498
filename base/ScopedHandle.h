// One owner per Win32 handle: kernel handles, service handles, loaded
// modules and LocalAlloc memory. Each frees what it holds exactly once, when
// it goes out of scope or takes another, so every early return releases what
// was opened.
#pragma once

#include <windows.h>

#include <winsvc.h>

template <typename Handle, auto Free>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) { Reset(handle); }
    ~ScopedHandle() { Close(); }

    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    Handle Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr; }

    // Frees what is held and takes over `handle`. Kernel creation functions
    // return null on failure and file functions INVALID_HANDLE_VALUE; both
    // mean "none" here, because INVALID_HANDLE_VALUE is also the pseudo
    // handle of the current process: a wait on it would block forever
    // instead of failing.
    void Reset(Handle handle) {
        Close();
        handle_ = handle == reinterpret_cast<Handle>(INVALID_HANDLE_VALUE) ? nullptr : handle;
    }

    void Close() {
        if (handle_) Free(handle_);
        handle_ = nullptr;
    }

private:
    Handle handle_ = nullptr;
};

using KernelHandle = ScopedHandle<HANDLE, &CloseHandle>;
using ScopedServiceHandle = ScopedHandle<SC_HANDLE, &CloseServiceHandle>;
using ScopedLibrary = ScopedHandle<HMODULE, &FreeLibrary>;
using ScopedLocalMemory = ScopedHandle<HLOCAL, &LocalFree>;
