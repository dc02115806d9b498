// fpctl hash, device and inside: the helper object's path hash, device-name
// translation and containment test.
#include <CLI/CLI.hpp>

#include "Fpctl.h"
#include "Output.h"
#include "Rules.h"
#include "Text.h"

namespace {

struct PathOptions {
    std::vector<std::string> paths;
    std::string parent;
    std::string child;
};

void Hash(Context& context, const std::vector<std::string>& paths) {
    IHlpFunc* helper = context.Helper();
    nlohmann::json rows = nlohmann::json::array();
    Table table({"HASH", "KEY", "PATH"});
    for (const std::string& path : paths) {
        const uint32_t hash = helper->GetPathHash(Wide(path));
        // The tables store the same 32 bits as a signed number.
        const int32_t key = static_cast<int32_t>(hash);
        rows.push_back({{"path", path}, {"hash", hash}, {"key", key}});
        table.Add({std::to_string(hash), std::to_string(key), path});
    }
    if (context.json)
        PrintJson(rows);
    else
        table.Print();
}

// A path that starts with a backslash is a device path (\Device\...),
// anything else a drive-letter path.
void Device(Context& context, const std::vector<std::string>& paths) {
    IHlpFunc* helper = context.Helper();
    nlohmann::json rows = nlohmann::json::array();
    Table table({"PATH", "TRANSLATED"});
    std::string failed;
    for (const std::string& path : paths) {
        const std::wstring wide = Wide(path);
        wchar_t result[MAX_PATH] = {};
        const bool toDos = !wide.empty() && wide[0] == L'\\';
        if (wide.size() >= MAX_PATH) throw UsageError("a path longer than " + std::to_string(MAX_PATH - 1));
        const bool ok = wide.size() >= 2 &&
                        (toDos ? helper->DevicePathToDosPath(wide.c_str(), result)
                               : helper->DosPathToDevicePath(wide.c_str(), result));
        if (!ok && failed.empty())
            failed = std::string(toDos ? "DevicePathToDosPath" : "DosPathToDevicePath") + " failed for " + path;
        const std::string translated = ok ? Utf8(result) : std::string();
        rows.push_back({{"path", path}, {"translated", translated}, {"ok", ok}});
        table.Add({path, ok ? translated : "(not translated)"});
    }
    if (context.json) {
        PrintJson(rows);  // each row says whether it was translated
        if (!failed.empty()) throw NegativeAnswer("");
        return;
    }
    table.Print();
    if (!failed.empty()) throw LibraryFailure(failed);
}

void Inside(Context& context, const std::string& parent, const std::string& child) {
    const bool inside = context.Helper()->IsSubPath(Wide(parent), Wide(child));
    if (context.json)
        PrintJson({{"parent", parent}, {"child", child}, {"inside", inside}});
    else
        PrintLine(child + (inside ? " lies in " : " does not lie in ") + parent);
    if (!inside) throw NegativeAnswer("");
}

}  // namespace

void AddPathCommands(CLI::App& app, Context& context) {
    static PathOptions options;
    CLI::App* hash = app.add_subcommand("hash", "the unsigned path hash and the signed key the tables store");
    hash->add_option("PATH", options.paths, "paths")->required();
    hash->callback([&context] { Hash(context, options.paths); });

    CLI::App* device = app.add_subcommand("device", "drive-letter path <-> device path, either direction");
    device->add_option("PATH", options.paths, "C:\\... or \\Device\\...")->required();
    device->callback([&context] { Device(context, options.paths); });

    CLI::App* inside = app.add_subcommand("inside", "exit 0 when CHILD lies in PARENT, 1 when not");
    inside->add_option("PARENT", options.parent, "the outer path")->required();
    inside->add_option("CHILD", options.child, "the inner path")->required();
    inside->callback([&context] { Inside(context, options.parent, options.child); });
}
