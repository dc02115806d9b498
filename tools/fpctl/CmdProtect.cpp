// fpctl protect: protected files, folders and extensions (table fileprotect).
#include <CLI/CLI.hpp>
#include <map>

#include "Fpctl.h"
#include "Output.h"
#include "Report.h"
#include "Rules.h"
#include "Text.h"

namespace {

struct ProtectOptions {
    std::vector<std::string> paths;
    bool isFile = false;
    std::string mount;
    bool extensions = false;  // remove --ext
    bool onlyFiles = false;   // clear --files
    bool onlyExtensions = false;  // clear --exts
};

// Key -> whether the row is an extension row.
std::map<uint32_t, bool> RowKinds(IFileProtectCfgMgr* store, IHlpFunc* helper) {
    ProtectRows rows = ReadProtectRows(store);
    std::map<uint32_t, bool> kinds;
    for (const ProtectFileItem& item : rows.items) kinds[helper->GetPathHash(item.filepath)] = false;
    for (const std::wstring& text : rows.extensions) kinds[helper->GetPathHash(text)] = true;
    return kinds;
}

// The store keeps the entries before one it refuses. So that a refused path
// leaves the table as it was, fpctl checks every row afterwards and takes back
// what this call created, giving rows whose kind it changed their kind back.
void AddProtectRows(Context& context, const std::vector<ProtectFileItem>& items, bool extensions) {
    IFileProtectCfgMgr* store = context.Store();
    IHlpFunc* helper = context.Helper();
    const std::map<uint32_t, bool> before = RowKinds(store, helper);
    std::vector<std::wstring> texts;
    texts.reserve(items.size());
    for (const ProtectFileItem& item : items) texts.push_back(item.filepath);
    const char* operation = extensions ? "AddProtectExtension" : "AddProtectFile";
    const bool ok = extensions ? store->AddProtectExtension(texts) : store->AddProtectFile(items, false);
    const std::map<uint32_t, bool> after = RowKinds(store, helper);

    std::wstring refused;
    std::vector<std::wstring> created;
    std::vector<ProtectFileItem> changed;
    for (const ProtectFileItem& item : items) {
        const uint32_t key = helper->GetPathHash(item.filepath);
        auto now = after.find(key);
        auto was = before.find(key);
        if (refused.empty() && (now == after.end() || now->second != extensions)) refused = item.filepath;
        if (was == before.end() && now != after.end()) created.push_back(item.filepath);
        if (was != before.end() && now != after.end() && was->second != now->second) changed.push_back(item);
    }
    if (ok && refused.empty()) return;

    bool restored = store->DeleteProtectFile(created, extensions);
    if (!changed.empty()) restored = store->AddProtectFile(changed, !extensions) && restored;
    std::string detail = refused.empty() ? std::string() : "refused " + Utf8(refused) + "; ";
    detail += restored ? "nothing was added" : "taking back the added rows failed too";
    throw LibraryFailure(std::string(operation) + " failed: " + detail);
}

void List(Context& context) {
    ProtectRows rows = ReadProtectRows(context.Store());
    if (context.json) {
        PrintJson({{"items", JsonRows(rows.items, ItemJson)}, {"extensions", JsonRows(rows.extensions, Utf8)}});
        return;
    }
    Table table({"KIND", "MOUNT POINT", "PATH"});
    for (const ProtectFileItem& item : rows.items)
        table.Add({item.bFile ? "file" : "folder", Utf8(item.mountpoint), Utf8(item.filepath)});
    for (const std::wstring& text : rows.extensions) table.Add({"extension", "", Utf8(text)});
    table.Print();
}

}  // namespace

void RequirePaths(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (path.empty()) throw UsageError("an empty path");
}

void AddProtectCommand(CLI::App& app, Context& context) {
    static ProtectOptions options;
    CLI::App* protect = app.add_subcommand("protect", "protected files, folders and extensions");
    protect->require_subcommand(1);

    protect->add_subcommand("list", "list them")->callback([&context] { List(context); });

    CLI::App* add = protect->add_subcommand("add", "protect files or folders");
    add->add_option("PATH", options.paths, "file or folder paths")->required();
    add->add_flag("--file", options.isFile, "the paths are files (default: folders)");
    add->add_option("--mount", options.mount, "mount point stored with them (default: the path's volume, C:\\)");
    add->callback([&context] {
        RequirePaths(options.paths);
        auto items = ItemsFor(WideAll(options.paths), options.isFile, Wide(options.mount));
        AddProtectRows(context, items, false);
        Report(context, "protected " + Count(items.size(), options.isFile ? "file" : "folder"),
               {{"table", "fileprotect"}, {"added", items.size()}});
    });

    CLI::App* addExt = protect->add_subcommand("add-ext", "protect file extensions");
    addExt->add_option("EXT", options.paths, "extension texts, stored as written")->required();
    addExt->callback([&context] {
        RequirePaths(options.paths);
        auto items = ItemsFor(WideAll(options.paths), true, L"-");
        AddProtectRows(context, items, true);
        Report(context, "protected " + Count(items.size(), "extension"),
               {{"table", "fileprotect"}, {"added", items.size()}});
    });

    CLI::App* remove = protect->add_subcommand("remove", "stop protecting paths (or extensions)");
    remove->add_option("PATH", options.paths, "paths or extension texts")->required();
    remove->add_flag("--ext", options.extensions, "remove extension rows (default: file and folder rows)");
    remove->callback([&context] {
        RequirePaths(options.paths);
        Require(context.Store()->DeleteProtectFile(WideAll(options.paths), options.extensions),
                "DeleteProtectFile");
        Report(context, "removed " + Count(options.paths.size(), "path") + " from the protected list",
               {{"table", "fileprotect"}, {"removed", options.paths.size()}});
    });

    CLI::App* clear = protect->add_subcommand("clear", "remove every protected row");
    CLI::Option* files = clear->add_flag("--files", options.onlyFiles, "only files and folders");
    clear->add_flag("--exts", options.onlyExtensions, "only extensions")->excludes(files);
    clear->callback([&context] {
        IFileProtectCfgMgr* store = context.Store();
        if (options.onlyFiles)
            Require(store->ClearProtectFile(), "ClearProtectFile");
        else if (options.onlyExtensions)
            Require(store->ClearProtectExtension(), "ClearProtectExtension");
        else
            Require(store->ClearProtectAll(), "ClearProtectAll");
        Report(context, "cleared the protected list", {{"table", "fileprotect"}, {"cleared", true}});
    });
}
