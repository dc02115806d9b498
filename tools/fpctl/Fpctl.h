// What every part of fpctl shares: the library, reached through the host kit
// and its exported factories only; the two ways a command fails; the rule
// tables and their records as JSON.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "interfaces/FileProtectHost.h"

namespace CLI {
class App;
}

using Json = nlohmann::json;

// A failure of one kind, with the operation it happened in (a library
// operation such as "AddRejectList", or empty for the command itself). With
// --json it is printed as {"error": what(), "operation": ...}.
class Failure : public std::runtime_error {
public:
    explicit Failure(const std::string& message, std::string operation = std::string())
        : std::runtime_error(message), operation_(std::move(operation)) {}
    const std::string& operation() const { return operation_; }

private:
    std::string operation_;
};

// The library reported a failure, or a file could not be written: exit code
// 1. The text names the operation.
class LibraryFailure : public Failure {
public:
    using Failure::Failure;
};

// The command cannot be carried out as written (a bad argument, an unusable
// file): exit code 2, followed by the usage of the command.
class UsageError : public Failure {
public:
    using Failure::Failure;
};

// A question the library answered "no" (a path not inside another, a row not
// found): exit code 1 without counting as a failure of the library. An empty
// text means the answer was printed already.
class NegativeAnswer : public Failure {
public:
    using Failure::Failure;
};

class Context {
public:
    Context() = default;
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    bool json = false;
    bool yes = false;  // --yes: destructive commands do not ask

    // What a factory of the kit's Library gives (context.Get(&Library::Cache)).
    // FileProtect.dll is loaded on first use, so that help and bad usage work
    // without it; a DLL without the factory (another release) fails as a
    // load does.
    template <typename Result>
    Result Get(Result (fileprotect::Library::*factory)() const) {
        const fileprotect::Library& library = Library();
        try {
            return (library.*factory)();
        } catch (const std::runtime_error& error) {
            throw LibraryFailure(error.what(), "GetProcAddress");
        }
    }
    IHlpFunc* Helper() { return Get(&fileprotect::Library::Helper); }
    IFileProtectCfgMgr* Store();  // opened on first use

private:
    const fileprotect::Library& Library();

    std::optional<fileprotect::Library> library_;
    IFileProtectCfgMgr* store_ = nullptr;
};

// Throws LibraryFailure "<operation> failed" (with the detail) when ok is false.
void Require(bool ok, const std::string& operation, const std::string& detail = std::string());

// Before a command that removes rules wholesale (what: "remove every row of
// rejectlist"): goes on with --yes; without it asks on a console and goes on
// after "y" or "yes"; otherwise throws UsageError, changing nothing.
void RequireConfirmation(const Context& context, const std::string& what);

// One function per command group, each adding its commands to the program.
void AddRuleCommands(CLI::App& app, Context& context);      // protect, reject, white, rename, blocks
void AddSettingCommands(CLI::App& app, Context& context);   // status, switches, config
void AddMachineCommands(CLI::App& app, Context& context);   // hash, device, inside, cache, disks
void AddTransferCommands(CLI::App& app, Context& context);  // export, import

// The rule tables, one call of the store per table and action, a failure
// named after the store's operation.

// The three tables of path rows that share ProtectFileItem without a kind.
enum class PathList { kReject, kWhite, kConstWhite };
const char* TableName(PathList list);  // "rejectlist", "whitelist", "const_whitelist"

std::vector<ProtectFileItem> ReadPathList(IFileProtectCfgMgr* store, PathList list);
void AddToPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<ProtectFileItem>& items);
void DeleteFromPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<std::wstring>& paths);

// File and folder rows, then extension rows (bextention true, their text in
// filepath).
std::vector<ProtectFileItem> ReadProtectTable(IFileProtectCfgMgr* store);
std::vector<BlockCountItem> ReadBlocks(IFileProtectCfgMgr* store);

// A row of the config table.
struct ConfigRow {
    int32_t id = 0;
    std::wstring text;
};
struct ConfigIdList {
    std::vector<int32_t> ids;
    // Ids the store's 32-bit interface cannot name (another program wrote
    // them): no operation can read, change or delete these rows.
    std::vector<int64_t> unreachable;
};
// The store reads a config row by its id and offers no listing, so only the
// ids come from the database file itself, opened read-only.
ConfigIdList ConfigIds(Context& context);
// Every row the store can read, with its text (empty when it holds none);
// a warning names the rows it cannot.
std::vector<ConfigRow> ReadConfigRows(Context& context);

// Items for paths given on the command line, under the mount point given or
// else the path's own (C:\ for C:\Data).
std::vector<ProtectFileItem> ItemsFor(const std::vector<std::wstring>& paths, bool isFile,
                                      const std::wstring& mountPoint);
// Texts of the command line (noun: "path", "id") as UTF-16. An empty one is
// refused with UsageError before anything is written: the store would key an
// empty path 0.
std::vector<std::wstring> NonEmpty(const std::vector<std::string>& texts, const std::string& noun);
// "a folder on C:\", "a file on D:\", "an extension rule": what a row is,
// for messages.
std::string Describe(const ProtectFileItem& item);

// The records as JSON objects, named here once for lists, reports and
// files. An extension row is {"bextention": true, "filepath"}: the store
// lists nothing else of it. Reading throws UsageError for a field that is
// missing, unknown, of the wrong type or out of the record's 32-bit range.
void to_json(Json& row, const ProtectFileItem& item);
void from_json(const Json& row, ProtectFileItem& item);
void to_json(Json& row, const BlockCountItem& item);
void from_json(const Json& row, BlockCountItem& item);
void to_json(Json& row, const ConfigRow& config);
void from_json(const Json& row, ConfigRow& config);
