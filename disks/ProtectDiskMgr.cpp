#include "ProtectDiskMgr.h"

IDdmManager* CProtectFileProtectDiskMgr::LoadDiskManager() { return nullptr; }

void CProtectFileProtectDiskMgr::Release() { delete this; }

std::vector<wchar_t> CProtectFileProtectDiskMgr::GetDiskLetters(IDdmManager*) { return {}; }
