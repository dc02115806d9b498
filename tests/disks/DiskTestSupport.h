// What the disk tests share: steering the stand-in components through their
// test-only environment variables, and letters as text for assertions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Sets an environment variable (or removes it, for null) for one scope and
// puts the old value back afterwards. The stand-ins read it at each factory
// call, so it steers the next LoadDiskManager.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
        wchar_t old[1024];
        DWORD length = GetEnvironmentVariableW(name, old, 1024);
        hadValue_ = length > 0 && length < 1024;
        if (hadValue_) old_.assign(old, length);
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnvironment() {
        SetEnvironmentVariableW(name_.c_str(), hadValue_ ? old_.c_str() : nullptr);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
    std::wstring old_;
    bool hadValue_ = false;
};

// A made-up machine for the stand-in enumerator (syntax: outside/enumdisk/EnumDisk.cpp).
class ScriptedMachine : public ScopedEnvironment {
public:
    explicit ScriptedMachine(const wchar_t* layout)
        : ScopedEnvironment(L"ENUMDISK_LAYOUT", layout) {}
};

inline std::wstring AsText(const std::vector<wchar_t>& letters) {
    return std::wstring(letters.begin(), letters.end());
}
