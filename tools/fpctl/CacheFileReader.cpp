#include "CacheFileReader.h"

#include <tinyxml.h>

#include "Files.h"
#include "Text.h"

namespace {

// The mutex every cache writer holds across load, change and save.
constexpr wchar_t kCacheLockName[] = L"GLOBAL/{B4KP4B35-0193-4B24-5479-0BFGKB5FEEH7}";

class CacheLock {
public:
    explicit CacheLock(Context& context) : lock_(context.NewLock()) {
        if (lock_->SetLockName(kCacheLockName)) lock_->Lock();
    }
    ~CacheLock() { lock_->Release(); }  // releases the mutex too
    CacheLock(const CacheLock&) = delete;
    CacheLock& operator=(const CacheLock&) = delete;

private:
    IProtectFileGlbLock* lock_;
};

// Writers open the file exclusively; one that does not take the lock is
// waited for up to ten seconds.
std::string ReadWhole(const std::wstring& path) {
    HANDLE file = OpenToRead(path, 100);
    if (file == INVALID_HANDLE_VALUE)
        throw LibraryFailure("cannot open the cache file " + Utf8(path) + " (error " +
                             std::to_string(GetLastError()) + ")");
    return ReadAllAndClose(file);
}

}  // namespace

std::vector<std::string> ReadCacheIds(Context& context, const std::wstring& path) {
    std::string text;
    {
        CacheLock lock(context);
        text = ReadWhole(path);
    }
    // Lines end in CR LF on disk; the parser wants LF.
    std::string normalized;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            normalized += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            normalized += text[i];
        }
    }
    TiXmlDocument document;
    document.Parse(normalized.c_str(), nullptr, TIXML_ENCODING_UTF8);
    const TiXmlElement* root = document.RootElement();
    if (document.Error() || !root)
        throw LibraryFailure("the cache file " + Utf8(path) + " cannot be read as a cache file");
    std::vector<std::string> ids;
    // What TakePathIds would return: every element child's non-empty pathid.
    for (const TiXmlElement* item = root->FirstChildElement(); item; item = item->NextSiblingElement()) {
        const char* id = item->Attribute("pathid");
        if (id && *id) ids.emplace_back(id);
    }
    return ids;
}
