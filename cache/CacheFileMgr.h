// CProtectFileCacheFileMgr: the XML cache file of path items. Any process may
// append items and any may take them out; every change of the file is one
// load-change-save under the machine-wide cache lock, so each item is handed
// out exactly once.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "IProtectFileCacheFileMgr.h"

class TiXmlElement;

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
    // Loads the file under the lock, lets `append` add items to the root and
    // saves; nothing is written when the file cannot be read as ours.
    void AppendUnderLock(const std::function<void(TiXmlElement& root)>& append);

    std::wstring path_;
    std::wstring tag_;  // kept for the host; no operation reads it
};
