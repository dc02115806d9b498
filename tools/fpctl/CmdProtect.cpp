// fpctl protect: protected files, folders and extensions (table fileprotect).
#include <CLI/CLI.hpp>
#include <map>

#include "Fpctl.h"
#include "Output.h"
#include "Report.h"
#include "RowChanges.h"
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
std::map<uint32_t, bool> RowKinds(const std::vector<ProtectFileItem>& rows, IHlpFunc* helper) {
    std::map<uint32_t, bool> kinds;
    for (const ProtectFileItem& row : rows) kinds[helper->GetPathHash(row.filepath)] = row.bextention;
    return kinds;
}

// The store keeps the entries before one it refuses. So that a refused path
// leaves the table as it was, fpctl checks every row afterwards and takes back
// what this call created, giving rows whose kind it changed their kind back.
// Otherwise it reports the rows as the table now holds them.
void AddProtectRows(Context& context, const std::vector<ProtectFileItem>& items, bool extensions,
                    const std::string& noun) {
    IFileProtectCfgMgr* store = context.Store();
    IHlpFunc* helper = context.Helper();
    const std::vector<ProtectFileItem> rowsBefore = ReadProtectTable(store);
    const std::map<uint32_t, bool> before = RowKinds(rowsBefore, helper);
    std::vector<std::wstring> texts;
    texts.reserve(items.size());
    for (const ProtectFileItem& item : items) texts.push_back(item.filepath);
    const char* operation = extensions ? "AddProtectExtension" : "AddProtectFile";
    const bool ok = extensions ? store->AddProtectExtension(texts) : store->AddProtectFile(items, false);
    const std::vector<ProtectFileItem> rowsAfter = ReadProtectTable(store);
    const std::map<uint32_t, bool> after = RowKinds(rowsAfter, helper);

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
    if (ok && refused.empty()) {
        ReportAdded(context, "fileprotect", noun, items, rowsBefore, rowsAfter, helper);
        return;
    }

    bool restored = store->DeleteProtectFile(created, extensions);
    if (!changed.empty()) restored = store->AddProtectFile(changed, !extensions) && restored;
    std::string detail = refused.empty() ? std::string() : "refused " + Shown(refused) + "; ";
    detail += restored ? "nothing was added" : "taking back the added rows failed too";
    throw LibraryFailure(std::string(operation) + " failed: " + detail, operation);
}

void Remove(Context& context, const std::vector<std::wstring>& paths, bool extensions) {
    IFileProtectCfgMgr* store = context.Store();
    IHlpFunc* helper = context.Helper();
    const size_t before = RowsNamed(ReadProtectTable(store), paths, extensions, helper);
    Require(store->DeleteProtectFile(paths, extensions), "DeleteProtectFile");
    const size_t after = RowsNamed(ReadProtectTable(store), paths, extensions, helper);
    ReportRemoved(context, "fileprotect", before, after);
}

void Clear(Context& context, const ProtectOptions& options) {
    const char* what = options.onlyFiles ? "every file and folder row of fileprotect"
                       : options.onlyExtensions ? "every extension row of fileprotect"
                                                : "every row of fileprotect";
    RequireConfirmation(context, std::string("remove ") + what);
    IFileProtectCfgMgr* store = context.Store();
    const size_t before = ReadProtectTable(store).size();
    if (options.onlyFiles)
        Require(store->ClearProtectFile(), "ClearProtectFile");
    else if (options.onlyExtensions)
        Require(store->ClearProtectExtension(), "ClearProtectExtension");
    else
        Require(store->ClearProtectAll(), "ClearProtectAll");
    const size_t after = ReadProtectTable(store).size();
    ReportRemoved(context, "fileprotect", before, after);
}

}  // namespace

void AddProtectCommand(CLI::App& app, Context& context) {
    static ProtectOptions options;
    CLI::App* protect = app.add_subcommand("protect", "protected files, folders and extensions");
    protect->require_subcommand(1);

    protect->add_subcommand("list", "list them")->callback([&context] {
        PrintRows(context, ReadProtectTable(context.Store()));
    });

    CLI::App* add = protect->add_subcommand("add", "protect files or folders");
    add->add_option("PATH", options.paths, "file or folder paths")->required();
    add->add_flag("--file", options.isFile, "the paths are files (default: folders)");
    add->add_option("--mount", options.mount, "mount point stored with them (default: the path's volume, C:\\)");
    add->callback([&context] {
        RequirePaths(options.paths);
        AddProtectRows(context, ItemsFor(WideAll(options.paths), options.isFile, Wide(options.mount)), false,
                       options.isFile ? "file" : "folder");
    });

    CLI::App* addExt = protect->add_subcommand("add-ext", "protect file extensions");
    addExt->add_option("EXT", options.paths, "extension texts, stored as written")->required();
    addExt->callback([&context] {
        RequirePaths(options.paths);
        std::vector<ProtectFileItem> items;
        for (const std::wstring& text : WideAll(options.paths)) {
            ProtectFileItem item;
            item.filepath = text;
            item.bextention = true;
            items.push_back(item);
        }
        AddProtectRows(context, items, true, "extension");
    });

    CLI::App* remove = protect->add_subcommand("remove", "stop protecting paths (or extensions)");
    remove->add_option("PATH", options.paths, "paths or extension texts")->required();
    remove->add_flag("--ext", options.extensions, "remove extension rows (default: file and folder rows)");
    remove->callback([&context] {
        RequirePaths(options.paths);
        Remove(context, WideAll(options.paths), options.extensions);
    });

    CLI::App* clear = protect->add_subcommand("clear", "remove every protected row (asks first; --yes)");
    CLI::Option* files = clear->add_flag("--files", options.onlyFiles, "only files and folders");
    clear->add_flag("--exts", options.onlyExtensions, "only extensions")->excludes(files);
    clear->callback([&context] { Clear(context, options); });
}
