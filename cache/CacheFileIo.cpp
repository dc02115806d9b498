#include "cache/CacheFileIo.h"

#include <algorithm>
#include <cstdint>

#include "cache/CacheJournal.h"

namespace {

constexpr int kOpenAttempts = 1000;
constexpr DWORD kRetryDelayMs = 100;
constexpr DWORD kCopyChunkBytes = 1 << 20;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr size_t kMaxNameUnits = 255;
constexpr size_t kKeptBufferBytes = 8 << 20;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Only another open of a file makes opening it fail for a while; waiting for
// anything else only stalls every process queued behind us.
bool IsPassing(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

OVERLAPPED At(unsigned long long offset) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

bool ReadAt(HANDLE file, unsigned long long offset, size_t size, std::string& bytes) {
    bytes.resize(size);
    size_t done = 0;
    while (done < size) {
        OVERLAPPED at = At(offset + done);
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size - done, kCopyChunkBytes));
        if (!ReadFile(file, &bytes[done], wanted, &read, &at) || read == 0) return false;
        done += read;
    }
    return true;
}

bool WriteAt(HANDLE file, unsigned long long offset, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED at = At(offset + done);
        DWORD written = 0;
        const DWORD wanted =
            static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kCopyChunkBytes));
        if (!WriteFile(file, bytes.data() + done, wanted, &written, &at) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// Marks an open file to be deleted when its last handle closes.
bool DeleteOnClose(HANDLE file) {
    FILE_DISPOSITION_INFO disposition = {};
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof(disposition)) != FALSE;
}

// Makes `to` (empty, new) hold exactly the bytes of `from`.
bool CopyContent(HANDLE from, HANDLE to) {
    std::string chunk;
    for (unsigned long long offset = 0;; offset += chunk.size()) {
        chunk.resize(kCopyChunkBytes);
        OVERLAPPED at = At(offset);
        DWORD read = 0;
        if (!ReadFile(from, &chunk[0], kCopyChunkBytes, &read, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) return true;
            return false;
        }
        if (read == 0) return true;
        chunk.resize(read);
        if (!WriteAt(to, offset, chunk)) return false;
    }
}

std::wstring ExtendedPath(const std::wstring& full) {
    if (full.compare(0, 4, L"\\\\?\\") == 0) return full;
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The path without its "\\?\" prefix, as users write it.
std::wstring PlainPath(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
    return path;
}

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], size,
                            nullptr, nullptr);
    return utf8;
}

// The file's final path (long names, the case stored on disk, junctions and
// mapped drives resolved), in "\\?\" form. Where the system cannot give it
// (some redirectors; Wine beyond MAX_PATH), the full path with long names.
std::wstring FileIdentity(HANDLE file, const std::wstring& path) {
    std::wstring final(MAX_PATH, L'\0');
    for (int tries = 0; tries < 2; ++tries) {
        DWORD length = GetFinalPathNameByHandleW(file, &final[0], static_cast<DWORD>(final.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length > 0 && length < final.size()) return ExtendedPath(final.substr(0, length));
        if (length == 0) break;
        final.assign(length + 1, L'\0');
    }
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    full = length > 0 && length < full.size() ? ExtendedPath(full.substr(0, length)) : path;
    std::wstring longer(GetLongPathNameW(full.c_str(), nullptr, 0), L'\0');
    length = GetLongPathNameW(full.c_str(), &longer[0], static_cast<DWORD>(longer.size()));
    return length > 0 && length < longer.size() ? longer.substr(0, length) : full;
}

bool NameFits(const std::wstring& name) {
    return name.size() <= kMaxNameUnits && Utf8(name).size() <= kMaxNameUnits;
}

}  // namespace

std::wstring SideFileName(const std::wstring& identity, const std::wstring& suffix) {
    const size_t nameAt = identity.find_last_of(L'\\') + 1;
    const std::wstring name = identity.substr(nameAt);
    if (NameFits(name + suffix)) return identity + suffix;
    uint32_t hash = 2166136261u;
    for (wchar_t c : name) hash = (hash ^ static_cast<uint32_t>(c)) * 16777619u;
    std::wstring mark = L"~";
    for (int shift = 28; shift >= 0; shift -= 4) mark += L"0123456789ABCDEF"[(hash >> shift) & 0xF];
    const std::wstring end = mark + suffix;
    auto fits = [&end](std::wstring stem) { return NameFits(stem.append(end)); };
    std::wstring stem = name;
    while (!stem.empty() && !fits(stem)) {
        stem.pop_back();
        if (!stem.empty() && IS_HIGH_SURROGATE(stem.back())) stem.pop_back();
    }
    return identity.substr(0, nameAt).append(stem).append(end);
}

HeldCacheFile::HeldCacheFile(const std::wstring& path) {
    for (int attempt = 1; attempt <= kOpenAttempts; ++attempt) {
        if (attempt > 1) Sleep(kRetryDelayMs);
        if (!OpenOnce(path)) {
            if (IsPassing(error_)) continue;
            return;
        }
        if (!FinishInterruptedChange()) break;
        switch (FinishSaveLeftBeside()) {
            case Leftover::kNone:
            case Leftover::kFinished:
                return;
            case Leftover::kBusy:
                file_.Close();  // let whoever holds it finish with it, then try again
                continue;
            case Leftover::kFailed:
                file_.Close();
                return;
        }
    }
    file_.Close();
}

bool HeldCacheFile::OpenOnce(const std::wstring& path) {
    file_.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.Valid()) {
        error_ = GetLastError();
        return false;
    }
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file_.Get(), &size)) {
        error_ = GetLastError();
        file_.Close();
        return false;
    }
    size_ = static_cast<unsigned long long>(size.QuadPart);
    identity_ = FileIdentity(file_.Get(), path);
    return true;
}

bool HeldCacheFile::FinishInterruptedChange() {
    if (size_ < kJournalFooterSize + 1) return true;
    std::string footer;
    JournalEntry entry;
    if (!ReadAt(file_.Get(), size_ - kJournalFooterSize, kJournalFooterSize, footer) ||
        !ReadJournalFooter(footer.data(), size_, entry))
        return true;  // no change under way (or unreadable: the read says so)
    std::string part;
    if (!ReadAt(file_.Get(), entry.partAt, static_cast<size_t>(entry.partSize), part) ||
        !JournalPartIsComplete(entry, part))
        return true;  // cut short: the file still reads as its old content
    if (!WriteAt(file_.Get(), entry.offset, part) || !SetSize(entry.offset + entry.partSize)) {
        error_ = GetLastError();
        file_.Close();  // half finished: only the next opener may read it
        return false;
    }
    return true;
}

HeldCacheFile::Leftover HeldCacheFile::FinishSaveLeftBeside() {
    // A ".tmp" was never complete. Another program may hold it and keep it
    // from being deleted now; nothing ever reads it, so that does no harm.
    const std::wstring partial = SideFileName(identity_, L".tmp");
    if (Exists(partial)) DeleteFileW(partial.c_str());

    const std::wstring complete = SideFileName(identity_, L".new");
    if (!Exists(complete)) return Leftover::kNone;
    // A scanner or backup agent may hold it: ask for no more than its sharing
    // allows. Sharing governs data and delete access only; attributes can be
    // written whoever holds the file.
    const DWORD access = GENERIC_READ | FILE_WRITE_ATTRIBUTES;
    KernelHandle side(CreateFileW(complete.c_str(), access | DELETE, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool deletable = side.Valid();
    if (!deletable)
        side.Reset(CreateFileW(complete.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!side.Valid()) {
        // Unreadable for a while, or gone (a delete still pending on Windows).
        error_ = GetLastError();
        return IsPassing(error_) ? Leftover::kBusy : Leftover::kNone;
    }
    FILE_BASIC_INFO basic = {};
    if (!GetFileInformationByHandleEx(side.Get(), FileBasicInfo, &basic, sizeof(basic))) {
        error_ = GetLastError();
        return Leftover::kFailed;
    }
    // A finished one is marked hidden before it is deleted: one that another
    // program holds open stays after the delete (for good, if it shares no
    // delete access), and must never be applied a second time.
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_HIDDEN)) {
        LARGE_INTEGER size = {};
        std::string bytes;
        if (!GetFileSizeEx(side.Get(), &size) ||
            (size.QuadPart <= kMaxCacheFileBytes &&
             !ReadAt(side.Get(), 0, static_cast<size_t>(size.QuadPart), bytes))) {
            error_ = GetLastError();
            return Leftover::kFailed;
        }
        // Only a complete document is a save: one of zeros, of nothing or cut
        // short (a power cut after the rename reached the disk and before its
        // data did), or one too large to be read, is dropped and the file
        // kept as it is.
        const CacheContent content =
            size.QuadPart <= kMaxCacheFileBytes ? CacheContent(bytes, false) : CacheContent::TooLarge();
        if (!content.Blank() && !content.Damaged() && !Rewrite({0, bytes}))
            return Leftover::kFailed;
        const DWORD attributes = basic.FileAttributes | FILE_ATTRIBUTE_HIDDEN;
        basic = FILE_BASIC_INFO{};  // times of zero are left as they are
        basic.FileAttributes = attributes;
        if (!SetFileInformationByHandle(side.Get(), FileBasicInfo, &basic, sizeof(basic)) &&
            !deletable) {
            error_ = GetLastError();
            return Leftover::kFailed;
        }
    }
    if (deletable) DeleteOnClose(side.Get());
    return Leftover::kFinished;
}

bool HeldCacheFile::SetSize(unsigned long long size) {
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(file_.Get(), FileEndOfFileInfo, &end, sizeof(end)))
        return false;
    size_ = size;
    return true;
}

std::optional<CacheContent> HeldCacheFile::Read(bool collectItems) {
    if (!Valid()) return std::nullopt;
    if (size_ > static_cast<unsigned long long>(kMaxCacheFileBytes)) return CacheContent::TooLarge();
    // A thread reads the file into the same memory each time: fresh pages for
    // a file of items waiting to be taken would cost as much as reading it.
    // Only a buffer of a usual size is kept between calls.
    thread_local std::string bytes;
    const bool read = ReadAt(file_.Get(), 0, static_cast<size_t>(size_), bytes);
    if (!read) error_ = GetLastError();
    std::optional<CacheContent> content;
    if (read) content.emplace(bytes, collectItems);
    if (bytes.capacity() > kKeptBufferBytes) std::string().swap(bytes);
    return content;
}

bool HeldCacheFile::Rewrite(const CacheEdit& edit) {
    if (!Valid()) return false;
    if (edit.tail.empty()) {  // cutting the file is one step already
        if (SetSize(edit.offset)) return true;
        error_ = GetLastError();
        return false;
    }
    const unsigned long long oldSize = size_;
    if (!WriteAt(file_.Get(), oldSize, JournalRecord(oldSize, edit.offset, edit.tail))) {
        error_ = GetLastError();  // a full disk shows here
        SetSize(oldSize);
        return false;
    }
    // Made. Should the rest fail, the next opener finishes it; this hold
    // can no longer tell where the file ends.
    if (!WriteAt(file_.Get(), edit.offset, edit.tail) ||
        !SetSize(edit.offset + edit.tail.size())) {
        error_ = GetLastError();
        file_.Close();
    }
    return true;
}

bool HeldCacheFile::KeepAside(std::string& keptAs) {
    if (!Valid()) return false;
    // The first free ".damaged-<n>", found by doubling and halving: earlier
    // copies stay as they are, and even thousands of them cost a few looks.
    auto taken = [this](unsigned long long n) {
        return Exists(SideFileName(identity_, L".damaged-" + std::to_wstring(n)));
    };
    unsigned long long free = 1;
    for (int tries = 0; tries < 64; ++tries) {
        unsigned long long low = free - 1, high = free;
        while (taken(high)) {
            low = high;
            high *= 2;
        }
        while (high - low > 1) {
            const unsigned long long middle = low + (high - low) / 2;
            (taken(middle) ? low : high) = middle;
        }
        const std::wstring name = SideFileName(identity_, L".damaged-" + std::to_wstring(high));
        KernelHandle aside(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!aside.Valid()) {
            error_ = GetLastError();
            if (error_ != ERROR_FILE_EXISTS) return false;
            free = high + 1;  // made by another program meanwhile
            continue;
        }
        if (CopyContent(file_.Get(), aside.Get())) {
            keptAs = Utf8(PlainPath(name));
            return true;
        }
        error_ = GetLastError();
        DeleteOnClose(aside.Get());  // only our own incomplete copy
        return false;
    }
    return false;
}

CacheListing ListCacheFile(const std::wstring& path) {
    CacheListing listing;
    HeldCacheFile file(path);
    std::optional<CacheContent> content = file.Read(true);
    listing.error = file.Error();
    if (!content) return listing;
    listing.read = true;
    listing.damaged = content->Damaged();
    listing.partlyDamaged = content->PartlyDamaged();
    listing.ids = content->IdsHandedOut();
    return listing;
}
