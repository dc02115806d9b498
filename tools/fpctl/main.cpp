// fpctl: the administration command for the rule store, the cache file and
// paths. A host of FileProtect.dll like any other: every rule it shows or
// writes goes through the library's exported factories.
#include <windows.h>

#include <shellapi.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Output.h"

#ifndef FPCTL_VERSION
#define FPCTL_VERSION "unknown"
#endif

Context::~Context() {
    // The library itself stays loaded until the process ends: its singletons
    // clean up at unload, after everything here is done.
    if (store_) store_->CloseDb();
}

const fileprotect::Library& Context::Library() {
    try {
        if (!library_) library_.emplace();
    } catch (const std::runtime_error& error) {
        throw LibraryFailure(error.what(), "LoadLibraryW");
    }
    return *library_;
}

IFileProtectCfgMgr* Context::Store() {
    if (!store_) {
        IFileProtectCfgMgr* store = Get(&fileprotect::Library::Store);
        Require(store->InitDb(), "InitDb", "the rule database could not be opened");
        store_ = store;
    }
    return store_;
}

void Require(bool ok, const std::string& operation, const std::string& detail) {
    if (ok) return;
    throw LibraryFailure(operation + " failed" + (detail.empty() ? "" : ": " + detail), operation);
}

namespace {

// The arguments as the system gave them (UTF-16), as UTF-8 for the parser,
// program name left out.
std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(fileprotect::Utf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

// The command the parser got to: the deepest one it chose (the program when
// it got nowhere).
const CLI::App* ChosenCommand(const CLI::App& app) {
    const CLI::App* command = &app;
    for (;;) {
        std::vector<const CLI::App*> chosen =
            command->get_subcommands([](const CLI::App* sub) { return sub->parsed(); });
        if (chosen.empty()) return command;
        command = chosen.front();
    }
}

// "protect add" for that command; empty for the program itself.
std::string CommandPath(const CLI::App* command) {
    std::string path;
    for (; command && command->get_parent(); command = command->get_parent()) {
        if (!path.empty()) path.insert(0, " ");
        path.insert(0, command->get_name());
    }
    return path;
}

// The help text of a command, headed "fpctl ...".
std::string UsageOf(const CLI::App* command) {
    std::string prefix = "fpctl";
    const std::string path = CommandPath(command->get_parent());
    if (!path.empty()) prefix += " " + path;
    return command->get_parent() ? command->help(prefix) : command->help();
}

// "help WORD..." names a command by its words ("help protect add"). Answered
// before the parser runs: the parser would take the words for the help
// command's own arguments.
int Help(const CLI::App& app, const std::vector<std::string>& words) {
    const CLI::App* command = &app;
    for (const std::string& word : words) {
        const CLI::App* next = nullptr;
        for (const CLI::App* sub : command->get_subcommands({}))
            if (sub->get_name() == word) next = sub;
        if (!next) {
            PrintError("fpctl: no command \"" + CommandPath(command) + (command == &app ? "" : " ") + word +
                       "\"; fpctl help lists the commands");
            return 2;
        }
        command = next;
    }
    PrintText(UsageOf(command));
    return 0;
}

// An argument the chosen command did not take: a command name mistyped, or
// one argument too many.
std::string Unexpected(const CLI::App& command) {
    std::vector<std::string> left;
    // Arguments a command does not take fall through to the commands above it.
    for (const CLI::App* up = &command; up && left.empty(); up = up->get_parent()) left = up->remaining();
    if (left.empty()) return std::string();
    const bool hasCommands = !command.get_subcommands({}).empty();
    const std::string path = CommandPath(&command);
    return std::string(hasCommands ? "unknown command \"" : "unexpected argument \"") + Shown(left.front()) +
           "\"" + (path.empty() ? "" : " after " + path);
}

// Prints a failure: on standard error for a person, and with --json also as
// {"error": ..., "operation": ...} on standard output, so that a script
// always reads one JSON document there.
int Fail(bool json, int exitCode, const std::string& message, const std::string& operation,
         const std::string& usage) {
    if (json) PrintJson({{"error", message}, {"operation", operation.empty() ? "fpctl" : operation}});
    PrintError("fpctl: " + message);
    if (!usage.empty()) PrintUsage(usage);
    return exitCode;
}

int Run() {
    OutputSetup output;
    Context context;
    CLI::App app("fpctl: see and change this machine's file-protection rules, the cache file "
                 "and paths, through FileProtect.dll",
                 "fpctl");
    app.add_flag("--json", context.json, "print one JSON document instead of text (errors too)");
    app.add_flag("--yes", context.yes, "do what a destructive command does without asking");
    app.set_version_flag("--version", "fpctl " FPCTL_VERSION);
    app.fallthrough();  // --json and --yes may follow the command's own arguments
    app.require_subcommand(1);
    app.footer("fpctl help COMMAND... explains one command.\n"
               "Exit codes: 0 done, 1 the library reported failure (or answered no), 2 bad usage.");
    AddSettingCommands(app, context);
    AddRuleCommands(app, context);
    AddMachineCommands(app, context);
    AddTransferCommands(app, context);
    app.add_subcommand("help", "the command list, or how to use one command: help protect add")
        ->allow_extras();

    std::vector<std::string> arguments = Arguments();
    // Known before parsing, so that even a parse error is printed as JSON.
    const bool json = std::find(arguments.begin(), arguments.end(), "--json") != arguments.end();
    std::vector<std::string> words;  // the arguments but the program's own flags
    words.reserve(arguments.size());
    for (const std::string& argument : arguments)
        if (argument != "--json" && argument != "--yes") words.push_back(argument);
    if (!words.empty() && words.front() == "help") return Help(app, std::vector<std::string>(words.begin() + 1, words.end()));
    std::reverse(arguments.begin(), arguments.end());  // the parser takes them from the back
    const CLI::App* command = &app;
    try {
        app.parse(arguments);
        return 0;
    } catch (const CLI::CallForHelp&) {
        PrintText(UsageOf(ChosenCommand(app)));
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        PrintText(app.help("", CLI::AppFormatMode::All));
        return 0;
    } catch (const CLI::CallForVersion&) {
        PrintText("fpctl " FPCTL_VERSION);
        return 0;
    } catch (const CLI::ParseError& error) {
        command = ChosenCommand(app);
        std::string message = Unexpected(*command);
        if (message.empty()) message = error.what();
        return Fail(json, 2, message, CommandPath(command), UsageOf(command));
    } catch (const UsageError& error) {
        command = ChosenCommand(app);
        return Fail(json, 2, error.what(), CommandPath(command), UsageOf(command));
    } catch (const NegativeAnswer& answer) {
        if (!*answer.what()) return 1;  // the answer itself was printed
        return Fail(json, 1, answer.what(), answer.operation(), std::string());
    } catch (const Failure& failure) {
        const std::string operation = failure.operation().empty() ? CommandPath(ChosenCommand(app)) : failure.operation();
        return Fail(json, 1, failure.what(), operation, std::string());
    } catch (const std::exception& error) {
        return Fail(json, 1, error.what(), CommandPath(ChosenCommand(app)), std::string());
    }
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (const std::exception& error) {  // only what setting up the parser may throw
        fputs("fpctl: ", stderr);
        fputs(error.what(), stderr);
        fputs("\n", stderr);
        return 1;
    } catch (...) {
        return 1;
    }
}
