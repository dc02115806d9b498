// fpctl blocks: how often each path was blocked (table blocklist).
#include <CLI/CLI.hpp>
#include <algorithm>

#include "Fpctl.h"
#include "Output.h"
#include "Report.h"
#include "Rules.h"
#include "Text.h"

namespace {

struct BlockOptions {
    size_t top = 0;
    std::vector<std::string> paths;
    std::string path;
    int32_t count = 0;
};

void List(Context& context, size_t top) {
    std::vector<BlockCountItem> items = ReadBlocks(context.Store());
    std::stable_sort(items.begin(), items.end(), [](const BlockCountItem& a, const BlockCountItem& b) {
        return a.blockcount > b.blockcount;
    });
    if (top > 0 && items.size() > top) items.resize(top);
    if (context.json) {
        PrintJson(JsonRows(items, BlockJson));
        return;
    }
    Table table({"COUNT", "KEY", "PATH"});
    for (const BlockCountItem& item : items)
        table.Add({std::to_string(item.blockcount), std::to_string(item.pathhash), Utf8(item.filepath)});
    table.Print();
}

void Get(Context& context, const std::string& path) {
    BlockCountItem item;
    item.filepath = Wide(path);
    if (!context.Store()->GetBlockCount(item))
        throw NegativeAnswer("GetBlockCount found no row with the path " + path +
                             " (the stored path is compared exactly)");
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
    list->add_option("--top", options.top, "only the N highest");
    list->callback([&context] { List(context, options.top); });

    CLI::App* get = blocks->add_subcommand("get", "the count of one path");
    get->add_option("PATH", options.path, "the path as stored")->required();
    get->callback([&context] { Get(context, options.path); });

    CLI::App* add = blocks->add_subcommand("add", "add COUNT to the count of PATH (negative lowers it)");
    add->add_option("PATH", options.path, "the path")->required();
    add->add_option("COUNT", options.count, "a 32-bit number")->required();
    add->callback([&context] {
        RequirePaths({options.path});
        Require(context.Store()->AddBlockCount(Wide(options.path), options.count), "AddBlockCount");
        Report(context, "added " + std::to_string(options.count) + " to " + options.path,
               {{"table", "blocklist"}, {"filepath", options.path}, {"added", options.count}});
    });

    CLI::App* remove = blocks->add_subcommand("remove", "remove the rows of paths (all or none)");
    remove->add_option("PATH", options.paths, "paths")->required();
    remove->callback([&context] {
        RequirePaths(options.paths);
        Require(context.Store()->DeleteBlockListItems(WideAll(options.paths)), "DeleteBlockListItems",
                "nothing was removed");
        Report(context, "removed " + Count(options.paths.size(), "path") + " from blocklist",
               {{"table", "blocklist"}, {"removed", options.paths.size()}});
    });

    blocks->add_subcommand("clear", "remove every row")->callback([&context] {
        Require(context.Store()->ClearBlockList(), "ClearBlockList");
        Report(context, "cleared blocklist", {{"table", "blocklist"}, {"cleared", true}});
    });
}
