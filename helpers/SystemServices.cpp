// Process, user and system services: image paths, the user's SID, starting
// and shell-opening, the application-data folders, existence tests and
// service state. Nothing here keeps state between calls.
#include <windows.h>

#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winsvc.h>

#include <string>
#include <vector>

#include "helpers/FsRedirection.h"
#include "base/Helper.h"
#include "helpers/HlpFunc.h"
#include "base/ScopedHandle.h"

namespace {

constexpr DWORD kPathCapacity = 260;
// The longest path the platform knows, in characters.
constexpr DWORD kLongestPath = 32768;

const wchar_t kDataFolderName[] = L"\\TevraZQ";

template <typename Text>
bool HasEmbeddedNul(const Text& text) {
    return text.find(typename Text::value_type(0)) != Text::npos;
}

// The attributes of a path as the real file system has them, or
// INVALID_FILE_ATTRIBUTES and the error, read before redirection is restored.
DWORD RealFileAttributes(const wchar_t* path, DWORD* error = nullptr) {
    ScopedFsRedirectionOff redirectionOff;
    DWORD attributes = GetFileAttributesW(path);
    if (error) *error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_SUCCESS;
    return attributes;
}

std::wstring KnownFolder(int folder) {
    wchar_t path[kPathCapacity] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
}

// Errors that say the path is not there, or cannot be there at all.
bool MeansAbsent(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_INVALID_DRIVE:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::wstring CHlpFunc::GetProcessPath(uint32_t processId) {
    // Trust is decided on this path, so it comes from the system's record of
    // the image the process was started from, never from the process's own
    // memory (its loader entries and parameters), which it may rewrite.
    // Limited query rights are all that needs, so more processes answer.
    KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.Valid()) return std::wstring();
    for (DWORD capacity = kPathCapacity; capacity <= 2 * kLongestPath; capacity *= 2) {
        std::vector<wchar_t> buffer(capacity, L'\0');
        DWORD length = capacity;
        if (QueryFullProcessImageNameW(process.Get(), 0, buffer.data(), &length))
            return std::wstring(buffer.data(), length);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::wstring();
    }
    return std::wstring();
}

std::string CHlpFunc::GetProcessPathUtf8(uint32_t processId) {
    std::wstring path = Helper()->GetProcessPath(processId);
    if (path.empty()) return std::string();
    return Helper()->WideToUtf8(path);
}

std::wstring CHlpFunc::GetCurrentUserSid() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return std::wstring();
    KernelHandle token(rawToken);

    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
    if (size < sizeof(TOKEN_USER)) return std::wstring();
    // Pointer-aligned storage: the record starts with a pointer.
    std::vector<void*> storage((size + sizeof(void*) - 1) / sizeof(void*));
    if (!GetTokenInformation(token.Get(), TokenUser, storage.data(),
                             static_cast<DWORD>(storage.size() * sizeof(void*)), &size))
        return std::wstring();

    const TOKEN_USER* user = reinterpret_cast<const TOKEN_USER*>(storage.data());
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(user->User.Sid, &text)) return std::wstring();
    ScopedLocalMemory owner(text);
    return text;
}

HANDLE CHlpFunc::RunProcess(const wchar_t* applicationName, wchar_t* commandLine, bool hidden) {
    // Nothing names a program: some platforms fault instead of failing.
    const bool noApplication = !applicationName || applicationName[0] == L'\0';
    if (noApplication && (!commandLine || commandLine[0] == L'\0')) return nullptr;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (hidden) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
    }
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(applicationName, commandLine, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &started))
        return nullptr;
    KernelHandle thread(started.hThread);
    if (started.hProcess == INVALID_HANDLE_VALUE) return nullptr;
    return started.hProcess;  // the caller waits on it and closes it
}

void CHlpFunc::ShellOpen(std::wstring path) {
    if (path.empty() || HasEmbeddedNul(path)) return;
    const std::wstring quoted = L"\"" + path + L"\"";
    ShellExecuteW(nullptr, L"open", quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CHlpFunc::ShellOpenA(std::string path) {
    if (path.empty() || HasEmbeddedNul(path)) return;
    const std::string quoted = "\"" + path + "\"";
    ShellExecuteA(nullptr, "open", quoted.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::wstring CHlpFunc::GetUserAppDataFolder() { return KnownFolder(CSIDL_APPDATA); }

std::wstring CHlpFunc::GetCommonAppDataFolder() { return KnownFolder(CSIDL_COMMON_APPDATA); }

std::wstring CHlpFunc::GetDataFolder() {
    // The store builds its database path on this text; when the platform has
    // no such folder the text is the folder name alone.
    wchar_t folder[512] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                folder)))
        folder[0] = L'\0';
    return std::wstring(folder) + kDataFolderName;
}

bool CHlpFunc::IsDirectory(std::wstring path) {
    if (path.empty() || HasEmbeddedNul(path)) return false;
    DWORD attributes = RealFileAttributes(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CHlpFunc::IsFile(std::wstring path) {
    if (path.empty() || HasEmbeddedNul(path)) return false;
    DWORD attributes = RealFileAttributes(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CHlpFunc::PathExists(const wchar_t* path) {
    if (!path || path[0] == L'\0') return false;
    DWORD error = ERROR_SUCCESS;
    if (RealFileAttributes(path, &error) != INVALID_FILE_ATTRIBUTES) return true;
    // Any other failure (access denied, say) means something is there.
    return !MeansAbsent(error);
}

bool CHlpFunc::IsServiceRunning(const wchar_t* serviceName) {
    if (!serviceName || serviceName[0] == L'\0') return false;
    ScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.Valid()) return false;
    ScopedServiceHandle service(OpenServiceW(manager.Get(), serviceName, SERVICE_QUERY_STATUS));
    if (!service.Valid()) return false;
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service.Get(), &status)) return false;
    return status.dwCurrentState == SERVICE_RUNNING;
}
