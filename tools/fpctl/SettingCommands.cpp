// fpctl status, switches and config: the database at a glance, the five
// protection switches (config row 1) and config rows by id.
#include <CLI/CLI.hpp>

#include "Output.h"

using fileprotect::Utf8;

namespace {

struct SettingOptions {
    std::string name;
    std::string state;
    int32_t id = 0;
    std::string text;
};

// The switch names of the command line, in the order the stored text lists them.
struct Switch {
    const char* name;
    bool ProtectConfig::*field;
};
const Switch kSwitches[] = {
    {"protect", &ProtectConfig::bEnableProtect},    {"image", &ProtectConfig::bTEVRAImgProtct},
    {"filetypes", &ProtectConfig::bFileTypeProtct}, {"files", &ProtectConfig::bProtctFileAndFloder},
    {"driver", &ProtectConfig::bRuningDrv},
};

Json SwitchesJson(const ProtectConfig& config) {
    Json switches = Json::object();
    for (const Switch& s : kSwitches) switches[s.name] = config.*s.field;
    return switches;
}

std::string SwitchesText(const ProtectConfig& config) {
    std::string text;
    for (const Switch& s : kSwitches)
        text += std::string(text.empty() ? "" : ", ") + s.name + " " + (config.*s.field ? "on" : "off");
    return text;
}

void Status(Context& context) {
    IFileProtectCfgMgr* store = context.Store();
    const std::string database = Utf8(context.Get(&fileprotect::Library::RuleDatabasePath));
    const std::string version = store->GetSqliteVersion();
    const ConfigIdList configIds = ConfigIds(context);
    const Json rows = {
        {"fileprotect", ReadProtectTable(store).size()},
        {"rejectlist", ReadPathList(store, PathList::kReject).size()},
        {"whitelist", ReadPathList(store, PathList::kWhite).size()},
        {"const_whitelist", ReadPathList(store, PathList::kConstWhite).size()},
        {"blocklist", ReadBlocks(store).size()},
        {"config", configIds.ids.size() + configIds.unreachable.size()},
    };
    const ProtectConfig config = store->GetProtectConfig();
    Json fileTypes = Json::array();
    for (const std::wstring& type : store->GetFileTypeProtectList()) fileTypes.push_back(Utf8(type));
    if (context.json) {
        PrintJson({{"database", database},
                   {"sqlite", version},
                   {"rows", rows},
                   {"switches", SwitchesJson(config)},
                   {"filetypes", fileTypes}});
        return;
    }
    // Lines of a name and a value, the database's line on top.
    Json lines = Json::array();
    lines.push_back({"SQLite", version});
    for (const auto& row : rows.items()) lines.push_back({"rows in " + row.key(), row.value()});
    lines.push_back({"switches", SwitchesText(config)});
    lines.push_back({"file types", fileTypes.size()});
    PrintTable(lines, {Field("database", 0), Field(database, 1)});
}

void ShowSwitches(Context& context) {
    const ProtectConfig config = context.Store()->GetProtectConfig();
    if (context.json) {
        PrintJson(SwitchesJson(config));
        return;
    }
    Json lines = Json::array();
    for (const Switch& s : kSwitches) lines.push_back({s.name, config.*s.field ? "on" : "off"});
    PrintTable(lines, {Field("SWITCH", 0), Field("STATE", 1)});
}

void SetSwitch(Context& context, const std::string& name, bool on) {
    IFileProtectCfgMgr* store = context.Store();
    ProtectConfig config = store->GetProtectConfig();
    for (const Switch& s : kSwitches)
        if (name == s.name) config.*s.field = on;
    Require(store->SetProtectConfig(config), "SetProtectConfig");
    Report(context, "switch " + name + " " + (on ? "on" : "off") + "; now " + SwitchesText(config),
           SwitchesJson(config));
}

}  // namespace

void AddSettingCommands(CLI::App& app, Context& context) {
    static SettingOptions options;
    app.add_subcommand("status", "database path, SQLite version, rows per table, switches")
        ->callback([&context] { Status(context); });

    CLI::App* switches = app.add_subcommand("switches", "the five protection switches (default: show)");
    switches->require_subcommand(0, 1);
    switches->callback([&context, switches] {
        if (switches->get_subcommands().empty()) ShowSwitches(context);
    });
    switches->add_subcommand("show", "show them")->callback([&context] { ShowSwitches(context); });
    CLI::App* set = switches->add_subcommand("set", "turn one switch on or off");
    set->add_option("NAME", options.name, "protect, image, filetypes, files or driver")
        ->required()
        ->check(CLI::IsMember({"protect", "image", "filetypes", "files", "driver"}));
    set->add_option("STATE", options.state, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    set->callback([&context] { SetSwitch(context, options.name, options.state == "on"); });

    CLI::App* config = app.add_subcommand("config", "config rows by id (row 1 holds the switches)");
    config->require_subcommand(1);
    config->add_subcommand("list", "every row the store can read, with its text")->callback([&context] {
        PrintRows(context, ReadConfigRows(context), {Field("ID", "id"), Field("TEXT", "config")});
    });
    CLI::App* get = config->add_subcommand("get", "the text of a row");
    get->add_option("ID", options.id, "row id")->required();
    get->callback([&context] {
        const ConfigRow row{options.id, context.Store()->GetConfig(options.id)};
        if (row.text.empty())
            throw NegativeAnswer("GetConfig found no text in row " + std::to_string(options.id), "GetConfig");
        Report(context, Utf8(row.text), row);
    });
    CLI::App* setText = config->add_subcommand("set", "store the text of a row");
    setText->add_option("ID", options.id, "row id")->required();
    setText->add_option("TEXT", options.text, "the text (not empty)")->required();
    setText->callback([&context] {
        if (options.text.empty()) throw UsageError("an empty text stores nothing; use config delete");
        Require(context.Store()->SetConfig(options.id, fileprotect::Wide(options.text)), "SetConfig");
        Report(context, "stored row " + std::to_string(options.id),
               {{"table", "config"}, {"id", options.id}, {"stored", true}});
    });
    CLI::App* remove = config->add_subcommand("delete", "delete a row (asks first; --yes)");
    remove->add_option("ID", options.id, "row id")->required();
    remove->callback([&context] {
        RequireConfirmation(context, "delete config row " + std::to_string(options.id) +
                                         (options.id == 1 ? ", which holds the switches" : ""));
        Require(context.Store()->DeleteConfig(options.id), "DeleteConfig");
        Report(context, "deleted row " + std::to_string(options.id),
               {{"table", "config"}, {"id", options.id}, {"deleted", true}});
    });
}
