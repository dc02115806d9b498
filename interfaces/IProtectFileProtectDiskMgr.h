// Hands the machine's disks to the outside disk-manager object and lists the
// drive letters it reports.
#pragma once

#include <vector>

class IDdmManager;  // the outside disk-manager object, see DiskComponents.h

class IProtectFileProtectDiskMgr {
public:
    virtual IDdmManager* LoadDiskManager() = 0;                               // 0
    virtual void Release() = 0;                                               // 1
    virtual std::vector<wchar_t> GetDiskLetters(IDdmManager* diskManager) = 0;  // 2
};
