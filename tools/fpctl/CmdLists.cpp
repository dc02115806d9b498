// fpctl reject, white and rename: the reject list, the two white lists, and
// moving a row to a new path.
#include <CLI/CLI.hpp>

#include "Fpctl.h"
#include "Output.h"
#include "Report.h"
#include "Rules.h"
#include "Text.h"

namespace {

struct ListOptions {
    std::vector<std::string> paths;
    bool isFile = false;
    std::string mount;
    bool constList = false;
};

struct RenameOptions {
    std::string oldPath;
    std::string newPath;
    std::string mount;
    std::vector<std::string> lists;
};

void PrintItems(const Context& context, const std::vector<ProtectFileItem>& items) {
    if (context.json) {
        PrintJson(JsonRows(items, ItemJson));
        return;
    }
    Table table({"KIND", "MOUNT POINT", "PATH"});
    for (const ProtectFileItem& item : items)
        table.Add({item.bFile ? "file" : "folder", Utf8(item.mountpoint), Utf8(item.filepath)});
    table.Print();
}

// reject and white share their four commands; white adds --const.
void AddPathListCommand(CLI::App& app, Context& context, const char* name, const char* about,
                        PathList plain, ListOptions& options) {
    CLI::App* command = app.add_subcommand(name, about);
    command->require_subcommand(1);
    const bool white = plain == PathList::kWhite;
    if (white) command->add_flag("--const", options.constList, "the constant white list (const_whitelist)");
    auto list = [&options, plain] { return options.constList ? PathList::kConstWhite : plain; };
    auto table = [list] { return std::string(TableName(list())); };

    command->add_subcommand("list", "list its rows")->callback([&context, list] {
        PrintItems(context, ReadPathList(context.Store(), list()));
    });

    CLI::App* add = command->add_subcommand("add", "add paths (all or none)");
    add->add_option("PATH", options.paths, "file or folder paths")->required();
    add->add_flag("--file", options.isFile, "the paths are files (default: folders)");
    add->add_option("--mount", options.mount, "mount point stored with them (default: the path's volume, C:\\)");
    add->callback([&context, &options, list, table] {
        RequirePaths(options.paths);
        auto items = ItemsFor(WideAll(options.paths), options.isFile, Wide(options.mount));
        AddToPathList(context.Store(), list(), items);
        Report(context, "added " + Count(items.size(), "path") + " to " + table(),
               {{"table", table()}, {"added", items.size()}});
    });

    CLI::App* remove = command->add_subcommand("remove", "remove paths");
    remove->add_option("PATH", options.paths, "paths")->required();
    remove->callback([&context, &options, list, table] {
        RequirePaths(options.paths);
        DeleteFromPathList(context.Store(), list(), WideAll(options.paths));
        Report(context, "removed " + Count(options.paths.size(), "path") + " from " + table(),
               {{"table", table()}, {"removed", options.paths.size()}});
    });

    command->add_subcommand("clear", "remove every row")->callback([&context, list, table] {
        ClearPathList(context.Store(), list());
        Report(context, "cleared " + table(), {{"table", table()}, {"cleared", true}});
    });
}

// Whether a list holds the row RenamePath would move: same key, same mount point.
bool HoldsRow(const std::vector<ProtectFileItem>& items, IHlpFunc* helper, const std::wstring& path,
              const std::wstring& mount) {
    const uint32_t key = helper->GetPathHash(path);
    for (const ProtectFileItem& item : items)
        if (item.mountpoint == mount && helper->GetPathHash(item.filepath) == key) return true;
    return false;
}

void Rename(Context& context, const RenameOptions& options) {
    IFileProtectCfgMgr* store = context.Store();
    IHlpFunc* helper = context.Helper();
    const std::wstring oldPath = Wide(options.oldPath);
    const std::wstring newPath = Wide(options.newPath);
    const std::wstring mount = Wide(options.mount);
    if (oldPath.empty() || newPath.empty() || mount.empty()) throw UsageError("an empty path or mount point");
    nlohmann::json results = nlohmann::json::array();
    Table table({"LIST", "RESULT"});
    // RenamePath moves a row of one table per call, so one call per list.
    for (const std::string& name : options.lists) {
        uint16_t flag = kRenameWhiteList;
        std::vector<ProtectFileItem> rows;
        if (name == "white") {
            rows = ReadPathList(store, PathList::kWhite);
        } else if (name == "reject") {
            flag = kRenameRejectList;
            rows = ReadPathList(store, PathList::kReject);
        } else {
            flag = kRenameProtectList;
            rows = ReadProtectRows(store).items;
        }
        const bool present = HoldsRow(rows, helper, oldPath, mount);
        Require(store->RenamePath(oldPath, mount, newPath, flag), "RenamePath", name + " list");
        results.push_back({{"list", name}, {"renamed", present}});
        table.Add({name, present ? "renamed" : "no row for that path under that mount point"});
    }
    if (context.json)
        PrintJson(results);
    else
        table.Print();
}

}  // namespace

void AddRuleCommands(CLI::App& app, Context& context) {
    static ListOptions rejectOptions;
    static ListOptions whiteOptions;
    static RenameOptions renameOptions;
    AddProtectCommand(app, context);
    AddPathListCommand(app, context, "reject", "the reject list", PathList::kReject, rejectOptions);
    AddPathListCommand(app, context, "white", "the white lists (--const: the constant one)", PathList::kWhite,
                       whiteOptions);

    CLI::App* rename = app.add_subcommand("rename", "move a rule to a new path (the rule follows a renamed file)");
    rename->add_option("OLD", renameOptions.oldPath, "the path stored now")->required();
    rename->add_option("NEW", renameOptions.newPath, "the new path")->required();
    rename->add_option("--mount", renameOptions.mount, "the mount point stored with the row")->required();
    rename->add_option("--lists", renameOptions.lists, "lists to look in, comma-separated: white,reject,protect")
        ->required()
        ->delimiter(',')
        ->check(CLI::IsMember({"white", "reject", "protect"}));
    rename->callback([&context] { Rename(context, renameOptions); });
}
