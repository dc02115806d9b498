// The reject list: the table rejectlist.
#include "FileProtectCfgMgr.h"

bool CFileProtectCfgMgr::GetRejectList(std::vector<ProtectFileItem>&) { return false; }
bool CFileProtectCfgMgr::AddRejectList(const std::vector<ProtectFileItem>&) { return false; }
bool CFileProtectCfgMgr::DeleteRejectList(const std::vector<std::wstring>&) { return false; }
bool CFileProtectCfgMgr::ClearRejectList() { return false; }
