// The XML cache file of path items shared by every process.
#pragma once

#include <string>
#include <vector>

class IProtectFileCacheFileMgr {
public:
    virtual bool InitCacheFile(const std::wstring& path, const std::wstring& tag) = 0;  // 0
    virtual void ClearCacheFile() = 0;                                               // 1
    virtual void TakePathIds(std::vector<std::string>& ids) = 0;                     // 2
    virtual void AddPathIdsW(std::vector<std::wstring> ids) = 0;                     // 3
    virtual void AddPathIds(std::vector<std::string> ids) = 0;                       // 4
    virtual void AddPathId(const std::string& id) = 0;                               // 5
};
