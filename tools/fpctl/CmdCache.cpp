// fpctl cache FILE ...: the XML cache file of path ids.
#include <CLI/CLI.hpp>

#include "CacheFileReader.h"
#include "Fpctl.h"
#include "Output.h"
#include "Report.h"
#include "Rules.h"
#include "Text.h"

namespace {

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
    Require(cache->InitCacheFile(path, L"fpctl"), "InitCacheFile", Utf8(path));
    return cache;
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
            throw LibraryFailure("no cache file " + Utf8(path));
        PrintIds(context, ReadCacheIds(context, path));
    });

    CLI::App* add = cache->add_subcommand("add", "append ids");
    add->add_option("ID", options.ids, "ids (in use: path-hash texts)")->required();
    add->callback([&context] {
        for (const std::string& id : options.ids)
            if (id.empty()) throw UsageError("an empty id");
        IProtectFileCacheFileMgr* cache = OpenCache(context, FullPath(options.file));
        LibraryMessages messages;
        cache->AddPathIdsW(WideAll(options.ids));
        const std::string printed = messages.Messages();
        if (!printed.empty()) PrintError(printed);
        Report(context, "appended " + Count(options.ids.size(), "id"),
               {{"file", options.file}, {"added", options.ids.size()}});
    });

    cache->add_subcommand("take", "take every id out and print it")->callback([&context] {
        IProtectFileCacheFileMgr* cache = OpenCache(context, FullPath(options.file));
        std::vector<std::string> ids;
        {
            // The manager prints "pathHash=..." for each id; fpctl prints them itself.
            LibraryMessages messages;
            cache->TakePathIds(ids);
        }
        PrintIds(context, ids);
    });

    cache->add_subcommand("clear", "empty the file")->callback([&context] {
        IProtectFileCacheFileMgr* cache = OpenCache(context, FullPath(options.file));
        LibraryMessages messages;
        cache->ClearCacheFile();
        const std::string printed = messages.Messages();
        if (printed.find("clear file error") != std::string::npos)
            throw LibraryFailure("ClearCacheFile failed (it printed \"clear file error\")");
        Report(context, "cleared " + options.file, {{"file", options.file}, {"cleared", true}});
    });
}
