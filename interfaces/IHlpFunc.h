// The stateless helper object. Slot order is binding: hosts call by position.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class IHlpFunc {
public:
    virtual std::string GetProcessPathUtf8(uint32_t processId) = 0;                    // 0
    virtual std::wstring GetProcessPath(uint32_t processId) = 0;                       // 1
    virtual bool WideToUtf8Buffer(std::wstring text, char** buffer) = 0;               // 2
    virtual std::string WideToUtf8(std::wstring text) = 0;                             // 3
    virtual std::wstring Utf8ToWide(std::string text) = 0;                             // 4
    virtual std::wstring FormatString(const wchar_t* format, ...) = 0;                 // 5
    virtual std::wstring FormatStringN(int32_t maxLength, const wchar_t* format, ...) = 0;  // 6
    virtual std::wstring GuidToString(const GUID& guid) = 0;                           // 7
    virtual bool StringToGuid(std::wstring text, GUID& guid) = 0;                      // 8
    virtual std::wstring ToUpper(std::wstring text) = 0;                               // 9
    virtual std::string ToUpperA(std::string text) = 0;                                // 10
    virtual std::string TrimRightA(std::string text) = 0;                              // 11
    virtual std::wstring TrimRight(std::wstring text) = 0;                             // 12
    virtual uint32_t GetPathHash(std::wstring path) = 0;                               // 13
    virtual std::wstring GetDataFolder() = 0;                                          // 14
    virtual bool IsSubPath(std::wstring parent, std::wstring child) = 0;               // 15
    virtual std::vector<std::string> DiffListUtf8(std::vector<std::string> first,
                                                  std::vector<std::string> second,
                                                  int32_t mode) = 0;                   // 16
    virtual std::vector<std::wstring> DiffList(std::vector<std::wstring> first,
                                               std::vector<std::wstring> second,
                                               int32_t mode, bool numericKeys) = 0;    // 17
    virtual bool DevicePathToDosPathA(const char* devicePath, char* dosPath) = 0;      // 18
    virtual bool DevicePathToDosPath(const wchar_t* devicePath, wchar_t* dosPath) = 0; // 19
    virtual std::wstring VolumePathToDosPath(std::wstring path) = 0;                   // 20
    virtual std::vector<std::string> SplitStringA(std::string text, std::string delimiter) = 0;  // 21
    virtual std::wstring ReplaceAll(std::wstring text, std::wstring pattern,
                                    std::wstring replacement) = 0;                     // 22
    virtual std::wstring GetCurrentUserSid() = 0;                                      // 23
    virtual HANDLE RunProcess(const wchar_t* applicationName, wchar_t* commandLine,
                              bool hidden) = 0;                                        // 24
    virtual std::wstring GetUserAppDataFolder() = 0;                                   // 25
    virtual std::wstring GetCommonAppDataFolder() = 0;                                 // 26
    virtual bool DosPathToDevicePathA(const char* dosPath, char* devicePath) = 0;      // 27
    virtual bool DosPathToDevicePath(const wchar_t* dosPath, wchar_t* devicePath) = 0; // 28
    virtual void ShellOpenA(std::string path) = 0;                                     // 29
    virtual void ShellOpen(std::wstring path) = 0;                                     // 30
    virtual bool IsDirectory(std::wstring path) = 0;                                   // 31
    virtual bool IsFile(std::wstring path) = 0;                                        // 32
    virtual bool PathExists(const wchar_t* path) = 0;                                  // 33
    virtual bool IsServiceRunning(const wchar_t* serviceName) = 0;                     // 34
    virtual std::wstring AddTrailingBackslash(std::wstring path) = 0;                  // 35
};
