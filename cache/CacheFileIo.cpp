#include "CacheFileIo.h"

#include <windows.h>

#include <share.h>
#include <stdlib.h>

namespace {

constexpr int kOpenAttempts = 1000;
constexpr DWORD kRetryDelayMs = 100;

// Only another open of the same file makes an exclusive open fail for a
// while; every other failure stays, so waiting for it only stalls every
// process queued behind the machine-wide lock.
bool HeldByAnotherOpen() {
    return _doserrno == ERROR_SHARING_VIOLATION || _doserrno == ERROR_LOCK_VIOLATION;
}

enum class SaveResult { kSaved, kNotOpened, kWriteFailed };

SaveResult Save(const std::wstring& path, const TiXmlDocument& document) {
    ExclusiveStream stream(path, L"w+");
    if (!stream.Get()) return SaveResult::kNotOpened;
    document.Print(stream.Get(), 0);
    bool written = ferror(stream.Get()) == 0;
    written = stream.Close() && written;
    return written ? SaveResult::kSaved : SaveResult::kWriteFailed;
}

}  // namespace

ExclusiveStream::ExclusiveStream(const std::wstring& path, const wchar_t* mode) {
    bool reading = wcschr(mode, L'w') == nullptr;
    if (reading && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        _doserrno = 0;
        file_ = _wfsopen(path.c_str(), mode, _SH_DENYRW);
        if (file_ || !HeldByAnotherOpen() || attempt == kOpenAttempts) return;
        Sleep(kRetryDelayMs);
    }
}

bool ExclusiveStream::Close() {
    if (!file_) return false;
    bool closed = fclose(file_) == 0;  // flushes; a full disk shows here
    file_ = nullptr;
    return closed;
}

void MakeEmptyCacheDocument(TiXmlDocument& document) {
    document.Clear();
    document.ClearError();
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    document.LinkEndChild(new TiXmlElement("PathItem"));
}

LoadResult LoadCacheFile(const std::wstring& path, TiXmlDocument& document) {
    ExclusiveStream stream(path, L"rb");
    if (!stream.Get()) return LoadResult::kUnavailable;
    bool parsed = document.LoadFile(stream.Get(), TIXML_ENCODING_UTF8);
    stream.Close();

    // A file cut to nothing (or holding only blanks) has no items: reading it
    // as an empty list keeps later appends instead of dropping them.
    bool nothing = parsed ? document.FirstChild() == nullptr
                          : document.ErrorId() == TiXmlBase::TIXML_ERROR_DOCUMENT_EMPTY;
    if (nothing) {
        MakeEmptyCacheDocument(document);
        return LoadResult::kEmpty;
    }
    // Anything else that is not a document with a root is not ours to
    // rewrite: saving it would destroy whatever it holds.
    if (!parsed || !document.RootElement()) return LoadResult::kUnusable;
    return LoadResult::kLoaded;
}

bool SaveCacheFile(const std::wstring& path, const TiXmlDocument& document,
                   const TiXmlDocument* previous) {
    SaveResult result = Save(path, document);
    if (result == SaveResult::kWriteFailed && previous) Save(path, *previous);  // best effort
    return result == SaveResult::kSaved;
}
