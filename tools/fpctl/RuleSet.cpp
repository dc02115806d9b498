#include "RuleSet.h"

#include <algorithm>

#include "ConfigIds.h"
#include "Rules.h"
#include "Text.h"

RuleSet ReadRuleSet(Context& context) {
    IFileProtectCfgMgr* store = context.Store();
    RuleSet rules;
    ProtectRows protect = ReadProtectRows(store);
    for (const std::wstring& text : protect.extensions) {
        ProtectFileItem extension;
        extension.filepath = text;
        extension.bextention = true;
        protect.items.push_back(extension);
    }
    rules.protect = protect.items;
    rules.reject = ReadPathList(store, PathList::kReject);
    rules.white = ReadPathList(store, PathList::kWhite);
    rules.constWhite = ReadPathList(store, PathList::kConstWhite);
    rules.blocks = ReadBlocks(store);
    rules.config.emplace();
    for (int32_t id : ConfigIds(context)) {
        std::wstring text = store->GetConfig(id);
        if (!text.empty()) rules.config->emplace_back(id, text);
    }
    return rules;
}

namespace {

nlohmann::json ItemsJson(const std::vector<ProtectFileItem>& items) {
    nlohmann::json rows = nlohmann::json::array();
    for (const ProtectFileItem& item : items) {
        // An extension row is its text: the store lists nothing else of it.
        if (item.bextention)
            rows.push_back({{"filepath", Utf8(item.filepath)}, {"bextention", true}});
        else
            rows.push_back(ItemJson(item));
    }
    return rows;
}

const nlohmann::json* Table(const nlohmann::json& document, const char* name) {
    auto found = document.find(name);
    if (found == document.end()) return nullptr;
    if (!found->is_array()) throw UsageError(std::string("\"") + name + "\" is not an array");
    return &*found;
}

std::optional<std::vector<ProtectFileItem>> ItemsFrom(const nlohmann::json& document, const char* name) {
    const nlohmann::json* rows = Table(document, name);
    if (!rows) return std::nullopt;
    std::vector<ProtectFileItem> items;
    for (const nlohmann::json& row : *rows) items.push_back(ItemFromJson(row));
    return items;
}

// Refused before anything is written: the store would key an empty path 0,
// and a NUL would cut the text.
void CheckPaths(const std::optional<std::vector<ProtectFileItem>>& items, const char* table) {
    if (!items) return;
    for (const ProtectFileItem& item : *items) {
        if (item.filepath.empty()) throw UsageError(std::string("a row of ") + table + " has an empty filepath");
        if (item.filepath.find(L'\0') != std::wstring::npos || item.mountpoint.find(L'\0') != std::wstring::npos)
            throw LibraryFailure(std::string("refused a row of ") + table +
                                 " whose text holds a NUL; nothing was written");
    }
}

void ApplyProtect(IFileProtectCfgMgr* store, const std::vector<ProtectFileItem>& rows, bool replace) {
    std::vector<ProtectFileItem> items;
    std::vector<std::wstring> extensions;
    for (const ProtectFileItem& row : rows) {
        if (row.bextention)
            extensions.push_back(row.filepath);
        else
            items.push_back(row);
    }
    if (replace) Require(store->ClearProtectAll(), "ClearProtectAll");
    Require(store->AddProtectFile(items, false), "AddProtectFile", "importing fileprotect");
    Require(store->AddProtectExtension(extensions), "AddProtectExtension", "importing fileprotect");
}

void ApplyPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<ProtectFileItem>& items,
                   bool replace) {
    if (replace) ClearPathList(store, list);
    AddToPathList(store, list, items);
}

void ApplyConfig(Context& context, const std::vector<std::pair<int32_t, std::wstring>>& rows, bool replace) {
    IFileProtectCfgMgr* store = context.Store();
    if (replace) {
        for (int32_t id : ConfigIds(context)) {
            bool kept = std::any_of(rows.begin(), rows.end(), [id](const auto& row) { return row.first == id; });
            if (!kept) Require(store->DeleteConfig(id), "DeleteConfig", "importing config row " + std::to_string(id));
        }
    }
    for (const auto& row : rows)
        Require(store->SetConfig(row.first, row.second), "SetConfig",
                "importing config row " + std::to_string(row.first));
}

}  // namespace

nlohmann::json RuleSetJson(const RuleSet& rules) {
    nlohmann::json document = {{"version", kRuleSetVersion}};
    if (rules.protect) document["fileprotect"] = ItemsJson(*rules.protect);
    if (rules.reject) document["rejectlist"] = ItemsJson(*rules.reject);
    if (rules.white) document["whitelist"] = ItemsJson(*rules.white);
    if (rules.constWhite) document["const_whitelist"] = ItemsJson(*rules.constWhite);
    if (rules.blocks) document["blocklist"] = JsonRows(*rules.blocks, BlockJson);
    if (rules.config) {
        nlohmann::json rows = nlohmann::json::array();
        for (const auto& row : *rules.config) rows.push_back({{"id", row.first}, {"config", Utf8(row.second)}});
        document["config"] = rows;
    }
    return document;
}

RuleSet RuleSetFromJson(const nlohmann::json& document) {
    if (!document.is_object() || !document.contains("version") || document["version"] != kRuleSetVersion)
        throw UsageError("not an fpctl export of version " + std::to_string(kRuleSetVersion));
    RuleSet rules;
    rules.protect = ItemsFrom(document, "fileprotect");
    rules.reject = ItemsFrom(document, "rejectlist");
    rules.white = ItemsFrom(document, "whitelist");
    rules.constWhite = ItemsFrom(document, "const_whitelist");
    if (const nlohmann::json* rows = Table(document, "blocklist")) {
        rules.blocks.emplace();
        for (const nlohmann::json& row : *rows) rules.blocks->push_back(BlockFromJson(row));
    }
    if (const nlohmann::json* rows = Table(document, "config")) {
        rules.config.emplace();
        for (const nlohmann::json& row : *rows) {
            if (!row.is_object() || !row.contains("id") || !row["id"].is_number_integer() ||
                !row.contains("config") || !row["config"].is_string())
                throw UsageError("a config row needs an integer \"id\" and a text \"config\": " + row.dump());
            rules.config->emplace_back(row["id"].get<int32_t>(), Wide(row["config"].get<std::string>()));
        }
    }
    return rules;
}

void ApplyRuleSet(Context& context, const RuleSet& rules, bool replace) {
    CheckPaths(rules.protect, "fileprotect");
    CheckPaths(rules.reject, "rejectlist");
    CheckPaths(rules.white, "whitelist");
    CheckPaths(rules.constWhite, "const_whitelist");
    if (rules.blocks)
        for (const BlockCountItem& item : *rules.blocks)
            if (item.filepath.empty()) throw UsageError("a row of blocklist has an empty filepath");

    IFileProtectCfgMgr* store = context.Store();
    if (rules.protect) ApplyProtect(store, *rules.protect, replace);
    if (rules.reject) ApplyPathList(store, PathList::kReject, *rules.reject, replace);
    if (rules.white) ApplyPathList(store, PathList::kWhite, *rules.white, replace);
    if (rules.constWhite) ApplyPathList(store, PathList::kConstWhite, *rules.constWhite, replace);
    if (rules.blocks) {
        if (replace) Require(store->ClearBlockList(), "ClearBlockList");
        Require(store->AddBlockCountList(*rules.blocks), "AddBlockCountList", "importing blocklist");
    }
    if (rules.config) ApplyConfig(context, *rules.config, replace);
}

size_t RowCount(const RuleSet& rules) {
    size_t count = 0;
    for (const auto* list : {&rules.protect, &rules.reject, &rules.white, &rules.constWhite})
        if (*list) count += (*list)->size();
    if (rules.blocks) count += rules.blocks->size();
    if (rules.config) count += rules.config->size();
    return count;
}
