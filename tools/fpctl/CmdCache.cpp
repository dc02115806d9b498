// fpctl cache FILE ...: the XML cache file of path ids.
#include <CLI/CLI.hpp>

#include "cache/CacheFileIo.h"
#include "Fpctl.h"
#include "Output.h"
#include "Report.h"
#include "Rules.h"
#include "Text.h"

namespace {

// The mutex every user of the cache file holds across each change.
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

struct CacheOptions {
    std::string file;
    std::vector<std::string> ids;
};

std::wstring FullPath(const std::string& file) {
    const std::wstring path = Wide(file);
    wchar_t full[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

// Points the cache manager at the file (creating it when missing).
IProtectFileCacheFileMgr* OpenCache(Context& context, const std::wstring& path) {
    IProtectFileCacheFileMgr* cache = context.Cache();
    LibraryMessages messages;  // "create file error, ..." is reported below instead
    Require(cache->InitCacheFile(path, L"fpctl"), "InitCacheFile", Shown(path));
    return cache;
}

// What a take would hand out now, read by the library's own code for the
// file under the cache mutex: a change left half done by a killed process is
// finished first, as for a take.
std::vector<std::string> ListIds(Context& context, const std::wstring& path) {
    CacheListing listing;
    {
        CacheLock lock(context);
        listing = ListCacheFile(path);
    }
    if (!listing.read)
        throw LibraryFailure("cannot read the cache file " + Shown(path) + ": " +
                             SystemError(listing.error));
    if (listing.damaged)
        throw LibraryFailure("the cache file " + Shown(path) +
                             " is damaged and holds no list; a take keeps it aside and starts "
                             "it anew");
    if (listing.partlyDamaged)
        Warn("some parts of the cache file " + Shown(path) +
             " are damaged; a take keeps the file aside and hands out the other ids");
    return listing.ids;
}

// The library's own messages about a change: where it kept a damaged file,
// and whether the change could not be saved.
void ReportLibraryMessages(const std::string& printed, const std::string& operation) {
    const std::string kept = "damaged file kept as ";
    const size_t at = printed.find(kept);
    if (at != std::string::npos) {
        const size_t end = printed.find('\n', at);
        Warn("the cache file was damaged; its content was kept as " +
             Shown(printed.substr(at + kept.size(), end - at - kept.size())));
    }
    const std::string unsaved = "save file error, error code=";
    const size_t error = printed.find(unsaved);
    if (error != std::string::npos)
        throw LibraryFailure(operation + " could not save the cache file: " +
                                 SystemError(static_cast<uint32_t>(
                                     std::stoul(printed.substr(error + unsaved.size())))),
                             operation);
}

void PrintIds(const Context& context, const std::vector<std::string>& ids) {
    if (context.json) {
        PrintJson(ids);
        return;
    }
    for (const std::string& id : ids) PrintLine(id);
}

}  // namespace

void AddCacheCommands(CLI::App& app, Context& context) {
    static CacheOptions options;
    CLI::App* cache = app.add_subcommand("cache", "the XML cache file of path ids");
    cache->add_option("FILE", options.file, "the cache file")->required();
    cache->require_subcommand(1);

    cache->add_subcommand("list", "list the ids without taking them")->callback([&context] {
        const std::wstring path = FullPath(options.file);
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            throw LibraryFailure("no cache file " + Shown(path));
        PrintIds(context, ListIds(context, path));
    });

    CLI::App* add = cache->add_subcommand("add", "append ids");
    add->add_option("ID", options.ids, "ids (in use: path-hash texts)")->required();
    add->callback([&context] {
        for (const std::string& id : options.ids)
            if (id.empty()) throw UsageError("an empty id");
        IProtectFileCacheFileMgr* cache = OpenCache(context, FullPath(options.file));
        LibraryMessages messages;
        cache->AddPathIdsW(WideAll(options.ids));
        ReportLibraryMessages(messages.Messages(), "AddPathIdsW");
        Report(context, "appended " + Count(options.ids.size(), "id"),
               {{"file", options.file}, {"added", options.ids.size()}});
    });

    cache->add_subcommand("take", "take every id out and print it")->callback([&context] {
        IProtectFileCacheFileMgr* cache = OpenCache(context, FullPath(options.file));
        std::vector<std::string> ids;
        // The manager prints "pathHash=..." for each id; fpctl prints them itself.
        LibraryMessages messages;
        cache->TakePathIds(ids);
        ReportLibraryMessages(messages.Messages(), "TakePathIds");
        PrintIds(context, ids);
    });

    cache->add_subcommand("clear", "empty the file")->callback([&context] {
        const std::wstring path = FullPath(options.file);
        RequireConfirmation(context, "empty the cache file " + Shown(path));
        IProtectFileCacheFileMgr* cache = OpenCache(context, path);
        LibraryMessages messages;
        cache->ClearCacheFile();
        const std::string printed = messages.Messages();
        if (printed.find("clear file error") != std::string::npos)
            throw LibraryFailure("the cache file could not be emptied (\"clear file error\")",
                                 "ClearCacheFile");
        Report(context, "cleared " + options.file, {{"file", options.file}, {"cleared", true}});
    });
}
