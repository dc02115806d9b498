// The drive name ("C:") of a volume given by its device name, as the
// platform's filter manager reports it (FilterGetDosName's signature).
#pragma once

#include <windows.h>

HRESULT GetVolumeDosName(const wchar_t* volumeName, wchar_t* dosName, DWORD capacity);

// The same answer worked out from the drive letters' DOS-device targets;
// what GetVolumeDosName uses where the platform has no working filter manager.
HRESULT ResolveVolumeDosNameFromDrives(const wchar_t* volumeName, wchar_t* dosName,
                                       DWORD capacity);
