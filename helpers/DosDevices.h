// The platform's drive letters and the device each one stands for, in the
// wide and the ANSI form. Asked afresh on every call: drive letters may be
// assigned or removed while a host runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dos_devices {

// Every path buffer handed to or taken from the platform here, in characters.
constexpr DWORD kPathCapacity = 260;

template <typename Char>
struct Api;

template <>
struct Api<wchar_t> {
    static DWORD DriveStrings(DWORD capacity, wchar_t* buffer) {
        return GetLogicalDriveStringsW(capacity, buffer);
    }
    static DWORD QueryTarget(const wchar_t* drive, wchar_t* buffer, DWORD capacity) {
        return QueryDosDeviceW(drive, buffer, capacity);
    }
};

template <>
struct Api<char> {
    static DWORD DriveStrings(DWORD capacity, char* buffer) {
        return GetLogicalDriveStringsA(capacity, buffer);
    }
    static DWORD QueryTarget(const char* drive, char* buffer, DWORD capacity) {
        return QueryDosDeviceA(drive, buffer, capacity);
    }
};

// The drive names ("C:") in the platform's order (A to Z); false when the
// platform cannot list them.
template <typename Char>
bool ListDriveNames(std::vector<std::basic_string<Char>>* names) {
    Char list[kPathCapacity] = {};
    DWORD used = Api<Char>::DriveStrings(kPathCapacity, list);
    // A result above the capacity is the size the list would need.
    if (used == 0 || used >= kPathCapacity) return false;
    // Entries are NUL-terminated roots ("C:\"); an empty entry ends the list.
    for (const Char* entry = list; entry < list + used && *entry != 0;) {
        std::basic_string<Char> root(entry);
        if (root.size() >= 2) names->push_back(root.substr(0, 2));
        entry += root.size() + 1;
    }
    return true;
}

// The device a drive name stands for (\Device\HarddiskVolume3); false when
// the query fails, also when the name is no DOS device at all.
template <typename Char>
bool QueryDriveTarget(const Char* drive, std::basic_string<Char>* target) {
    Char buffer[kPathCapacity] = {};
    if (Api<Char>::QueryTarget(drive, buffer, kPathCapacity) == 0) return false;
    buffer[kPathCapacity - 1] = 0;
    *target = buffer;  // the first of the targets: the one in use
    return true;
}

}  // namespace dos_devices
