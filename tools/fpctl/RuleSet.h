// Every rule table and config row at once: what export writes and import
// reads back. A table left out of an imported file is left as it is.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Fpctl.h"
#include "Rules.h"

struct RuleSet {
    // fileprotect: files and folders, and extension rows (bextention true).
    std::optional<std::vector<ProtectFileItem>> protect;
    std::optional<std::vector<ProtectFileItem>> reject;
    std::optional<std::vector<ProtectFileItem>> white;
    std::optional<std::vector<ProtectFileItem>> constWhite;
    std::optional<std::vector<BlockCountItem>> blocks;
    std::optional<std::vector<ConfigRow>> config;
};

constexpr int kRuleSetVersion = 1;

// Every table; or only the tables present in shape.
RuleSet ReadRuleSet(Context& context);
RuleSet ReadTablesOf(Context& context, const RuleSet& shape);
// The export document's text, as nlohmann's dump(2) would print it.
std::string RuleSetText(const RuleSet& rules);
// Throws UsageError, naming the table, row and field, when the document is
// not an export of this version or holds anything an export does not.
RuleSet RuleSetFromJson(const nlohmann::json& document);
// Rows in all present tables, for reports.
size_t RowCount(const RuleSet& rules);
