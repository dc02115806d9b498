// What an import changes, table by table, worked out from what the tables
// hold before anything is written; and carrying it out in an order that never
// takes away a rule that both the table and the file hold.
//
// The store has no transaction across calls, so the order is what keeps the
// rules: first every table gets the rows it lacks and the rows that change,
// then the rows the file does not have are removed. A process killed at any
// point leaves every rule the table and the file share, and running the
// import again finishes it. A row the store can change in place (a reject
// list path in other letter case, a block count, a config text) is changed
// in place; one it cannot (a protected row of another kind or mount point) is
// removed and added again, and is the only rule ever missing for a moment.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "RuleSet.h"

template <typename Row>
struct Changes {
    std::vector<Row> add;                      // keys the table does not hold
    std::vector<std::pair<Row, Row>> update;   // stored row, file row: changed in place
    std::vector<std::pair<Row, Row>> replace;  // stored row, file row: removed, then added
    std::vector<Row> remove;                   // rows the file does not have (--replace)
    std::vector<Row> kept;                     // rows --replace would remove, but the store cannot
    size_t unchanged = 0;
};

struct ImportPlan {
    std::optional<Changes<ProtectFileItem>> protect;
    std::optional<Changes<ProtectFileItem>> reject;
    std::optional<Changes<ProtectFileItem>> white;
    std::optional<Changes<ProtectFileItem>> constWhite;
    std::optional<Changes<BlockCountItem>> blocks;
    std::optional<Changes<ConfigRow>> config;
};

// For the tables present in wanted. With replace each ends up as wanted;
// without it wanted's rows are added or changed, other rows stay and block
// counts add up. Rows are matched by their key: the path hash (paths that
// differ only in the case of a-z are one row), the config id.
ImportPlan PlanImport(IHlpFunc* helper, const RuleSet& stored, const RuleSet& wanted, bool replace);

// Throws UsageError when two rows of one table of rules have one key: the
// store would keep only one of them.
void RequireDistinctKeys(IHlpFunc* helper, const RuleSet& rules);

// Carries the plan out as described above. Throws LibraryFailure at the first
// store operation that fails; what was done before it stays.
void CarryOut(IFileProtectCfgMgr* store, const ImportPlan& plan);

struct PlanTotals {
    size_t added = 0;
    size_t changed = 0;
    size_t removed = 0;
    size_t unchanged = 0;
    size_t kept = 0;
};
PlanTotals Totals(const ImportPlan& plan);

// Per table: {"add": [rows], "change": [rows as they will be], "remove":
// [rows], "kept": [rows], "unchanged": N}.
nlohmann::json PlanJson(const ImportPlan& plan);
// The same as lines of a text table: ACTION, TABLE, ROW.
std::vector<std::vector<std::string>> PlanLines(const ImportPlan& plan);
