#include "CacheFileIo.h"

#include <io.h>
#include <share.h>
#include <windows.h>

#include <algorithm>
#include <cctype>

#include "CacheFileText.h"

namespace {

constexpr int kOpenAttempts = 1000;
constexpr DWORD kRetryDelayMs = 100;
constexpr DWORD kCopyChunkBytes = 1 << 20;
constexpr int kAsideNames = 1000;

constexpr wchar_t kPartialSuffix[] = L".tmp";
constexpr wchar_t kCompleteSuffix[] = L".new";

bool Rewind(HANDLE file) {
    LARGE_INTEGER start = {};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}

// Makes `to` hold exactly the bytes of `from`.
bool CopyContent(HANDLE from, HANDLE to) {
    if (!Rewind(from) || !Rewind(to)) return false;
    std::string chunk(kCopyChunkBytes, '\0');
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, &chunk[0], kCopyChunkBytes, &read, nullptr)) return false;
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(to, chunk.data(), read, &written, nullptr) || written != read) return false;
    }
    return SetEndOfFile(to) != FALSE;
}

bool ReadAll(HANDLE file, long long size, std::string& bytes) {
    if (!Rewind(file)) return false;
    bytes.assign(static_cast<size_t>(size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kCopyChunkBytes));
        if (!ReadFile(file, &bytes[done], wanted, &read, nullptr)) return false;
        if (read == 0) break;  // cut shorter meanwhile: read what is there
        done += read;
    }
    bytes.resize(done);
    return true;
}

// Nothing but blanks (after an optional byte-order mark): an empty list, as
// a file that was just created or cleared.
bool IsBlank(const std::string& bytes) {
    size_t start = bytes.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
    for (size_t i = start; i < bytes.size(); ++i)
        if (!isspace(static_cast<unsigned char>(bytes[i]))) return false;
    return true;
}

// What the parser reads: each CR or CR LF turned into one LF, up to the first
// zero byte.
std::string ParserText(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
            continue;
        }
        text += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    return text;
}

bool Parse(const std::string& bytes, TiXmlDocument& document) {
    std::string text = ParserText(bytes);
    if (!IsSafeToParse(text)) return false;
    document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    return !document.Error() && document.RootElement();
}

}  // namespace

HeldCacheFile::HeldCacheFile(const std::wstring& path) : path_(path) {
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        file_.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file_.Held()) break;
        // Only another open of the file makes this fail for a while; waiting
        // for anything else only stalls every process queued behind us.
        DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return;
        if (attempt < kOpenAttempts) Sleep(kRetryDelayMs);
    }
    if (!file_.Held()) return;
    DeleteFileW(Beside(kPartialSuffix).c_str());  // its writer died before it was complete
    if (!FinishCompletedSave()) file_.Close();
}

bool HeldCacheFile::FinishCompletedSave() {
    KernelHandle complete(CreateFileW(Beside(kCompleteSuffix).c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!complete.Held()) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (!CopyContent(complete.Get(), file_.Get())) return false;
    complete.Close();
    // Should the delete fail, the copy left beside equals the file's content
    // and the next save replaces it before changing the file: harmless.
    DeleteFileW(Beside(kCompleteSuffix).c_str());
    return true;
}

bool HeldCacheFile::WriteCompleteContent(const std::function<void(FILE*)>& print) {
    if (!Held()) return false;
    const std::wstring partial = Beside(kPartialSuffix);
    FILE* stream = _wfsopen(partial.c_str(), L"w", _SH_DENYRW);  // text mode: CR LF
    if (!stream) return false;
    print(stream);
    // What a process has written belongs to the system once the write
    // returns: killing the process at any later moment loses none of it, and
    // the order of the steps below keeps a whole file at every moment. The
    // bytes are not forced to the disk, as no save ever did.
    bool written = fflush(stream) == 0 && ferror(stream) == 0;
    written = fclose(stream) == 0 && written;  // a full disk shows here
    if (!written ||
        !MoveFileExW(partial.c_str(), Beside(kCompleteSuffix).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(partial.c_str());
        return false;
    }
    // Complete from here on. If the file cannot be rewritten now, the next
    // opener finishes it before reading.
    FinishCompletedSave();
    return true;
}

bool HeldCacheFile::Save(const TiXmlDocument& document) {
    return WriteCompleteContent([&document](FILE* stream) { document.Print(stream, 0); });
}

bool HeldCacheFile::Clear() {
    return WriteCompleteContent([](FILE*) {});
}

bool HeldCacheFile::Load(TiXmlDocument& document) {
    if (!Held()) return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file_.Get(), &size)) return false;
    std::string bytes;
    if (size.QuadPart <= kMaxCacheFileBytes) {
        if (!ReadAll(file_.Get(), size.QuadPart, bytes)) return false;
        if (IsBlank(bytes)) {
            MakeEmptyCacheDocument(document);
            return true;
        }
        if (Parse(bytes, document)) return true;
    }
    // Damaged: keep what it holds, and go on with an empty list so that the
    // next save gives the file a fresh start and later items are kept.
    if (!KeepAside()) return false;
    MakeEmptyCacheDocument(document);
    return true;
}

bool HeldCacheFile::KeepAside() {
    for (int n = 1; n <= kAsideNames; ++n) {
        const std::wstring name = path_ + L".damaged-" + std::to_wstring(n);
        KernelHandle aside(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!aside.Held()) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return false;
        }
        if (CopyContent(file_.Get(), aside.Get())) return true;
        aside.Close();
        DeleteFileW(name.c_str());  // only our own incomplete copy
        return false;
    }
    return false;
}

void MakeEmptyCacheDocument(TiXmlDocument& document) {
    document.Clear();
    document.ClearError();
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    document.LinkEndChild(new TiXmlElement("PathItem"));
}
