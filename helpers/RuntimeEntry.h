// Entries that may be missing from a platform DLL are looked up by name at
// run time, so the library still loads where they do not exist.
#pragma once

#include <windows.h>

// The named entry of an already loaded module as a function pointer of type
// Fn, or null when the module or the entry is missing.
template <typename Fn>
Fn FindEntry(const wchar_t* module, const char* name) {
    HMODULE handle = GetModuleHandleW(module);
    if (!handle) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

template <typename Fn>
Fn FindEntry(HMODULE module, const char* name) {
    if (!module) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
