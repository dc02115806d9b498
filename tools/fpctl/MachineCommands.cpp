// fpctl hash, device, inside, cache and disks: the helper object's path
// hash, device-name translation and containment test; the XML cache file of
// path ids; the drive letters the disk manager reports.
#include <fcntl.h>
#include <io.h>

#include <CLI/CLI.hpp>
#include <cstdio>

#include "cache/CacheFileIo.h"
#include "Output.h"

using fileprotect::Utf8;
using fileprotect::Wide;

namespace {

// While it lives, what the library prints on standard output (the cache
// manager's own messages) goes to a temporary file instead, so it cannot mix
// with fpctl's output; Messages() gives it back.
class LibraryMessages {
public:
    LibraryMessages() {
        fflush(stdout);
        wchar_t folder[MAX_PATH] = {};
        wchar_t path[MAX_PATH] = {};
        if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"fpc", 0, path)) return;
        HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        captureFd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);  // owns the handle from here
        if (captureFd_ < 0) {
            CloseHandle(file);
            return;
        }
        savedStdout_ = _dup(_fileno(stdout));
        if (savedStdout_ < 0 || _dup2(captureFd_, _fileno(stdout)) != 0) {
            if (savedStdout_ >= 0) _close(savedStdout_);
            savedStdout_ = -1;
        }
    }
    ~LibraryMessages() {
        Messages();
        if (captureFd_ >= 0) _close(captureFd_);
    }
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    // Ends the diversion and returns what was printed meanwhile.
    std::string Messages() {
        std::string text;
        if (savedStdout_ < 0) return text;
        fflush(stdout);
        _dup2(savedStdout_, _fileno(stdout));
        _close(savedStdout_);
        savedStdout_ = -1;
        _lseek(captureFd_, 0, SEEK_SET);
        char buffer[4096];
        int got = 0;
        while ((got = _read(captureFd_, buffer, sizeof(buffer))) > 0) text.append(buffer, got);
        return text;
    }

private:
    int savedStdout_ = -1;
    int captureFd_ = -1;
};

struct MachineOptions {
    std::vector<std::string> paths;
    std::string parent;
    std::string child;
    std::string file;  // the cache file
    std::vector<std::string> ids;
};

void Hash(Context& context, const std::vector<std::string>& paths) {
    IHlpFunc* helper = context.Helper();
    Json rows = Json::array();
    for (const std::string& path : paths) {
        const uint32_t hash = helper->GetPathHash(Wide(path));
        // The tables store the same 32 bits as a signed number.
        rows.push_back({{"path", path}, {"hash", hash}, {"key", static_cast<int32_t>(hash)}});
    }
    PrintRows(context, rows, {Field("HASH", "hash"), Field("KEY", "key"), Field("PATH", "path")});
}

// A path that starts with a backslash is a device path (\Device\...),
// anything else a drive-letter path.
void Device(Context& context, const std::vector<std::string>& paths) {
    IHlpFunc* helper = context.Helper();
    Json rows = Json::array();
    std::string failed;
    for (const std::string& path : paths) {
        const std::wstring wide = Wide(path);
        wchar_t result[MAX_PATH] = {};
        const bool toDos = !wide.empty() && wide[0] == L'\\';
        if (wide.size() >= MAX_PATH) throw UsageError("a path longer than " + std::to_string(MAX_PATH - 1));
        const bool ok = wide.size() >= 2 && (toDos ? helper->DevicePathToDosPath(wide.c_str(), result)
                                                   : helper->DosPathToDevicePath(wide.c_str(), result));
        if (!ok && failed.empty())
            failed = std::string(toDos ? "DevicePathToDosPath" : "DosPathToDevicePath") + " failed for " + path;
        rows.push_back({{"path", path}, {"translated", ok ? Utf8(result) : std::string()}, {"ok", ok}});
    }
    const auto translated = [](const Json& row) {
        return row.at("ok").get<bool>() ? row.at("translated").get<std::string>() : "(not translated)";
    };
    PrintRows(context, rows, {Field("PATH", "path"), {"TRANSLATED", translated}});
    // With --json each row says whether it was translated.
    if (!failed.empty() && context.json) throw NegativeAnswer("");
    if (!failed.empty()) throw LibraryFailure(failed);
}

void Inside(Context& context, const std::string& parent, const std::string& child) {
    const bool inside = context.Helper()->IsSubPath(Wide(parent), Wide(child));
    Report(context, child + (inside ? " lies in " : " does not lie in ") + parent,
           {{"parent", parent}, {"child", child}, {"inside", inside}});
    if (!inside) throw NegativeAnswer("");
}

std::wstring FullPath(const std::string& file) {
    const std::wstring path = Wide(file);
    wchar_t full[MAX_PATH] = {};
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

// Points the cache manager at the file (creating it when missing).
IProtectFileCacheFileMgr* OpenCache(Context& context, const std::wstring& path) {
    IProtectFileCacheFileMgr* cache = context.Get(&fileprotect::Library::Cache);
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
        // Release() ends the lock object and frees the mutex with it.
        const fileprotect::Owned<IProtectFileGlbLock> lock = context.Get(&fileprotect::Library::NewLock);
        if (lock->SetLockName(fileprotect::kCacheMutexName)) lock->Lock();
        listing = ListCacheFile(path);
    }
    if (!listing.read)
        throw LibraryFailure("cannot read the cache file " + Shown(path) + ": " + fileprotect::ErrorText(listing.error));
    if (listing.damaged)
        throw LibraryFailure("the cache file " + Shown(path) +
                             " is damaged and holds no list; a take keeps it aside and starts it anew");
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
                                 fileprotect::ErrorText(std::stoul(printed.substr(error + unsaved.size()))),
                             operation);
}

void PrintIds(const Context& context, const std::vector<std::string>& ids) {
    if (context.json) {
        PrintJson(ids);
        return;
    }
    for (const std::string& id : ids) PrintLine(id);
}

void AddCacheCommand(CLI::App& app, Context& context, MachineOptions& options) {
    CLI::App* cache = app.add_subcommand("cache", "the XML cache file of path ids");
    cache->add_option("FILE", options.file, "the cache file")->required();
    cache->require_subcommand(1);

    cache->add_subcommand("list", "list the ids without taking them")->callback([&context, &options] {
        const std::wstring path = FullPath(options.file);
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            throw LibraryFailure("no cache file " + Shown(path));
        PrintIds(context, ListIds(context, path));
    });

    CLI::App* add = cache->add_subcommand("add", "append ids");
    add->add_option("ID", options.ids, "ids (in use: path-hash texts)")->required();
    add->callback([&context, &options] {
        const std::vector<std::wstring> ids = NonEmpty(options.ids, "id");
        IProtectFileCacheFileMgr* cache = OpenCache(context, FullPath(options.file));
        LibraryMessages messages;
        cache->AddPathIdsW(ids);
        ReportLibraryMessages(messages.Messages(), "AddPathIdsW");
        Report(context, "appended " + Count(options.ids.size(), "id"),
               {{"file", options.file}, {"added", options.ids.size()}});
    });

    cache->add_subcommand("take", "take every id out and print it")->callback([&context, &options] {
        IProtectFileCacheFileMgr* cache = OpenCache(context, FullPath(options.file));
        std::vector<std::string> ids;
        // The manager prints "pathHash=..." for each id; fpctl prints them itself.
        LibraryMessages messages;
        cache->TakePathIds(ids);
        ReportLibraryMessages(messages.Messages(), "TakePathIds");
        PrintIds(context, ids);
    });

    cache->add_subcommand("clear", "empty the file")->callback([&context, &options] {
        const std::wstring path = FullPath(options.file);
        RequireConfirmation(context, "empty the cache file " + Shown(path));
        IProtectFileCacheFileMgr* cache = OpenCache(context, path);
        LibraryMessages messages;
        cache->ClearCacheFile();
        if (messages.Messages().find("clear file error") != std::string::npos)
            throw LibraryFailure("the cache file could not be emptied (\"clear file error\")", "ClearCacheFile");
        Report(context, "cleared " + options.file, {{"file", options.file}, {"cleared", true}});
    });
}

void Disks(Context& context) {
    const fileprotect::Owned<IProtectFileProtectDiskMgr> disks = context.Get(&fileprotect::Library::NewDiskManager);
    Require(disks->LoadDiskManager() != nullptr, "LoadDiskManager", "the disk components are not available");
    Json letters = Json::array();
    std::string line;
    for (wchar_t letter : disks->GetDiskLetters(nullptr)) {
        const std::string text = Utf8(std::wstring(1, letter));
        letters.push_back(text);
        line += (line.empty() ? "" : " ") + text + ":";
    }
    Report(context, line, letters);
}

}  // namespace

void AddMachineCommands(CLI::App& app, Context& context) {
    static MachineOptions options;
    CLI::App* hash = app.add_subcommand("hash", "the unsigned path hash and the signed key the tables store");
    hash->add_option("PATH", options.paths, "paths")->required();
    hash->callback([&context] { Hash(context, options.paths); });

    CLI::App* device = app.add_subcommand("device", "drive-letter path <-> device path, either direction");
    device->add_option("PATH", options.paths, "C:\\... or \\Device\\...")->required();
    device->callback([&context] { Device(context, options.paths); });

    CLI::App* inside = app.add_subcommand("inside", "exit 0 when CHILD lies in PARENT, 1 when not");
    inside->add_option("PARENT", options.parent, "the outer path")->required();
    inside->add_option("CHILD", options.child, "the inner path")->required();
    inside->callback([&context] { Inside(context, options.parent, options.child); });

    AddCacheCommand(app, context, options);
    app.add_subcommand("disks", "drive letters reported by the disk manager")->callback([&context] {
        Disks(context);
    });
}
