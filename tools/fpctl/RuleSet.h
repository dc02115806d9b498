// Every rule table and config row at once: what export writes and import
// reads back. A table left out of an imported file is left as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "Fpctl.h"

struct RuleSet {
    // fileprotect: files and folders, and extension rows (bextention true).
    std::optional<std::vector<ProtectFileItem>> protect;
    std::optional<std::vector<ProtectFileItem>> reject;
    std::optional<std::vector<ProtectFileItem>> white;
    std::optional<std::vector<ProtectFileItem>> constWhite;
    std::optional<std::vector<BlockCountItem>> blocks;
    std::optional<std::vector<std::pair<int32_t, std::wstring>>> config;
};

constexpr int kRuleSetVersion = 1;

RuleSet ReadRuleSet(Context& context);
nlohmann::json RuleSetJson(const RuleSet& rules);
// Throws UsageError when the document is not an export of this version.
RuleSet RuleSetFromJson(const nlohmann::json& document);
// Writes each present table with one call of the store (clearing it first
// when replacing). Throws LibraryFailure naming the operation that failed.
void ApplyRuleSet(Context& context, const RuleSet& rules, bool replace);
// Rows per table, for reports.
size_t RowCount(const RuleSet& rules);
