// fpctl blocks: how often each path was blocked (table blocklist).
#include <CLI/CLI.hpp>
#include <algorithm>

#include "Fpctl.h"
#include "Output.h"
#include "Report.h"
#include "RowChanges.h"
#include "Rules.h"
#include "Text.h"

namespace {

struct BlockOptions {
    int64_t top = 0;  // signed, so that a negative number is refused rather than wrapped
    std::vector<std::string> paths;
    std::string path;
    int32_t count = 0;
};

void List(Context& context, int64_t top) {
    std::vector<BlockCountItem> items = ReadBlocks(context.Store());
    std::stable_sort(items.begin(), items.end(), [](const BlockCountItem& a, const BlockCountItem& b) {
        return a.blockcount > b.blockcount;
    });
    if (top > 0 && items.size() > static_cast<uint64_t>(top)) items.resize(static_cast<size_t>(top));
    PrintRows(context, items);
}

// The rows of the paths' keys, as the table holds them.
size_t RowsNamed(const std::vector<BlockCountItem>& rows, const std::vector<std::wstring>& paths, IHlpFunc* helper) {
    size_t count = 0;
    for (const BlockCountItem& row : rows)
        for (const std::wstring& path : paths)
            if (static_cast<uint32_t>(row.pathhash) == helper->GetPathHash(path)) {
                ++count;
                break;
            }
    return count;
}

void Get(Context& context, const std::string& path) {
    BlockCountItem item;
    item.filepath = Wide(path);
    if (!context.Store()->GetBlockCount(item))
        throw NegativeAnswer("GetBlockCount found no row with the path " + Shown(path) +
                                 " (the stored path is compared exactly)",
                             "GetBlockCount");
    if (context.json)
        PrintJson({{"filepath", path}, {"blockcount", item.blockcount}});
    else
        PrintLine(std::to_string(item.blockcount));
}

}  // namespace

void AddBlockCommands(CLI::App& app, Context& context) {
    static BlockOptions options;
    CLI::App* blocks = app.add_subcommand("blocks", "how often each path was blocked");
    blocks->require_subcommand(1);

    CLI::App* list = blocks->add_subcommand("list", "list the counts, highest first");
    list->add_option("--top", options.top, "only the N highest")
        ->check(CLI::Validator(
            [](std::string& text) {
                const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
                return digits && text.find_first_not_of('0') != std::string::npos
                           ? std::string()
                           : "a whole number of at least 1 is needed, not " + text;
            },
            "N>=1"));
    list->callback([&context] { List(context, options.top); });

    CLI::App* get = blocks->add_subcommand("get", "the count of one path");
    get->add_option("PATH", options.path, "the path as stored")->required();
    get->callback([&context] { Get(context, options.path); });

    CLI::App* add = blocks->add_subcommand("add", "add COUNT to the count of PATH (negative lowers it)");
    add->add_option("PATH", options.path, "the path")->required();
    add->add_option("COUNT", options.count, "a 32-bit number")->required();
    add->callback([&context] {
        RequirePaths({options.path});
        IFileProtectCfgMgr* store = context.Store();
        Require(store->AddBlockCount(Wide(options.path), options.count), "AddBlockCount");
        Report(context, "added " + std::to_string(options.count) + " to " + options.path,
               {{"table", "blocklist"}, {"filepath", options.path}, {"added", options.count}});
    });

    CLI::App* remove = blocks->add_subcommand("remove", "remove the rows of paths (all or none)");
    remove->add_option("PATH", options.paths, "paths")->required();
    remove->callback([&context] {
        RequirePaths(options.paths);
        IFileProtectCfgMgr* store = context.Store();
        const std::vector<std::wstring> paths = WideAll(options.paths);
        const size_t before = RowsNamed(ReadBlocks(store), paths, context.Helper());
        Require(store->DeleteBlockListItems(paths), "DeleteBlockListItems", "nothing was removed");
        const size_t after = RowsNamed(ReadBlocks(store), paths, context.Helper());
        ReportRemoved(context, "blocklist", before, after);
    });

    blocks->add_subcommand("clear", "remove every row (asks first; --yes)")->callback([&context] {
        RequireConfirmation(context, "remove every row of blocklist");
        IFileProtectCfgMgr* store = context.Store();
        const size_t before = ReadBlocks(store).size();
        Require(store->ClearBlockList(), "ClearBlockList");
        const size_t after = ReadBlocks(store).size();
        ReportRemoved(context, "blocklist", before, after);
    });
}
