// fpctl reject, white and rename: the reject list, the two white lists, and
// moving a row to a new path.
#include <CLI/CLI.hpp>

#include "Fpctl.h"
#include "Output.h"
#include "Report.h"
#include "RowChanges.h"
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
        PrintRows(context, ReadPathList(context.Store(), list()));
    });

    CLI::App* add = command->add_subcommand("add", "add paths (all or none)");
    add->add_option("PATH", options.paths, "file or folder paths")->required();
    add->add_flag("--file", options.isFile, "the paths are files (default: folders)");
    add->add_option("--mount", options.mount, "mount point stored with them (default: the path's volume, C:\\)");
    add->callback([&context, &options, list, table] {
        RequirePaths(options.paths);
        auto items = ItemsFor(WideAll(options.paths), options.isFile, Wide(options.mount));
        IFileProtectCfgMgr* store = context.Store();
        const std::vector<ProtectFileItem> before = ReadPathList(store, list());
        AddToPathList(store, list(), items);
        ReportAdded(context, table(), "path", items, before, ReadPathList(store, list()), context.Helper());
    });

    CLI::App* remove = command->add_subcommand("remove", "remove paths");
    remove->add_option("PATH", options.paths, "paths")->required();
    remove->callback([&context, &options, list, table] {
        RequirePaths(options.paths);
        IFileProtectCfgMgr* store = context.Store();
        const std::vector<std::wstring> paths = WideAll(options.paths);
        const size_t before = RowsNamed(ReadPathList(store, list()), paths, false, context.Helper());
        DeleteFromPathList(store, list(), paths);
        const size_t after = RowsNamed(ReadPathList(store, list()), paths, false, context.Helper());
        ReportRemoved(context, table(), before, after);
    });

    command->add_subcommand("clear", "remove every row (asks first; --yes)")->callback([&context, list, table] {
        RequireConfirmation(context, "remove every row of " + table());
        IFileProtectCfgMgr* store = context.Store();
        const size_t before = ReadPathList(store, list()).size();
        ClearPathList(store, list());
        const size_t after = ReadPathList(store, list()).size();
        ReportRemoved(context, table(), before, after);
    });
}

// The row of a list that RenamePath would move: the same key, the same mount
// point. Null when there is none.
const ProtectFileItem* RowAt(const std::vector<ProtectFileItem>& items, IHlpFunc* helper, const std::wstring& path,
                             const std::wstring* mount) {
    const uint32_t key = helper->GetPathHash(path);
    for (const ProtectFileItem& item : items)
        if ((!mount || item.mountpoint == *mount) && helper->GetPathHash(item.filepath) == key) return &item;
    return nullptr;
}

std::vector<ProtectFileItem> RenameRows(IFileProtectCfgMgr* store, const std::string& name) {
    if (name == "white") return ReadPathList(store, PathList::kWhite);
    if (name == "reject") return ReadPathList(store, PathList::kReject);
    return ReadProtectRows(store).items;
}

// What happened, read back: the store answers true whether or not it moved
// anything.
std::string RenameResult(const std::vector<ProtectFileItem>& before, const std::vector<ProtectFileItem>& after,
                         IHlpFunc* helper, const std::wstring& oldPath, const std::wstring& newPath,
                         const std::wstring& mount) {
    if (!RowAt(before, helper, oldPath, &mount)) return "no row for that path under that mount point";
    const bool oneKey = helper->GetPathHash(newPath) == helper->GetPathHash(oldPath);
    const ProtectFileItem* moved = RowAt(after, helper, newPath, &mount);
    if (moved && moved->filepath == newPath && (oneKey || !RowAt(after, helper, oldPath, &mount))) return "renamed";
    const ProtectFileItem* holder = RowAt(before, helper, newPath, nullptr);
    if (holder && !oneKey)
        return "not moved: the new path's key holds the row of " + Shown(holder->filepath);
    return "not moved";
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
        const uint16_t flag = name == "white"    ? kRenameWhiteList
                              : name == "reject" ? kRenameRejectList
                                                 : kRenameProtectList;
        const std::vector<ProtectFileItem> before = RenameRows(store, name);
        Require(store->RenamePath(oldPath, mount, newPath, flag), "RenamePath", name + " list");
        const std::string result = RenameResult(before, RenameRows(store, name), helper, oldPath, newPath, mount);
        results.push_back({{"list", name}, {"renamed", result == "renamed"}, {"result", result}});
        table.Add({name, result});
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
