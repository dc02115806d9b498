// The config table, the protection switches of its row 1, and the file-type list.
#include "FileProtectCfgMgr.h"

std::vector<std::wstring> CFileProtectCfgMgr::GetFileTypeProtectList() { return {}; }
ProtectConfig CFileProtectCfgMgr::GetProtectConfig() { return ProtectConfig(); }
bool CFileProtectCfgMgr::SetProtectConfig(const ProtectConfig&) { return false; }
bool CFileProtectCfgMgr::SetConfig(const int32_t&, const std::wstring&) { return false; }
std::wstring CFileProtectCfgMgr::GetConfig(const int32_t&) { return std::wstring(); }
bool CFileProtectCfgMgr::DeleteConfig(const int32_t&) { return false; }
