// fpctl protect, reject, white, rename and blocks: the rule tables row by
// row. What a command did is read back from the table: the store may keep a
// row it already holds, change only its kind, or find nothing to remove, and
// fpctl says what is stored, not what it asked.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "Output.h"

using fileprotect::Wide;

namespace {

struct RuleOptions {
    std::vector<std::string> paths;
    bool isFile = false;
    std::string mount;
    bool constList = false;       // white --const
    bool extensions = false;      // protect remove --ext
    bool onlyFiles = false;       // protect clear --files
    bool onlyExtensions = false;  // protect clear --exts
};

std::vector<Column> PathColumns() {
    const auto kind = [](const Json& row) {
        return std::string(row.at("bextention").get<bool>() ? "extension"
                           : row.at("bFile").get<bool>()    ? "file"
                                                            : "folder");
    };
    return {{"KIND", kind}, Field("MOUNT POINT", "mountpoint"), Field("PATH", "filepath")};
}

using RowsByKey = std::unordered_map<uint32_t, ProtectFileItem>;

RowsByKey ByKey(const std::vector<ProtectFileItem>& rows, IHlpFunc* helper) {
    RowsByKey byKey;
    for (const ProtectFileItem& row : rows) byKey.emplace(helper->GetPathHash(row.filepath), row);
    return byKey;
}

const ProtectFileItem* Find(const RowsByKey& rows, uint32_t key) {
    auto found = rows.find(key);
    return found == rows.end() ? nullptr : &found->second;
}

std::string Why(const ProtectFileItem* was, const ProtectFileItem& now) {
    if (was && was->bextention && !now.bextention) return "the extension rule " + Shown(was->filepath) + " became a path rule";
    if (was && !was->bextention && now.bextention) return "the path rule " + Shown(was->filepath) + " became an extension rule";
    if (was) return "the table held this path already, and the store keeps what a held row says";
    return "the store changed it";
}

// Reports the rows asked for as the table holds them after the add: a count
// of those stored as asked ("protected 2 folders") and a line for each that
// is stored otherwise. With --json: {"table", "added", "stored", "differ":
// [{"asked", "stored", "note"}]}.
void ReportAdded(const Context& context, const std::string& table, const std::string& noun,
                 const std::vector<ProtectFileItem>& asked, const RowsByKey& was, const RowsByKey& now,
                 IHlpFunc* helper) {
    size_t added = 0;
    size_t stored = 0;
    Json differ = Json::array();
    std::vector<std::string> lines;
    for (const ProtectFileItem& item : asked) {
        const uint32_t key = helper->GetPathHash(item.filepath);
        const ProtectFileItem* old = Find(was, key);
        const ProtectFileItem* row = Find(now, key);
        if (!old && row) ++added;
        if (row && Json(*row) == Json(item)) {  // the records hold what the store compares
            ++stored;
            continue;
        }
        const std::string note = row ? Why(old, *row) : "the table holds no row for it";
        differ.push_back({{"asked", item}, {"stored", row ? Json(*row) : Json()}, {"note", note}});
        lines.push_back(Shown(item.filepath) + ": " +
                        (row ? "stored as " + Describe(*row) + " with the path " + Shown(row->filepath) : "not stored") +
                        ", not as " + Describe(item) + "; " + note);
    }
    if (context.json) {
        PrintJson({{"table", table}, {"added", added}, {"stored", stored}, {"differ", differ}});
        return;
    }
    std::string summary = table == "fileprotect" ? "protected " + Count(stored, noun)
                                                 : "added " + Count(stored, noun) + " to " + table;
    if (!lines.empty()) summary += "; " + Count(lines.size(), "row") + " stored otherwise than asked:";
    PrintLine(summary);
    for (const std::string& line : lines) PrintLine("  " + line);
}

// Runs remove and reports how many rows it took out of table: count() before
// less count() after, since the store answers true whether or not it found
// anything to remove. {"table", "removed"} with --json.
void RemoveRows(const Context& context, const std::string& table, const std::function<size_t()>& count,
                const std::function<void()>& remove) {
    const size_t before = count();
    remove();
    const size_t after = count();
    const size_t removed = before > after ? before - after : 0;
    Report(context, "removed " + Count(removed, "row") + " from " + table, {{"table", table}, {"removed", removed}});
}

// The key the store files a row under.
uint32_t KeyOf(const ProtectFileItem& row, IHlpFunc* helper) { return helper->GetPathHash(row.filepath); }
uint32_t KeyOf(const BlockCountItem& row, IHlpFunc*) { return static_cast<uint32_t>(row.pathhash); }

// How many of rows the paths name, by key as the store finds them.
template <typename Row>
size_t RowsNamed(const std::vector<Row>& rows, const std::vector<std::wstring>& paths, IHlpFunc* helper) {
    std::unordered_set<uint32_t> keys;
    for (const std::wstring& path : paths) keys.insert(helper->GetPathHash(path));
    return std::count_if(rows.begin(), rows.end(),
                         [&keys, helper](const Row& row) { return keys.count(KeyOf(row, helper)) > 0; });
}

// The store keeps the entries before one it refuses. So that a refused path
// leaves the table as it was, fpctl checks every row afterwards and takes back
// what this call created, giving rows whose kind it changed their kind back.
// Otherwise it reports the rows as the table now holds them.
void AddProtectRows(Context& context, const std::vector<ProtectFileItem>& items, bool extensions,
                    const std::string& noun) {
    IFileProtectCfgMgr* store = context.Store();
    IHlpFunc* helper = context.Helper();
    const RowsByKey before = ByKey(ReadProtectTable(store), helper);
    std::vector<std::wstring> texts;
    texts.reserve(items.size());
    for (const ProtectFileItem& item : items) texts.push_back(item.filepath);
    const char* operation = extensions ? "AddProtectExtension" : "AddProtectFile";
    const bool ok = extensions ? store->AddProtectExtension(texts) : store->AddProtectFile(items, false);
    const RowsByKey after = ByKey(ReadProtectTable(store), helper);

    std::wstring refused;
    std::vector<std::wstring> created;
    std::vector<ProtectFileItem> changed;
    for (const ProtectFileItem& item : items) {
        const uint32_t key = helper->GetPathHash(item.filepath);
        const ProtectFileItem* now = Find(after, key);
        const ProtectFileItem* was = Find(before, key);
        if (refused.empty() && (!now || now->bextention != extensions)) refused = item.filepath;
        if (!was && now) created.push_back(item.filepath);
        if (was && now && was->bextention != now->bextention) changed.push_back(item);
    }
    if (ok && refused.empty()) {
        ReportAdded(context, "fileprotect", noun, items, before, after, helper);
        return;
    }

    bool restored = store->DeleteProtectFile(created, extensions);
    if (!changed.empty()) restored = store->AddProtectFile(changed, !extensions) && restored;
    std::string detail = refused.empty() ? std::string() : "refused " + Shown(refused) + "; ";
    detail += restored ? "nothing was added" : "taking back the added rows failed too";
    throw LibraryFailure(std::string(operation) + " failed: " + detail, operation);
}

void ClearProtect(Context& context, const RuleOptions& options) {
    const char* what = options.onlyFiles        ? "every file and folder row of fileprotect"
                       : options.onlyExtensions ? "every extension row of fileprotect"
                                                : "every row of fileprotect";
    RequireConfirmation(context, std::string("remove ") + what);
    IFileProtectCfgMgr* store = context.Store();
    RemoveRows(context, "fileprotect", [store] { return ReadProtectTable(store).size(); }, [store, &options] {
        if (options.onlyFiles)
            Require(store->ClearProtectFile(), "ClearProtectFile");
        else if (options.onlyExtensions)
            Require(store->ClearProtectExtension(), "ClearProtectExtension");
        else
            Require(store->ClearProtectAll(), "ClearProtectAll");
    });
}

// PATH..., --file and --mount of an add command.
CLI::App* AddPathsCommand(CLI::App* parent, const char* about, RuleOptions& options) {
    CLI::App* add = parent->add_subcommand("add", about);
    add->add_option("PATH", options.paths, "file or folder paths")->required();
    add->add_flag("--file", options.isFile, "the paths are files (default: folders)");
    add->add_option("--mount", options.mount, "mount point stored with them (default: the path's volume, C:\\)");
    return add;
}

void AddProtectCommand(CLI::App& app, Context& context, RuleOptions& options) {
    CLI::App* protect = app.add_subcommand("protect", "protected files, folders and extensions");
    protect->require_subcommand(1);

    protect->add_subcommand("list", "list them")->callback([&context] {
        PrintRows(context, ReadProtectTable(context.Store()), PathColumns());
    });

    AddPathsCommand(protect, "protect files or folders", options)->callback([&context, &options] {
        AddProtectRows(context, ItemsFor(NonEmpty(options.paths, "path"), options.isFile, Wide(options.mount)), false,
                       options.isFile ? "file" : "folder");
    });

    CLI::App* addExt = protect->add_subcommand("add-ext", "protect file extensions");
    addExt->add_option("EXT", options.paths, "extension texts, stored as written")->required();
    addExt->callback([&context, &options] {
        std::vector<ProtectFileItem> items;
        for (const std::wstring& text : NonEmpty(options.paths, "path")) {
            items.emplace_back();
            items.back().filepath = text;
            items.back().bextention = true;
        }
        AddProtectRows(context, items, true, "extension");
    });

    CLI::App* remove = protect->add_subcommand("remove", "stop protecting paths (or extensions)");
    remove->add_option("PATH", options.paths, "paths or extension texts")->required();
    remove->add_flag("--ext", options.extensions, "remove extension rows (default: file and folder rows)");
    remove->callback([&context, &options] {
        const std::vector<std::wstring> paths = NonEmpty(options.paths, "path");
        IFileProtectCfgMgr* store = context.Store();
        IHlpFunc* helper = context.Helper();
        const auto named = [store, helper, &paths, &options] {
            std::vector<ProtectFileItem> rows = ReadProtectTable(store);
            rows.erase(std::remove_if(rows.begin(), rows.end(),
                                      [&options](const ProtectFileItem& row) { return row.bextention != options.extensions; }),
                       rows.end());
            return RowsNamed(rows, paths, helper);
        };
        RemoveRows(context, "fileprotect", named, [store, &paths, &options] {
            Require(store->DeleteProtectFile(paths, options.extensions), "DeleteProtectFile");
        });
    });

    CLI::App* clear = protect->add_subcommand("clear", "remove every protected row (asks first; --yes)");
    CLI::Option* files = clear->add_flag("--files", options.onlyFiles, "only files and folders");
    clear->add_flag("--exts", options.onlyExtensions, "only extensions")->excludes(files);
    clear->callback([&context, &options] { ClearProtect(context, options); });
}

// reject and white share their four commands; white adds --const.
void AddPathListCommand(CLI::App& app, Context& context, const char* name, const char* about, PathList plain,
                        RuleOptions& options) {
    CLI::App* command = app.add_subcommand(name, about);
    command->require_subcommand(1);
    if (plain == PathList::kWhite)
        command->add_flag("--const", options.constList, "the constant white list (const_whitelist)");
    auto list = [&options, plain] { return options.constList ? PathList::kConstWhite : plain; };

    command->add_subcommand("list", "list its rows")->callback([&context, list] {
        PrintRows(context, ReadPathList(context.Store(), list()), PathColumns());
    });

    AddPathsCommand(command, "add paths (all or none)", options)->callback([&context, &options, list] {
        auto items = ItemsFor(NonEmpty(options.paths, "path"), options.isFile, Wide(options.mount));
        IFileProtectCfgMgr* store = context.Store();
        IHlpFunc* helper = context.Helper();
        const RowsByKey before = ByKey(ReadPathList(store, list()), helper);
        AddToPathList(store, list(), items);
        ReportAdded(context, TableName(list()), "path", items, before, ByKey(ReadPathList(store, list()), helper), helper);
    });

    CLI::App* remove = command->add_subcommand("remove", "remove paths");
    remove->add_option("PATH", options.paths, "paths")->required();
    remove->callback([&context, &options, list] {
        const std::vector<std::wstring> paths = NonEmpty(options.paths, "path");
        IFileProtectCfgMgr* store = context.Store();
        IHlpFunc* helper = context.Helper();
        RemoveRows(context, TableName(list()), [&] { return RowsNamed(ReadPathList(store, list()), paths, helper); },
                   [&] { DeleteFromPathList(store, list(), paths); });
    });

    command->add_subcommand("clear", "remove every row (asks first; --yes)")->callback([&context, list] {
        const std::string table = TableName(list());
        RequireConfirmation(context, "remove every row of " + table);
        IFileProtectCfgMgr* store = context.Store();
        RemoveRows(context, table, [&] { return ReadPathList(store, list()).size(); }, [&] {
            if (list() == PathList::kReject)
                Require(store->ClearRejectList(), "ClearRejectList");
            else
                Require(store->ClearWhiteList(list() == PathList::kConstWhite), "ClearWhiteList", table);
        });
    });
}

struct RenameOptions {
    std::string oldPath;
    std::string newPath;
    std::string mount;
    std::vector<std::string> lists;
};

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
    return ReadProtectTable(store);  // an extension row has no mount point to match
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
    if (holder && !oneKey) return "not moved: the new path's key holds the row of " + Shown(holder->filepath);
    return "not moved";
}

void Rename(Context& context, const RenameOptions& options) {
    IFileProtectCfgMgr* store = context.Store();
    IHlpFunc* helper = context.Helper();
    const std::wstring oldPath = Wide(options.oldPath);
    const std::wstring newPath = Wide(options.newPath);
    const std::wstring mount = Wide(options.mount);
    if (oldPath.empty() || newPath.empty() || mount.empty()) throw UsageError("an empty path or mount point");
    Json results = Json::array();
    // RenamePath moves a row of one table per call, so one call per list.
    for (const std::string& name : options.lists) {
        const uint16_t flag = name == "white"    ? kRenameWhiteList
                              : name == "reject" ? kRenameRejectList
                                                 : kRenameProtectList;
        const std::vector<ProtectFileItem> before = RenameRows(store, name);
        Require(store->RenamePath(oldPath, mount, newPath, flag), "RenamePath", name + " list");
        const std::string result = RenameResult(before, RenameRows(store, name), helper, oldPath, newPath, mount);
        results.push_back({{"list", name}, {"renamed", result == "renamed"}, {"result", result}});
    }
    PrintRows(context, results, {Field("LIST", "list"), Field("RESULT", "result")});
}

struct BlockOptions {
    int64_t top = 0;  // signed, so that a negative number is refused rather than wrapped
    std::vector<std::string> paths;
    std::string path;
    int32_t count = 0;
};

void ListBlocks(Context& context, int64_t top) {
    std::vector<BlockCountItem> items = ReadBlocks(context.Store());
    std::stable_sort(items.begin(), items.end(),
                     [](const BlockCountItem& a, const BlockCountItem& b) { return a.blockcount > b.blockcount; });
    if (top > 0 && items.size() > static_cast<uint64_t>(top)) items.resize(static_cast<size_t>(top));
    PrintRows(context, items, {Field("COUNT", "blockcount"), Field("KEY", "pathhash"), Field("PATH", "filepath")});
}

void GetBlockCount(Context& context, const std::string& path) {
    BlockCountItem item;
    item.filepath = Wide(path);
    if (!context.Store()->GetBlockCount(item))
        throw NegativeAnswer("GetBlockCount found no row with the path " + Shown(path) +
                                 " (the stored path is compared exactly)",
                             "GetBlockCount");
    Report(context, std::to_string(item.blockcount), {{"filepath", path}, {"blockcount", item.blockcount}});
}

void AddBlockCommands(CLI::App& app, Context& context, BlockOptions& options) {
    CLI::App* blocks = app.add_subcommand("blocks", "how often each path was blocked");
    blocks->require_subcommand(1);

    CLI::App* list = blocks->add_subcommand("list", "list the counts, highest first");
    list->add_option("--top", options.top, "only the N highest")->check(CLI::PositiveNumber);
    list->callback([&context, &options] { ListBlocks(context, options.top); });

    CLI::App* get = blocks->add_subcommand("get", "the count of one path");
    get->add_option("PATH", options.path, "the path as stored")->required();
    get->callback([&context, &options] { GetBlockCount(context, options.path); });

    CLI::App* add = blocks->add_subcommand("add", "add COUNT to the count of PATH (negative lowers it)");
    add->add_option("PATH", options.path, "the path")->required();
    add->add_option("COUNT", options.count, "a 32-bit number")->required();
    add->callback([&context, &options] {
        const std::wstring path = NonEmpty({options.path}, "path").front();
        Require(context.Store()->AddBlockCount(path, options.count), "AddBlockCount");
        Report(context, "added " + std::to_string(options.count) + " to " + options.path,
               {{"table", "blocklist"}, {"filepath", options.path}, {"added", options.count}});
    });

    CLI::App* remove = blocks->add_subcommand("remove", "remove the rows of paths (all or none)");
    remove->add_option("PATH", options.paths, "paths")->required();
    remove->callback([&context, &options] {
        const std::vector<std::wstring> paths = NonEmpty(options.paths, "path");
        IFileProtectCfgMgr* store = context.Store();
        IHlpFunc* helper = context.Helper();
        RemoveRows(context, "blocklist", [&] { return RowsNamed(ReadBlocks(store), paths, helper); }, [&] {
            Require(store->DeleteBlockListItems(paths), "DeleteBlockListItems", "nothing was removed");
        });
    });

    blocks->add_subcommand("clear", "remove every row (asks first; --yes)")->callback([&context] {
        RequireConfirmation(context, "remove every row of blocklist");
        IFileProtectCfgMgr* store = context.Store();
        RemoveRows(context, "blocklist", [store] { return ReadBlocks(store).size(); },
                   [store] { Require(store->ClearBlockList(), "ClearBlockList"); });
    });
}

}  // namespace

void AddRuleCommands(CLI::App& app, Context& context) {
    static RuleOptions protectOptions;
    static RuleOptions rejectOptions;
    static RuleOptions whiteOptions;
    static RenameOptions renameOptions;
    static BlockOptions blockOptions;
    AddProtectCommand(app, context, protectOptions);
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

    AddBlockCommands(app, context, blockOptions);
}
