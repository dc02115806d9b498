// CProtectFileProtectDiskMgr: joins the outside disk enumerator and
// disk-manager object.
#pragma once

#include <vector>

#include "IProtectFileProtectDiskMgr.h"

class CProtectFileProtectDiskMgr final : public IProtectFileProtectDiskMgr {
public:
    IDdmManager* LoadDiskManager() override;
    void Release() override;
    std::vector<wchar_t> GetDiskLetters(IDdmManager* diskManager) override;
};
