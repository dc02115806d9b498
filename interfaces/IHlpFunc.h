// The helper object: text conversions, string helpers, GUID texts, the path
// hash that keys every rule table, device paths, and process, user and system
// services. Obtained from getHlpObj(): one object per process, never deleted.
// It needs no set-up.
//
// Thread safety: the object holds no state; every operation may be called from
// any thread at any time.
//
// Texts are taken and returned by value. Output buffers passed as pointers are
// the caller's and must hold at least 260 characters (MAX_PATH).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SharedRuntime.h"

class IHlpFunc {
public:
    // The image path of process processId, as UTF-8 (GetProcessPath below).
    virtual std::string GetProcessPathUtf8(uint32_t processId) = 0;  // 0
    // The full image path of process processId; empty when it cannot be opened
    // or queried.
    virtual std::wstring GetProcessPath(uint32_t processId) = 0;  // 1

    // Converts text to a new NUL-terminated UTF-8 buffer stored in *buffer.
    // The caller owns the buffer and frees it with delete[]. Returns false, and
    // leaves *buffer untouched, for an empty text or a failed conversion.
    // An unpaired surrogate becomes U+FFFD; embedded NULs are converted too.
    virtual bool WideToUtf8Buffer(std::wstring text, char** buffer) = 0;  // 2
    // UTF-16 to UTF-8, up to the first NUL; empty on failure.
    virtual std::string WideToUtf8(std::wstring text) = 0;  // 3
    // UTF-8 to UTF-16, up to the first NUL; empty for an empty text.
    virtual std::wstring Utf8ToWide(std::string text) = 0;  // 4

    // printf-style wide formatting (%s takes a wide string). A result longer
    // than 4095 characters (it must fit 4096 with its terminator), or a null
    // format, gives an empty text, which an empty result gives too.
    virtual std::wstring FormatString(const wchar_t* format, ...) = 0;  // 5
    // As FormatString() within maxLength characters: a longer result, or a
    // negative maxLength, gives an empty text.
    virtual std::wstring FormatStringN(int32_t maxLength, const wchar_t* format, ...) = 0;  // 6

    // 32 upper-case hexadecimal digits, no separators.
    virtual std::wstring GuidToString(const GUID& guid) = 0;  // 7
    // Reads the GuidToString() form back into guid. False, guid untouched,
    // unless text is exactly 32 characters; fields that cannot be read are 0.
    virtual bool StringToGuid(std::wstring text, GUID& guid) = 0;  // 8

    // Upper-cases the ASCII letters a-z only; every other character stays.
    virtual std::wstring ToUpper(std::wstring text) = 0;   // 9
    virtual std::string ToUpperA(std::string text) = 0;    // 10: bytes a-z only
    // Cut trailing blanks (0x20 only; tabs stay).
    virtual std::string TrimRightA(std::string text) = 0;  // 11
    virtual std::wstring TrimRight(std::wstring text) = 0; // 12

    // The key of every rule table: CRC-32 of the path's UTF-8 bytes after
    // ToUpper(). Paths that differ only in the case of a-z share a hash; no other
    // normalisation is made (slashes, trailing backslash, other letters count).
    // 0 for an empty path.
    virtual uint32_t GetPathHash(std::wstring path) = 0;  // 13
    // The common application-data folder followed by "\TevraZQ", where the
    // store keeps its database. Not created here (InitDb creates it).
    virtual std::wstring GetDataFolder() = 0;  // 14
    // True when child equals parent or lies below it. A root (C:\, \\?\C:\,
    // \\server\share\) contains what lies below it; \\?\ and \\.\ forms compare
    // as the plain path; letter case compares as the file system does. False
    // when either is empty.
    virtual bool IsSubPath(std::wstring parent, std::wstring child) = 0;  // 15

    // DiffList() on UTF-8 texts with path-hash keys; entries that do not
    // convert are dropped.
    virtual std::vector<std::string> DiffListUtf8(std::vector<std::string> first,
                                                  std::vector<std::string> second,
                                                  int32_t mode) = 0;  // 16
    // Entries whose key the other list lacks, copied unchanged, duplicates kept.
    // mode 0: first's then second's; 1: first's only; 2: second's only; any
    // other mode: empty. The key is GetPathHash() of the entry, or with
    // numericKeys the signed decimal number the entry begins with (so hash texts
    // as the store writes them match their paths), falling back to the hash.
    virtual std::vector<std::wstring> DiffList(std::vector<std::wstring> first,
                                               std::vector<std::wstring> second,
                                               int32_t mode, bool numericKeys) = 0;  // 17

    // Kernel device path (\Device\HarddiskVolume1\x) to drive-letter path
    // (C:\x), written to dosPath (260 characters, owned by the caller). False
    // when no drive matches (dosPath then holds the device path unchanged) or
    // the drives cannot be listed (dosPath untouched). ANSI and wide forms.
    virtual bool DevicePathToDosPathA(const char* devicePath, char* dosPath) = 0;       // 18
    virtual bool DevicePathToDosPath(const wchar_t* devicePath, wchar_t* dosPath) = 0;  // 19
    // A path holding "HarddiskVolumeN" with the volume part replaced by its
    // drive name; the path unchanged when the volume has no drive letter.
    virtual std::wstring VolumePathToDosPath(std::wstring path) = 0;  // 20
    // Splits at every delimiter, keeping empty pieces ("a;;b;" gives a, "", b,
    // ""). Empty for an empty text or delimiter.
    virtual std::vector<std::string> SplitStringA(std::string text, std::string delimiter) = 0;  // 21
    // Replaces the first occurrence of pattern, searching again from the start
    // each time, until none is left: replacing a doubled backslash by a single
    // one collapses a run of backslashes into one. When the replacement
    // contains the pattern, each occurrence in the text is replaced once
    // instead, left to right ("xaby", "ab", "abab" gives "xababy"). A rewrite
    // that would never end for another reason ("aab", "ab", "bbaa" grows for
    // ever) gives an empty text, which a rewrite whose result is empty gives
    // too. An empty text or pattern gives the text.
    virtual std::wstring ReplaceAll(std::wstring text, std::wstring pattern,
                                    std::wstring replacement) = 0;  // 22
    // The string SID (S-1-5-...) of this process's user; empty on failure.
    virtual std::wstring GetCurrentUserSid() = 0;  // 23
    // Starts a process in a new console (hidden when asked) without waiting.
    // commandLine must be writable, as CreateProcessW requires. Returns the
    // process handle, which the caller owns and closes, or null on failure.
    virtual HANDLE RunProcess(const wchar_t* applicationName, wchar_t* commandLine,
                              bool hidden) = 0;  // 24
    // The user's roaming and the machine-wide application-data folders; empty on
    // failure.
    virtual std::wstring GetUserAppDataFolder() = 0;    // 25
    virtual std::wstring GetCommonAppDataFolder() = 0;  // 26
    // Drive-letter path (C:\x) to kernel device path, written to devicePath
    // (260 characters, owned by the caller). False, devicePath untouched, when
    // the drive is unknown or the path is drive-relative ("C:x").
    virtual bool DosPathToDevicePathA(const char* dosPath, char* devicePath) = 0;       // 27
    virtual bool DosPathToDevicePath(const wchar_t* dosPath, wchar_t* devicePath) = 0;  // 28
    // Shell "open" of the quoted path; nothing for an empty path. Not awaited.
    virtual void ShellOpenA(std::string path) = 0;  // 29
    virtual void ShellOpen(std::wstring path) = 0;  // 30
    // An existing directory / an existing non-directory. 32-bit processes look
    // past file-system redirection.
    virtual bool IsDirectory(std::wstring path) = 0;  // 31
    virtual bool IsFile(std::wstring path) = 0;       // 32
    // False only when the system says file or path not found; any other
    // failure (access denied, ...) counts as existing.
    virtual bool PathExists(const wchar_t* path) = 0;  // 33
    // True when the service control manager reports the service running.
    virtual bool IsServiceRunning(const wchar_t* serviceName) = 0;  // 34
    // Appends one backslash unless the path is empty or already ends in one.
    virtual std::wstring AddTrailingBackslash(std::wstring path) = 0;  // 35

protected:
    ~IHlpFunc() = default;  // the process-wide object is never deleted
};
