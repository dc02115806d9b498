#include "CacheFileMgr.h"

bool CProtectFileCacheFileMgr::InitCacheFile(const std::wstring&, const std::wstring&) {
    return false;
}

void CProtectFileCacheFileMgr::ClearCacheFile() {}

void CProtectFileCacheFileMgr::TakePathIds(std::vector<std::string>&) {}

void CProtectFileCacheFileMgr::AddPathIdsW(std::vector<std::wstring>) {}

void CProtectFileCacheFileMgr::AddPathIds(std::vector<std::string>) {}

void CProtectFileCacheFileMgr::AddPathId(const std::string&) {}
