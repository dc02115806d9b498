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

#include "Fpctl.h"
#include "Output.h"
#include "Text.h"

namespace {

// The arguments as the system gave them (UTF-16), as UTF-8 for the parser,
// program name left out.
std::vector<std::string> Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

// The help text of the command the parser got to (the whole program's when
// it got nowhere), headed "fpctl ...".
std::string UsageOf(const CLI::App& app) {
    const CLI::App* command = &app;
    for (;;) {
        std::vector<const CLI::App*> chosen = command->get_subcommands(
            [](const CLI::App* sub) { return sub->parsed(); });
        if (chosen.empty()) break;
        command = chosen.front();
    }
    std::vector<std::string> names;
    for (const CLI::App* up = command->get_parent(); up; up = up->get_parent()) names.push_back(up->get_name());
    std::string prefix;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (!prefix.empty()) prefix += ' ';
        prefix += *name;
    }
    return command->help(prefix);
}

void AddHelpCommand(CLI::App& app) {
    CLI::App* help = app.add_subcommand("help", "this text, or the usage of one command");
    static std::string topic;  // the parser writes it after this function returns
    help->add_option("COMMAND", topic, "the command to explain");
    help->callback([&app] {
        if (topic.empty()) {
            PrintLine(app.help());
            return;
        }
        CLI::App* command = nullptr;
        try {
            command = app.get_subcommand(topic);
        } catch (const CLI::OptionNotFound&) {
            throw UsageError("no command " + topic);
        }
        PrintLine(command->help(app.get_name()));
    });
}

int Run() {
    OutputSetup output;
    Context context;
    CLI::App app("fpctl: see and change this machine's file-protection rules, the cache file "
                 "and paths, through FileProtect.dll",
                 "fpctl");
    app.add_flag("--json", context.json, "print one JSON document instead of text");
    app.fallthrough();  // --json may follow the command's own arguments
    app.require_subcommand(1);
    app.footer("Exit codes: 0 done, 1 the library reported failure (or answered no), 2 bad usage.");
    AddSettingCommands(app, context);
    AddRuleCommands(app, context);
    AddBlockCommands(app, context);
    AddPathCommands(app, context);
    AddCacheCommands(app, context);
    AddDiskCommands(app, context);
    AddTransferCommands(app, context);
    AddHelpCommand(app);

    std::vector<std::string> arguments = Arguments();
    std::reverse(arguments.begin(), arguments.end());  // the parser takes them from the back
    try {
        app.parse(arguments);
        return 0;
    } catch (const CLI::CallForHelp&) {
        PrintLine(UsageOf(app));
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        PrintLine(app.help("", CLI::AppFormatMode::All));
        return 0;
    } catch (const CLI::ParseError& error) {
        PrintError("fpctl: " + std::string(error.what()));
        PrintError(UsageOf(app));
        return 2;
    } catch (const UsageError& error) {
        PrintError("fpctl: " + std::string(error.what()));
        PrintError(UsageOf(app));
        return 2;
    } catch (const NegativeAnswer& answer) {
        if (*answer.what()) PrintError("fpctl: " + std::string(answer.what()));
        return 1;
    } catch (const std::exception& error) {
        PrintError("fpctl: " + std::string(error.what()));
        return 1;
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
