// HeldCacheFile: the cache file held with no sharing at all for one change.
// Every change of the file runs inside one such hold, so the file itself
// orders all processes, whether or not they could take the machine-wide lock.
//
// A change is made safe against the changer being killed by writing it into
// the file itself first (CacheJournal.h); the hold finishes a change that a
// killed holder left half done before anything else. It also finishes what
// older builds left beside the file: they printed a save to "<file>.tmp",
// renamed it to "<file>.new" once complete and only then rewrote the file.
//
// Files beside the cache file (those left by older builds, and the copies of
// damaged content kept aside) are named from the file's one identity, the
// final path of the held handle: every spelling of the file (short name,
// letter case, relative path) finds the same ones. That path is written in
// the "\\?\" form, which Windows takes beyond MAX_PATH without any opt-in, so
// a name beside the file works wherever the file itself does.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "cache/CacheContent.h"
#include "base/ScopedHandle.h"

// A file larger than this is not read but treated as damaged: the format is
// one flat list of short items, far below it.
constexpr long long kMaxCacheFileBytes = 64ll * 1024 * 1024;

class HeldCacheFile {
public:
    // Opens an existing file with no sharing at all. While another open holds
    // it the open is tried again every 100 ms, up to 1000 times; failures that
    // waiting cannot mend (missing file or folder, no access) end at once.
    // Then finishes a change left half done; if that cannot be done the file
    // is not held.
    explicit HeldCacheFile(const std::wstring& path);

    HeldCacheFile(const HeldCacheFile&) = delete;
    HeldCacheFile& operator=(const HeldCacheFile&) = delete;

    bool Valid() const { return file_.Valid(); }
    // The system's code for the last thing that failed.
    DWORD Error() const { return error_; }

    // The file's whole content; none when it cannot be read. A file too large
    // to be read reads as damaged.
    std::optional<CacheContent> Read(bool collectItems);

    // Makes the file's content the edit's, safe against a kill at any moment.
    // True once the change is made: from then on the new content is the
    // file's, even if this process dies before it is written in place.
    bool Rewrite(const CacheEdit& edit);

    // Copies the file's bytes as they are now to a new file beside it, and
    // gives the new file's name (for messages).
    bool KeepAside(std::string& keptAs);

private:
    enum class Leftover { kNone, kFinished, kBusy, kFailed };

    bool OpenOnce(const std::wstring& path);
    bool FinishInterruptedChange();
    Leftover FinishSaveLeftBeside();
    bool SetSize(unsigned long long size);

    std::wstring identity_;  // "\\?\" form of the file's final path
    unsigned long long size_ = 0;
    DWORD error_ = ERROR_SUCCESS;
    KernelHandle file_;
};

// The name beside `identity` with `suffix` appended. Where that would make
// the last name longer than a file system takes (255 UTF-16 units, or 255
// UTF-8 bytes where names are stored as bytes), the name's start is kept with
// a checksum of the whole name in place of the rest.
std::wstring SideFileName(const std::wstring& identity, const std::wstring& suffix);

// What a take of the file would hand out now, without taking anything, for
// programs that show the file. The caller holds the machine-wide cache lock,
// as every user of the file does.
struct CacheListing {
    bool read = false;  // false: `error` says why
    DWORD error = ERROR_SUCCESS;
    // A take would first keep the file aside: it holds no list at all, or
    // parts that are left out.
    bool damaged = false;
    bool partlyDamaged = false;
    std::vector<std::string> ids;
};
CacheListing ListCacheFile(const std::wstring& path);
