// Drive-letter paths, kernel device paths and the path-inside test.
//
// The raw-pointer translations write into caller buffers of 260 characters.
// A result that does not fit is refused (false, empty output) rather than cut:
// a cut path names some other file. Each result is built in full before the
// output is written, so the output may be the input's own buffer. Nothing is
// cached; every call asks the platform again, so drive letters that come and
// go are seen at once.
#include <algorithm>
#include <string>
#include <vector>

#include "helpers/DeviceNameMatch.h"
#include "helpers/DosDevices.h"
#include "helpers/HlpFunc.h"
#include "helpers/VolumeDosName.h"

namespace {

using dos_devices::kPathCapacity;

// Writes a finished result into a 260-character output. One that would not
// fit leaves the output empty and gives false.
template <typename Char>
bool WriteResult(Char* out, const std::basic_string<Char>& result) {
    if (result.size() >= kPathCapacity) {
        out[0] = 0;
        return false;
    }
    std::copy(result.begin(), result.end(), out);
    out[result.size()] = 0;
    return true;
}

// The first drive, in the platform's order, whose device the path lies on
// gives the translation. A drive that cannot be queried is passed over; a
// path on no drive is copied back unchanged with false. The input is copied
// first, since callers may hand the same buffer as input and output.
template <typename Char>
bool DeviceToDos(const Char* devicePath, Char* dosPath) {
    if (!devicePath || !dosPath) return false;
    const std::basic_string<Char> input(devicePath);
    std::vector<std::basic_string<Char>> drives;
    if (!dos_devices::ListDriveNames(&drives)) return false;
    for (const auto& drive : drives) {
        std::basic_string<Char> target;
        if (!dos_devices::QueryDriveTarget(drive.c_str(), &target)) continue;
        size_t matched = device_name::PrefixLength(input.c_str(), target.c_str());
        if (matched != 0) return WriteResult(dosPath, drive + input.substr(matched));
    }
    WriteResult(dosPath, input);
    return false;
}

// The drive name is the path's first two characters. What follows must start
// at the drive's root: "C:x" is relative to that drive's current folder,
// which no device path names.
template <typename Char>
bool DosToDevice(const Char* dosPath, Char* devicePath) {
    if (!dosPath || !devicePath) return false;
    const std::basic_string<Char> input(dosPath);
    if (input.size() < 2) return false;
    if (input.size() > 2 && input[2] != '\\' && input[2] != '/') return false;
    std::basic_string<Char> target;
    if (!dos_devices::QueryDriveTarget(input.substr(0, 2).c_str(), &target)) return false;
    return WriteResult(devicePath, target + input.substr(2));
}

bool HasEmbeddedNul(const std::wstring& text) { return text.find(L'\0') != std::wstring::npos; }

bool StartsWithIgnoringCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// \\?\C:\x and \\.\C:\x name the file C:\x, and \\?\UNC\server\share\x names
// \\server\share\x: each is given in its plain form. Other namespace paths
// (volumes, devices) stay as they are.
std::wstring PlainSpelling(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (!StartsWithIgnoringCase(path, L"\\\\?\\") && !StartsWithIgnoringCase(path, L"\\\\.\\"))
        return path;
    std::wstring rest = path.substr(4);
    if (rest.size() >= 3 && rest[1] == L':' && rest[2] == L'\\') return rest;
    if (StartsWithIgnoringCase(rest, L"UNC\\")) return L"\\\\" + rest.substr(4);
    return path;
}

// Resolves relative paths and dot components against the current directory,
// at any length: a long path is asked about again with the size it needs.
// A path the platform cannot expand is used as given.
std::wstring NormalizePath(const std::wstring& path) {
    if (path.empty()) return path;
    std::vector<wchar_t> full(kPathCapacity);
    for (int attempt = 0; attempt < 3; ++attempt) {  // the current folder may change between
        DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()),
                                        full.data(), nullptr);
        if (length == 0) return path;
        if (length < full.size()) return std::wstring(full.data(), length);
        full.assign(length, L'\0');  // the size needed, terminator included
    }
    return path;
}

// One spelling per location: plain form, backslashes only, no single
// trailing backslash (a drive root keeps its own).
std::wstring CanonicalPath(const std::wstring& path) {
    std::wstring canonical = NormalizePath(PlainSpelling(path));
    if (canonical.size() >= 4 && canonical.back() == L'\\') canonical.pop_back();
    return canonical;
}

}  // namespace

bool CHlpFunc::DevicePathToDosPathA(const char* devicePath, char* dosPath) {
    return DeviceToDos(devicePath, dosPath);
}

bool CHlpFunc::DevicePathToDosPath(const wchar_t* devicePath, wchar_t* dosPath) {
    return DeviceToDos(devicePath, dosPath);
}

bool CHlpFunc::DosPathToDevicePathA(const char* dosPath, char* devicePath) {
    return DosToDevice(dosPath, devicePath);
}

bool CHlpFunc::DosPathToDevicePath(const wchar_t* dosPath, wchar_t* devicePath) {
    return DosToDevice(dosPath, devicePath);
}

std::wstring CHlpFunc::VolumePathToDosPath(std::wstring path) {
    static const wchar_t kVolumeMarker[] = L"HarddiskVolume";
    if (HasEmbeddedNul(path)) return path;
    const size_t marker = path.find(kVolumeMarker);
    if (marker == std::wstring::npos) return path;

    // The volume is everything up to the first backslash after the marker
    // (kept, as the filter manager accepts it). A path that ends with the
    // volume number hands over only the text from the marker on; what the
    // filter manager makes of that is its own affair.
    std::wstring volume = path.substr(marker);
    std::wstring rest;
    const size_t separator = path.find(L'\\', marker);
    if (separator != std::wstring::npos) {
        volume = path.substr(0, separator + 1);
        rest = path.substr(separator);
    }

    wchar_t drive[3] = {};  // room for "C:" only: a folder mount comes back unchanged
    if (GetVolumeDosName(volume.c_str(), drive, 3) != S_OK) return path;
    return drive + rest;
}

bool CHlpFunc::IsSubPath(std::wstring parent, std::wstring child) {
    if (parent.empty() || child.empty()) return false;
    // What a C reader would see differs from the counted text: no answer.
    if (HasEmbeddedNul(parent) || HasEmbeddedNul(child)) return false;
    const std::wstring outer = CanonicalPath(parent);
    const std::wstring inner = CanonicalPath(child);
    if (outer.empty() || inner.size() < outer.size()) return false;
    // Letter case is compared as the file system compares names.
    if (!StartsWithIgnoringCase(inner, outer)) return false;
    if (inner.size() == outer.size()) return true;
    // A root (C:\) ends with its separator and contains everything below it.
    return outer.back() == L'\\' || inner[outer.size()] == L'\\';
}

std::wstring CHlpFunc::AddTrailingBackslash(std::wstring path) {
    if (path.empty() || path.back() == L'\\') return path;
    return path + L'\\';
}
