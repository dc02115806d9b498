// Per-path block counts: the table blocklist.
#include "FileProtectCfgMgr.h"

bool CFileProtectCfgMgr::GetBlockCount(BlockCountItem&) { return false; }
bool CFileProtectCfgMgr::GetBlockList(std::vector<BlockCountItem>&) { return false; }
bool CFileProtectCfgMgr::AddBlockCountList(const std::vector<BlockCountItem>&) { return false; }
bool CFileProtectCfgMgr::AddBlockCountItem(const BlockCountItem&) { return false; }
bool CFileProtectCfgMgr::DeleteBlockListItem(const std::wstring&, bool) { return false; }
bool CFileProtectCfgMgr::DeleteBlockListItems(const std::vector<std::wstring>&) { return false; }
bool CFileProtectCfgMgr::DeleteBlockListByHash(const std::vector<std::string>&) { return false; }
bool CFileProtectCfgMgr::DeleteBlockList(const std::vector<std::wstring>&) { return false; }
bool CFileProtectCfgMgr::ClearBlockList() { return false; }
bool CFileProtectCfgMgr::AddBlockCount(const std::wstring&, int32_t) { return false; }
bool CFileProtectCfgMgr::IncreaseBlockCount(const std::wstring&) { return false; }
