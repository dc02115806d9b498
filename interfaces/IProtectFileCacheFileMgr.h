// The cache file: an XML file of path items (texts, in use path-hash texts)
// that any process appends to and any process takes out. Obtained from
// getFileProtectCacheMgr(): one object per process, never deleted.
//
// Requires InitCacheFile() once per process before any other operation; until
// then the others do nothing.
//
// Thread safety: after InitCacheFile(), the other operations may be called from
// any thread of any process. Each change of the file is one load-change-save
// inside one exclusive open of the file (retried up to 1000 times, 100 ms
// apart), taken under the machine-wide mutex
// "GLOBAL/{B4KP4B35-0193-4B24-5479-0BFGKB5FEEH7}" when it can be had (waited
// for without time-out); the open alone already orders all processes, so every
// item added is taken out exactly once.
// A change cut short by a killed process leaves the old or the new content; a
// damaged file is kept aside under a new name and replaced by an empty one.
// The operations print short messages on standard output.
#pragma once

#include <string>
#include <vector>

#include "SharedRuntime.h"

class IProtectFileCacheFileMgr {
public:
    // Sets the cache file's full path (tag is kept for the host) and creates the
    // file, empty, if it does not exist; an existing file is not examined.
    // False, nothing changed, when path or tag is empty or the file cannot be
    // created.
    virtual bool InitCacheFile(const std::wstring& path, const std::wstring& tag) = 0;  // 0
    // Empties the file; its items are lost.
    virtual void ClearCacheFile() = 0;  // 1
    // Appends every item of the file to ids, in the order added, and removes
    // them from the file. ids is not cleared first.
    virtual void TakePathIds(std::vector<std::string>& ids) = 0;  // 2
    // Appends the ids, converted to UTF-8, in order, in one change of the file.
    // An empty list does nothing.
    virtual void AddPathIdsW(std::vector<std::wstring> ids) = 0;  // 3
    // As AddPathIdsW() for UTF-8 ids; an id that is not valid UTF-8 is refused
    // (not written).
    virtual void AddPathIds(std::vector<std::string> ids) = 0;  // 4
    // AddPathIds() of one id.
    virtual void AddPathId(const std::string& id) = 0;  // 5

protected:
    ~IProtectFileCacheFileMgr() = default;  // the process-wide object is never deleted
};
