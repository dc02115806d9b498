// CProtectFileCacheFileMgr: the XML cache file of path items.
#pragma once

#include <string>
#include <vector>

#include "IProtectFileCacheFileMgr.h"

class CProtectFileCacheFileMgr final : public IProtectFileCacheFileMgr {
public:
    bool InitCacheFile(const std::wstring& path, const std::wstring& tag) override;
    void ClearCacheFile() override;
    void TakePathIds(std::vector<std::string>& ids) override;
    void AddPathIdsW(std::vector<std::wstring> ids) override;
    void AddPathIds(std::vector<std::string> ids) override;
    void AddPathId(const std::string& id) override;

private:
    std::wstring path_;
    std::wstring tag_;
};
