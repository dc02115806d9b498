#include "CacheFileIo.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "CacheFileText.h"

namespace {

constexpr int kOpenAttempts = 1000;
constexpr DWORD kRetryDelayMs = 100;
constexpr DWORD kCopyChunkBytes = 1 << 20;
constexpr int kAsideNames = 1000;

constexpr wchar_t kPartialSuffix[] = L".tmp";
constexpr wchar_t kCompleteSuffix[] = L".new";

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Marks an open file to be deleted when its last handle closes.
bool DeleteOnClose(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof(disposition)) != FALSE;
}

// Renames an open file (opened with DELETE access) to the path `to`,
// replacing a file there. Through the handle, so that its later delete
// follows the file to the new name (under Wine a rename by name does not).
bool RenameOpenFile(HANDLE file, const std::wstring& to) {
    const size_t name_bytes = to.size() * sizeof(wchar_t);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes, '\0');
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(name_bytes);
    memcpy(rename->FileName, to.data(), name_bytes);
    return SetFileInformationByHandle(file, FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size())) != FALSE;
}

// The file a save is printed to: a text-mode stream (lines end with CR LF)
// over a handle that can also rename and delete the file. Closing the stream
// closes the handle.
class SaveSidecar {
public:
    explicit SaveSidecar(const std::wstring& path) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_TEXT);
        if (descriptor == -1) {
            DeleteOnClose(file);
            CloseHandle(file);
            return;
        }
        handle_ = file;  // from here the descriptor owns it
        stream_ = _fdopen(descriptor, "wt");
        if (!stream_) {
            DeleteOnClose(file);
            _close(descriptor);
        }
    }
    ~SaveSidecar() {
        if (stream_) fclose(stream_);
    }

    SaveSidecar(const SaveSidecar&) = delete;
    SaveSidecar& operator=(const SaveSidecar&) = delete;

    bool Open() const { return stream_ != nullptr; }
    FILE* Stream() const { return stream_; }
    HANDLE Handle() const { return handle_; }

    // Hands every printed byte to the system; false when any write failed
    // (a full disk shows here).
    bool Flush() const { return fflush(stream_) == 0 && ferror(stream_) == 0; }

private:
    HANDLE handle_ = nullptr;
    FILE* stream_ = nullptr;
};

bool Rewind(HANDLE file) {
    LARGE_INTEGER start = {};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}

// Makes `to` hold exactly the bytes of `from`.
bool CopyContent(HANDLE from, HANDLE to) {
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(from, &size) || !Rewind(from) || !Rewind(to)) return false;
    // No larger than the content: most files are a few kilobytes, and
    // filling a large buffer would cost more than the copy itself.
    const DWORD chunkBytes = static_cast<DWORD>(
        std::min<long long>(std::max<long long>(size.QuadPart, 1), kCopyChunkBytes));
    std::string chunk(chunkBytes, '\0');
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, &chunk[0], chunkBytes, &read, nullptr)) return false;
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
    // Both leftovers are rare; asking whether they exist is far cheaper than
    // trying to open or delete them on every change.
    const std::wstring partial = Beside(kPartialSuffix);
    if (Exists(partial)) DeleteFileW(partial.c_str());  // its writer died before it was complete
    if (!FinishCompletedSave()) file_.Close();
}

bool HeldCacheFile::FinishCompletedSave() {
    const std::wstring completed = Beside(kCompleteSuffix);
    if (!Exists(completed)) return true;
    KernelHandle complete(CreateFileW(completed.c_str(), GENERIC_READ | DELETE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return complete.Held() && CopyCompleteContent(complete.Get());
}

bool HeldCacheFile::CopyCompleteContent(HANDLE complete) {
    if (!CopyContent(complete, file_.Get())) return false;
    // Should the delete fail, the copy left beside equals the file's content
    // and the next save replaces it before changing the file: harmless.
    DeleteOnClose(complete);
    return true;
}

bool HeldCacheFile::WriteCompleteContent(const std::function<void(FILE*)>& print) {
    if (!Held()) return false;
    // One open of the sidecar serves every step: printing, marking it
    // complete by renaming, copying it into the file and deleting it.
    SaveSidecar sidecar(Beside(kPartialSuffix));
    if (!sidecar.Open()) return false;
    print(sidecar.Stream());
    // What a process has written belongs to the system once the write
    // returns: killing the process at any later moment loses none of it, and
    // the order of the steps below keeps a whole file at every moment. The
    // bytes are not forced to the disk, as no save ever did.
    if (!sidecar.Flush() || !RenameOpenFile(sidecar.Handle(), Beside(kCompleteSuffix))) {
        DeleteOnClose(sidecar.Handle());
        return false;
    }
    // Complete from here on. If the file cannot be rewritten now, the next
    // opener finishes it before reading.
    CopyCompleteContent(sidecar.Handle());
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
