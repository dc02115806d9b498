// Ownership of the Win32 handles that are not kernel handles (those have
// KernelHandle): service handles, loaded modules and LocalAlloc memory. Each
// ScopedHandle frees what it holds when it goes out of scope, so every early
// return releases what was opened.
#pragma once

#include <windows.h>

#include <winsvc.h>

template <typename Handle, auto Close>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_) Close(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool valid() const { return handle_ != nullptr; }
    Handle get() const { return handle_; }

private:
    Handle handle_ = nullptr;
};

using ScopedServiceHandle = ScopedHandle<SC_HANDLE, &CloseServiceHandle>;
using ScopedLibrary = ScopedHandle<HMODULE, &FreeLibrary>;
using ScopedLocalMemory = ScopedHandle<HLOCAL, &LocalFree>;
