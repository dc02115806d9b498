// CProtectFileProtectDiskMgr: hands the disks found by the outside disk
// enumerator to a fresh outside disk-manager object, and lists the drive
// letters that object reports.
#pragma once

#include <vector>

#include "interfaces/DiskComponents.h"
#include "interfaces/IProtectFileProtectDiskMgr.h"

class CProtectFileProtectDiskMgr final : public IProtectFileProtectDiskMgr {
public:
    IDdmManager* LoadDiskManager() override;
    void Release() override;
    std::vector<wchar_t> GetDiskLetters(IDdmManager* diskManager) override;

private:
    void DropComponents();

    IEnumDisk* enumerator_ = nullptr;     // owned; deleted, it has no release
    IDdmManager* diskManager_ = nullptr;  // owned; ended by its Release
};
