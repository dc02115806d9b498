// Volume device names to drive names through the filter manager.
//
// Wine's fltlib.dll exports FilterGetDosName as an unimplemented stub: calling
// it raises an exception that ends the host process. Under Wine the answer is
// therefore worked out here, the way the filter manager gives it: the drive
// whose DOS-device target is the volume's device name. On Windows the real
// entry is called; fltlib.dll is loaded at run time from the system folder,
// so the library carries no import of it and loads where it is absent.
#include "helpers/VolumeDosName.h"

#include <string>
#include <vector>

#include "helpers/DeviceNameMatch.h"
#include "helpers/DosDevices.h"
#include "helpers/RuntimeEntry.h"
#include "base/ScopedHandle.h"

namespace {

using FilterGetDosNameFn = HRESULT(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

bool RunningUnderWine() {
    return FindEntry<void (*)()>(L"ntdll.dll", "wine_get_version") != nullptr;
}

// Loaded by full path from the system folder, never found through the search
// path, so no other fltlib.dll can stand in for it.
HMODULE LoadSystemFltlib() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path = std::wstring(folder, length) + L"\\fltlib.dll";
    return LoadLibraryW(path.c_str());
}

}  // namespace

HRESULT ResolveVolumeDosNameFromDrives(const wchar_t* volumeName, wchar_t* dosName,
                                       DWORD capacity) {
    if (!volumeName || !dosName || capacity == 0) return E_INVALIDARG;
    std::vector<std::wstring> drives;
    if (!dos_devices::ListDriveNames(&drives)) return HRESULT_FROM_WIN32(GetLastError());
    for (const std::wstring& drive : drives) {
        std::wstring target;
        // A drive that cannot be queried is no answer; the others still are.
        if (!dos_devices::QueryDriveTarget(drive.c_str(), &target)) continue;
        if (!device_name::IsSameDevice(volumeName, target.c_str())) continue;
        if (capacity < drive.size() + 1) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        drive.copy(dosName, drive.size());
        dosName[drive.size()] = 0;
        return S_OK;
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

HRESULT GetVolumeDosName(const wchar_t* volumeName, wchar_t* dosName, DWORD capacity) {
    if (RunningUnderWine()) return ResolveVolumeDosNameFromDrives(volumeName, dosName, capacity);

    ScopedLibrary fltlib(LoadSystemFltlib());
    auto filterGetDosName = FindEntry<FilterGetDosNameFn>(fltlib.Get(), "FilterGetDosName");
    if (!filterGetDosName) return ResolveVolumeDosNameFromDrives(volumeName, dosName, capacity);
    return filterGetDosName(volumeName, dosName, capacity);
}
