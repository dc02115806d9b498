// What every command of fpctl shares: the library, reached only through its
// exported factories; the --json choice; and the two ways a command fails.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "FileProtectExports.h"

namespace CLI {
class App;
}

// The library reported a failure: exit code 1. The text names the operation.
class LibraryFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command cannot be carried out as written (a bad argument, an unusable
// file): exit code 2, followed by the usage of the command.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A question the library answered "no" (a path not inside another, a row not
// found): exit code 1 without counting as a failure of the library.
class NegativeAnswer : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Context {
public:
    Context() = default;
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    bool json = false;

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

// One function per command group, each adding its commands to the program.
void AddRuleCommands(CLI::App& app, Context& context);      // protect, reject, white, rename
void AddProtectCommand(CLI::App& app, Context& context);    // protect (part of the rule commands)
void AddBlockCommands(CLI::App& app, Context& context);     // blocks
void AddSettingCommands(CLI::App& app, Context& context);   // status, switches, config
void AddPathCommands(CLI::App& app, Context& context);      // hash, device, inside
void AddCacheCommands(CLI::App& app, Context& context);     // cache
void AddDiskCommands(CLI::App& app, Context& context);      // disks
void AddTransferCommands(CLI::App& app, Context& context);  // export, import
