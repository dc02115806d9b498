#include "cache/CacheFileMgr.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cache/CacheFileIo.h"
#include "cache/CacheFileLock.h"
#include "cache/CacheFileText.h"
#include "base/Helper.h"
#include "base/ScopedHandle.h"

namespace {

// An id is written as its bytes up to the first zero byte. Only well-formed
// UTF-8 is written: the file is UTF-8, and a stray lead byte would swallow
// the quote after it and leave the item unreadable for everyone.
std::optional<std::string> WritableId(const std::string& id) {
    const char* text = id.c_str();
    if (!IsWellFormedUtf8(text, strlen(text))) return std::nullopt;
    return std::string(text);
}

// A change that cannot be saved (a full disk, a file held by another program
// for longer than the open waits, damage that cannot be kept aside) is said
// on standard output, so that the loss is seen. A missing file is not: the
// cache is not in use.
void ReportUnsaved(const HeldCacheFile& file) {
    const DWORD error = file.Error();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    printf("save file error, error code=%d\n", static_cast<int>(error));
    fflush(stdout);
}

// Reads the held file for a change. Damaged content is first copied aside, so
// that the change never overwrites what could not be read.
std::optional<CacheContent> ReadForChange(HeldCacheFile& file, bool collectItems) {
    std::optional<CacheContent> content = file.Read(collectItems);
    if (!content || !(content->Damaged() || content->PartlyDamaged())) return content;
    std::string keptAs;
    if (!file.KeepAside(keptAs)) return std::nullopt;
    printf("damaged file kept as %s\n", keptAs.c_str());
    fflush(stdout);
    return content;
}

}  // namespace

bool CProtectFileCacheFileMgr::InitCacheFile(const std::wstring& path, const std::wstring& tag) {
    if (path.empty() || tag.empty()) return false;

    bool created = false;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        KernelHandle file(CreateFileW(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD error = GetLastError();
        // Another process may create the file between the test and the
        // create; the file then exists, which is all this call needs.
        if (!file.Valid() && error != ERROR_FILE_EXISTS) {
            printf("create file error, error code=%d", static_cast<int>(error));
            fflush(stdout);
            return false;
        }
        created = file.Valid();
    }

    path_ = path;
    tag_ = tag;
    if (created) WriteSkeletonIfEmpty();
    return true;
}

void CProtectFileCacheFileMgr::WriteSkeletonIfEmpty() {
    // Through the exclusive open, because an append of another process may
    // already have filled the new file; the skeleton must not overwrite it.
    CacheFileLock lock;
    HeldCacheFile file(path_);
    std::optional<CacheContent> content = file.Read(false);
    if (content && content->Blank())
        file.Rewrite({0, std::string(kCacheDeclarationLine) + kEmptyRootLine});
}

void CProtectFileCacheFileMgr::ClearCacheFile() {
    if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    // Like every change, so a clear never lands between another process's
    // load and save (which would bring the cleared items back).
    CacheFileLock lock;
    HeldCacheFile file(path_);
    printf(file.Rewrite({0, ""}) ? "clear file suces\n" : "clear file error\n");
    fflush(stdout);
}

void CProtectFileCacheFileMgr::TakePathIds(std::vector<std::string>& ids) {
    CacheFileLock lock;
    HeldCacheFile file(path_);
    std::optional<CacheContent> content = ReadForChange(file, true);
    if (!content) return ReportUnsaved(file);

    // Every item leaves the file: one without a pathid (or with an empty one)
    // can never be handed out, and keeping it would only grow the file.
    // Hand the items out only once the file without them is saved: if the
    // save fails they stay in the file for a later take, never in two hands.
    const std::optional<CacheEdit> taken = content->TakeAll();
    if (taken && !file.Rewrite(*taken)) return ReportUnsaved(file);
    for (const std::string& id : content->IdsHandedOut()) {
        printf("pathHash=%s", id.c_str());
        ids.push_back(id);
    }
    fflush(stdout);
}

void CProtectFileCacheFileMgr::AppendItems(const std::vector<CacheItem>& ids) {
    if (ids.empty()) return;
    CacheFileLock lock;
    HeldCacheFile file(path_);
    std::optional<CacheContent> content = ReadForChange(file, false);
    if (!content || !file.Rewrite(content->Append(ids))) ReportUnsaved(file);
}

void CProtectFileCacheFileMgr::AddPathIdsW(std::vector<std::wstring> ids) {
    std::vector<CacheItem> items;
    for (const std::wstring& id : ids) {
        // An empty conversion leaves the item without a pathid.
        std::string utf8 = Helper()->WideToUtf8(id);
        if (utf8.empty()) {
            items.emplace_back();
        } else if (std::optional<std::string> writable = WritableId(utf8)) {
            items.push_back(std::move(writable));
        }
    }
    AppendItems(items);
}

void CProtectFileCacheFileMgr::AddPathIds(std::vector<std::string> ids) {
    std::vector<CacheItem> items;
    for (const std::string& id : ids)
        if (std::optional<std::string> writable = WritableId(id)) items.push_back(std::move(writable));
    AppendItems(items);
}

void CProtectFileCacheFileMgr::AddPathId(const std::string& id) {
    if (std::optional<std::string> writable = WritableId(id)) AppendItems({writable});
}
