// Protected files, folders and extensions: the table fileprotect.
#include "FileProtectCfgMgr.h"

void CFileProtectCfgMgr::GetProtectPathList(std::vector<std::wstring>&) {}
bool CFileProtectCfgMgr::GetProtectFileList(std::vector<ProtectFileItem>&, std::vector<std::wstring>&) { return false; }
bool CFileProtectCfgMgr::AddProtectFile(const std::vector<ProtectFileItem>&, bool) { return false; }
bool CFileProtectCfgMgr::AddProtectExtension(const std::vector<std::wstring>&) { return false; }
bool CFileProtectCfgMgr::DeleteProtectFile(std::vector<std::wstring>, bool) { return false; }
bool CFileProtectCfgMgr::ClearProtectExtension() { return false; }
bool CFileProtectCfgMgr::ClearProtectFile() { return false; }
bool CFileProtectCfgMgr::ClearProtectAll() { return false; }
