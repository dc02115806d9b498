// The host kit: what a program that uses FileProtect.dll needs beside the
// interfaces, in one header of its own (nothing here is in the DLL). The
// library loaded by name and its factories looked up; per-call objects that
// end with their Release; a kernel handle that closes itself; UTF-8 and the
// system's error texts for a console; and the names every process of the
// feature shares.
//
//   fileprotect::Library library;              // throws std::runtime_error
//   IFileProtectCfgMgr* store = library.Store();
//   if (!store->InitDb()) ...
//   fileprotect::Owned<IProtectFileGlbLock> lock = library.NewLock();
//   lock->SetLockName(L"my lock");
#pragma once

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "FileProtectExports.h"

namespace fileprotect {

// The mutex around every change of the cache file. The forward slash is an
// ordinary character: the name lives in the caller's own object namespace.
constexpr wchar_t kCacheMutexName[] = L"GLOBAL/{B4KP4B35-0193-4B24-5479-0BFGKB5FEEH7}";

// The rule database's file name in the library's data folder
// (IHlpFunc::GetDataFolder).
constexpr wchar_t kRuleDatabaseName[] = L"FileProtect.db";

// Ends a per-call object (lock, events, disk manager) with its own Release,
// which frees it inside the library.
struct ReleaseObject {
    template <typename Object>
    void operator()(Object* object) const {
        if (object) object->Release();
    }
};
template <typename Object>
using Owned = std::unique_ptr<Object, ReleaseObject>;

// One kernel handle, closed exactly once. Creation functions return null on
// failure and file functions INVALID_HANDLE_VALUE; both mean "none" here
// (INVALID_HANDLE_VALUE is also the current process's pseudo handle, which a
// wait would never see signalled).
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) { Reset(handle); }
    ~Handle() { Close(); }
    Handle(Handle&& other) noexcept : handle_(other.Release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr; }

    // Closes what is held and takes over `handle`.
    void Reset(HANDLE handle = nullptr) {
        Close();
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }
    // Gives the handle up without closing it.
    HANDLE Release() {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    void Close() {
        if (handle_) CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    HANDLE handle_ = nullptr;
};

// UTF-16 to UTF-8 and back, for consoles, files and command lines. Unpaired
// surrogates and bytes that are not UTF-8 become U+FFFD.
inline std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int units = static_cast<int>(text.size());
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr),
                     '\0');
    if (!utf8.empty())
        WideCharToMultiByte(CP_UTF8, 0, text.data(), units, &utf8[0], static_cast<int>(utf8.size()),
                            nullptr, nullptr);
    return utf8;
}

inline std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int bytes = static_cast<int>(utf8.size());
    std::wstring text(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, nullptr, 0), L'\0');
    if (!text.empty())
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), bytes, &text[0], static_cast<int>(text.size()));
    return text;
}

// Where the store keeps the rule database, for a host that reads it with
// SQLite itself or checks that it is there.
inline std::wstring RuleDatabasePath(IHlpFunc* helper) {
    return helper->GetDataFolder() + L"\\" + kRuleDatabaseName;
}

// "error 5: Access is denied.": a system error code with the system's own
// words for it, for a message to a person.
inline std::string ErrorText(DWORD code) {
    std::string text = "error " + std::to_string(code);
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring words = message ? std::wstring(message, length) : std::wstring();
    LocalFree(message);
    while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' || words.back() == L' '))
        words.pop_back();
    return words.empty() ? text : text + ": " + Utf8(words);
}

// FileProtect.dll, loaded from the program's own folder first (where the
// package puts it), then as Windows searches. It stays loaded until the
// process ends, so the library's singletons clean up only after the host.
class Library {
public:
    Library() {
        wchar_t program[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
        std::wstring beside(program, length < MAX_PATH ? length : 0);
        beside.erase(beside.find_last_of(L"\\/") + 1);
        module_ = LoadLibraryW((beside + L"FileProtect.dll").c_str());
        if (!module_) module_ = LoadLibraryW(L"FileProtect.dll");
        if (!module_)
            throw std::runtime_error("cannot load FileProtect.dll (" + ErrorText(GetLastError()) + ")");
    }

    IHlpFunc* Helper() const { return Find<GetHlpObjFn>("getHlpObj")(); }
    // The store's InitDb is the caller's to call.
    IFileProtectCfgMgr* Store() const { return Find<GetFileProtectDbMgrFn>("getFileProtectDbMgr")(); }
    IProtectFileCacheFileMgr* Cache() const {
        return Find<GetFileProtectCacheMgrFn>("getFileProtectCacheMgr")();
    }
    Owned<IProtectFileGlbLock> NewLock() const {
        return Owned<IProtectFileGlbLock>(Find<GetGlbLockObjFn>("getGlbLockObj")());
    }
    Owned<IProcEvent> NewEvents() const {
        return Owned<IProcEvent>(Find<GetObjProcEventFn>("GetObjProcEvent")());
    }
    Owned<IProtectFileProtectDiskMgr> NewDiskManager() const {
        return Owned<IProtectFileProtectDiskMgr>(Find<GetProtectDiskMgrFn>("GetProtectDiskMgr")());
    }

    // Where the store keeps the rule database on this machine.
    std::wstring RuleDatabasePath() const { return fileprotect::RuleDatabasePath(Helper()); }

private:
    template <typename Factory>
    Factory Find(const char* name) const {
        auto factory = reinterpret_cast<Factory>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
        if (!factory) throw std::runtime_error(std::string("FileProtect.dll has no export ") + name);
        return factory;
    }

    HMODULE module_ = nullptr;
};

}  // namespace fileprotect
