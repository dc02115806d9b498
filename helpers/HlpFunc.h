// CHlpFunc: the one stateless implementation of IHlpFunc. Its operations are
// grouped by theme into several source files.
#pragma once

#include "interfaces/IHlpFunc.h"

class CHlpFunc final : public IHlpFunc {
public:
    // Process, user and system services (SystemServices.cpp).
    std::string GetProcessPathUtf8(uint32_t processId) override;
    std::wstring GetProcessPath(uint32_t processId) override;
    std::wstring GetDataFolder() override;
    std::wstring GetCurrentUserSid() override;
    HANDLE RunProcess(const wchar_t* applicationName, wchar_t* commandLine, bool hidden) override;
    std::wstring GetUserAppDataFolder() override;
    std::wstring GetCommonAppDataFolder() override;
    void ShellOpenA(std::string path) override;
    void ShellOpen(std::wstring path) override;
    bool IsDirectory(std::wstring path) override;
    bool IsFile(std::wstring path) override;
    bool PathExists(const wchar_t* path) override;
    bool IsServiceRunning(const wchar_t* serviceName) override;

    // Encoding conversions (TextConversion.cpp).
    bool WideToUtf8Buffer(std::wstring text, char** buffer) override;
    std::string WideToUtf8(std::wstring text) override;
    std::wstring Utf8ToWide(std::string text) override;

    // Formatting and string helpers (StringHelpers.cpp).
    std::wstring FormatString(const wchar_t* format, ...) override;
    std::wstring FormatStringN(int32_t maxLength, const wchar_t* format, ...) override;
    std::wstring ToUpper(std::wstring text) override;
    std::string ToUpperA(std::string text) override;
    std::string TrimRightA(std::string text) override;
    std::wstring TrimRight(std::wstring text) override;
    std::vector<std::string> SplitStringA(std::string text, std::string delimiter) override;
    std::wstring ReplaceAll(std::wstring text, std::wstring pattern,
                            std::wstring replacement) override;

    // Identifiers, path hashes and list differences (Identifiers.cpp, PathHash.cpp).
    std::wstring GuidToString(const GUID& guid) override;
    bool StringToGuid(std::wstring text, GUID& guid) override;
    uint32_t GetPathHash(std::wstring path) override;
    std::vector<std::string> DiffListUtf8(std::vector<std::string> first,
                                          std::vector<std::string> second, int32_t mode) override;
    std::vector<std::wstring> DiffList(std::vector<std::wstring> first,
                                       std::vector<std::wstring> second, int32_t mode,
                                       bool numericKeys) override;

    // Paths, volumes and device names (DevicePaths.cpp).
    bool IsSubPath(std::wstring parent, std::wstring child) override;
    bool DevicePathToDosPathA(const char* devicePath, char* dosPath) override;
    bool DevicePathToDosPath(const wchar_t* devicePath, wchar_t* dosPath) override;
    std::wstring VolumePathToDosPath(std::wstring path) override;
    bool DosPathToDevicePathA(const char* dosPath, char* devicePath) override;
    bool DosPathToDevicePath(const wchar_t* dosPath, wchar_t* devicePath) override;
    std::wstring AddTrailingBackslash(std::wstring path) override;
};
