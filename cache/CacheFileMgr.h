// CProtectFileCacheFileMgr: the XML cache file of path items. Any process may
// append items and any may take them out; every change of the file is one
// load-change-save inside one exclusive open of the file (and under the
// machine-wide cache lock when it can be had), so each item is handed out
// exactly once.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cache/CanonicalForm.h"
#include "interfaces/IProtectFileCacheFileMgr.h"

class CProtectFileCacheFileMgr final : public IProtectFileCacheFileMgr {
public:
    bool InitCacheFile(const std::wstring& path, const std::wstring& tag) override;
    void ClearCacheFile() override;
    void TakePathIds(std::vector<std::string>& ids) override;
    void AddPathIdsW(std::vector<std::wstring> ids) override;
    void AddPathIds(std::vector<std::string> ids) override;
    void AddPathId(const std::string& id) override;

private:
    // Writes the empty skeleton into a file that is still empty.
    void WriteSkeletonIfEmpty();
    // Appends one item per entry (without pathid for an empty entry) in one
    // change of the file.
    void AppendItems(const std::vector<CacheItem>& ids);

    std::wstring path_;
    std::wstring tag_;  // kept for the host; no operation reads it
};
