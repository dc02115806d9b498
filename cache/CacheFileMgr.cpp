#include "CacheFileMgr.h"

#include <windows.h>

#include <share.h>

#include <cstdio>

#include "CacheFileIo.h"
#include "CacheFileLock.h"
#include "Helper.h"
#include "KernelHandle.h"

namespace {

constexpr char kItemName[] = "Item";
constexpr char kIdAttribute[] = "pathid";

TiXmlElement* AppendItem(TiXmlElement& root) {
    return root.LinkEndChild(new TiXmlElement(kItemName))->ToElement();
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
        if (!file.Held() && error != ERROR_FILE_EXISTS) {
            printf("create file error, error code=%d", static_cast<int>(error));
            fflush(stdout);
            return false;
        }
        created = file.Held();
    }

    path_ = path;
    tag_ = tag;
    if (created) WriteSkeletonIfEmpty();
    return true;
}

void CProtectFileCacheFileMgr::WriteSkeletonIfEmpty() {
    // Under the lock, because an append of another process may already have
    // filled the new file; the skeleton must not overwrite it.
    CacheFileLock lock;
    if (!lock.Held()) return;  // an empty file reads as no items anyway
    TiXmlDocument document;
    if (LoadCacheFile(path_, document) == LoadResult::kEmpty)
        SaveCacheFile(path_, document);
}

void CProtectFileCacheFileMgr::ClearCacheFile() {
    if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    // Locked like every change, so a clear never lands between another
    // process's load and save (which would bring the cleared items back).
    CacheFileLock lock;
    FILE* file = lock.Held() ? _wfsopen(path_.c_str(), L"w", _SH_DENYNO) : nullptr;
    printf(file ? "clear file suces\n" : "clear file error\n");
    fflush(stdout);
    if (file) fclose(file);
}

void CProtectFileCacheFileMgr::TakePathIds(std::vector<std::string>& ids) {
    CacheFileLock lock;
    if (!lock.Held()) return;
    TiXmlDocument document;
    LoadResult loaded = LoadCacheFile(path_, document);
    if (loaded != LoadResult::kLoaded && loaded != LoadResult::kEmpty) return;
    const TiXmlDocument previous(document);

    // Every item leaves the file: one without a pathid (or with an empty one)
    // can never be handed out, and keeping it would only grow the file.
    std::vector<std::string> taken;
    TiXmlElement* root = document.RootElement();
    for (TiXmlElement* item = root->FirstChildElement(); item;) {
        TiXmlElement* next = item->NextSiblingElement();
        const char* id = item->Attribute(kIdAttribute);
        if (id && *id) taken.push_back(id);
        root->RemoveChild(item);
        item = next;
    }

    // Hand the items out only once the file without them is saved: if the
    // save fails they stay in the file for a later take, never in two hands.
    if (!SaveCacheFile(path_, document, &previous)) return;
    for (const std::string& id : taken) {
        printf("pathHash=%s", id.c_str());
        ids.push_back(id);
    }
    fflush(stdout);
}

void CProtectFileCacheFileMgr::AppendUnderLock(
    const std::function<void(TiXmlElement& root)>& append) {
    CacheFileLock lock;
    if (!lock.Held()) return;  // never change the file unguarded
    TiXmlDocument document;
    LoadResult loaded = LoadCacheFile(path_, document);
    if (loaded != LoadResult::kLoaded && loaded != LoadResult::kEmpty) return;
    const TiXmlDocument previous(document);
    append(*document.RootElement());
    SaveCacheFile(path_, document, &previous);
}

void CProtectFileCacheFileMgr::AddPathIdsW(std::vector<std::wstring> ids) {
    if (ids.empty()) return;
    AppendUnderLock([&ids](TiXmlElement& root) {
        for (const std::wstring& id : ids) {
            TiXmlElement* item = AppendItem(root);
            // An empty conversion leaves the item without a pathid.
            std::string utf8 = Helper()->WideToUtf8(id);
            if (!utf8.empty()) item->SetAttribute(kIdAttribute, utf8.c_str());
        }
    });
}

void CProtectFileCacheFileMgr::AddPathIds(std::vector<std::string> ids) {
    if (ids.empty()) return;
    AppendUnderLock([&ids](TiXmlElement& root) {
        for (const std::string& id : ids) AppendItem(root)->SetAttribute(kIdAttribute, id.c_str());
    });
}

void CProtectFileCacheFileMgr::AddPathId(const std::string& id) {
    AppendUnderLock(
        [&id](TiXmlElement& root) { AppendItem(root)->SetAttribute(kIdAttribute, id.c_str()); });
}
