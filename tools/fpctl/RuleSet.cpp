#include "RuleSet.h"

#include "ConfigIds.h"
#include "JsonWriter.h"
#include "Report.h"
#include "Text.h"

namespace {

const char* const kTables[] = {"fileprotect", "rejectlist", "whitelist", "const_whitelist", "blocklist", "config"};

template <typename Row, typename FromJson>
std::optional<std::vector<Row>> TableFrom(const nlohmann::json& document, const char* name, FromJson fromJson) {
    auto found = document.find(name);
    if (found == document.end()) return std::nullopt;
    if (!found->is_array()) throw UsageError(std::string("\"") + name + "\" is not an array of rows");
    std::vector<Row> rows;
    rows.reserve(found->size());
    for (size_t i = 0; i < found->size(); ++i)
        rows.push_back(fromJson((*found)[i], std::string(name) + " row " + std::to_string(i + 1)));
    return rows;
}

template <typename Row>
void PutTable(JsonWriter& writer, const char* name, const std::optional<std::vector<Row>>& rows) {
    if (!rows) return;
    writer.Key(name);
    WriteRows(writer, *rows);
}

}  // namespace

RuleSet ReadRuleSet(Context& context) {
    RuleSet all;
    all.protect.emplace();
    all.reject.emplace();
    all.white.emplace();
    all.constWhite.emplace();
    all.blocks.emplace();
    all.config.emplace();
    return ReadTablesOf(context, all);
}

RuleSet ReadTablesOf(Context& context, const RuleSet& shape) {
    IFileProtectCfgMgr* store = context.Store();
    RuleSet rules;
    if (shape.protect) rules.protect = ReadProtectTable(store);
    if (shape.reject) rules.reject = ReadPathList(store, PathList::kReject);
    if (shape.white) rules.white = ReadPathList(store, PathList::kWhite);
    if (shape.constWhite) rules.constWhite = ReadPathList(store, PathList::kConstWhite);
    if (shape.blocks) rules.blocks = ReadBlocks(store);
    if (shape.config) rules.config = ReadConfigRows(context);
    return rules;
}

std::string RuleSetText(const RuleSet& rules) {
    JsonWriter writer;
    writer.BeginObject();  // keys in nlohmann's order
    PutTable(writer, "blocklist", rules.blocks);
    PutTable(writer, "config", rules.config);
    PutTable(writer, "const_whitelist", rules.constWhite);
    PutTable(writer, "fileprotect", rules.protect);
    PutTable(writer, "rejectlist", rules.reject);
    writer.Key("version");
    writer.Value(kRuleSetVersion);
    PutTable(writer, "whitelist", rules.white);
    writer.EndObject();
    return std::move(writer.Text());
}

RuleSet RuleSetFromJson(const nlohmann::json& document) {
    const std::string notExport = "not an fpctl export of version " + std::to_string(kRuleSetVersion);
    if (!document.is_object()) throw UsageError(notExport + ": not a JSON object");
    auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer() || *version != kRuleSetVersion)
        throw UsageError(notExport + ": \"version\" is not " + std::to_string(kRuleSetVersion));
    for (const auto& entry : document.items()) {
        bool known = entry.key() == "version";
        for (const char* table : kTables) known = known || entry.key() == table;
        if (!known)
            throw UsageError("\"" + Shown(entry.key()) +
                             "\" is not a table of an export (fileprotect, rejectlist, whitelist, const_whitelist, "
                             "blocklist, config)");
    }
    const auto protectRow = [](const nlohmann::json& row, const std::string& place) {
        return PathRowFromJson(row, RowKind::kProtect, place);
    };
    const auto listRow = [](const nlohmann::json& row, const std::string& place) {
        return PathRowFromJson(row, RowKind::kPathList, place);
    };
    RuleSet rules;
    rules.protect = TableFrom<ProtectFileItem>(document, "fileprotect", protectRow);
    rules.reject = TableFrom<ProtectFileItem>(document, "rejectlist", listRow);
    rules.white = TableFrom<ProtectFileItem>(document, "whitelist", listRow);
    rules.constWhite = TableFrom<ProtectFileItem>(document, "const_whitelist", listRow);
    rules.blocks = TableFrom<BlockCountItem>(document, "blocklist", BlockRowFromJson);
    rules.config = TableFrom<ConfigRow>(document, "config", ConfigRowFromJson);
    return rules;
}

size_t RowCount(const RuleSet& rules) {
    size_t count = 0;
    for (const auto* list : {&rules.protect, &rules.reject, &rules.white, &rules.constWhite})
        if (*list) count += (*list)->size();
    if (rules.blocks) count += rules.blocks->size();
    if (rules.config) count += rules.config->size();
    return count;
}
