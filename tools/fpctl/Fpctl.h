// What every command of fpctl shares: the library, reached only through its
// exported factories; the --json choice; and the two ways a command fails.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <utility>

#include "interfaces/FileProtectExports.h"

namespace CLI {
class App;
}

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

    // Each loads FileProtect.dll on first use; Store() also opens the store.
    IHlpFunc* Helper();
    IFileProtectCfgMgr* Store();
    IProtectFileCacheFileMgr* Cache();
    IProtectFileGlbLock* NewLock();               // the caller releases it
    IProtectFileProtectDiskMgr* NewDiskManager();  // the caller releases it

private:
    void Load();
    template <typename Fn>
    Fn Find(const char* name);

    HMODULE module_ = nullptr;
    IFileProtectCfgMgr* store_ = nullptr;
};

// Throws LibraryFailure "<operation> failed" (with the detail) when ok is false.
void Require(bool ok, const std::string& operation, const std::string& detail = std::string());

// Before a command that removes rules wholesale (what: "remove every row of
// rejectlist"): goes on with --yes; without it asks on a console and goes on
// after "y" or "yes"; otherwise throws UsageError, changing nothing.
void RequireConfirmation(const Context& context, const std::string& what);

// One function per command group, each adding its commands to the program.
void AddRuleCommands(CLI::App& app, Context& context);      // protect, reject, white, rename
void AddProtectCommand(CLI::App& app, Context& context);    // protect (part of the rule commands)
void AddBlockCommands(CLI::App& app, Context& context);     // blocks
void AddSettingCommands(CLI::App& app, Context& context);   // status, switches, config
void AddPathCommands(CLI::App& app, Context& context);      // hash, device, inside
void AddCacheCommands(CLI::App& app, Context& context);     // cache
void AddDiskCommands(CLI::App& app, Context& context);      // disks
void AddTransferCommands(CLI::App& app, Context& context);  // export, import
