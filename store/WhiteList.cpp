// The two white lists, and moving a path row to a new path.
#include "FileProtectCfgMgr.h"

bool CFileProtectCfgMgr::GetWhiteList(std::vector<ProtectFileItem>&, const bool&) { return false; }
bool CFileProtectCfgMgr::AddWhiteList(const std::vector<ProtectFileItem>&, const bool&) { return false; }
bool CFileProtectCfgMgr::DeleteWhiteList(const std::vector<std::wstring>&, bool) { return false; }
bool CFileProtectCfgMgr::ClearWhiteList(bool) { return false; }
bool CFileProtectCfgMgr::RenamePath(const std::wstring&, const std::wstring&, const std::wstring&, const uint16_t&) { return false; }
