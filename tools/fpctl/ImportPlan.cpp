#include "ImportPlan.h"

#include <climits>
#include <unordered_map>
#include <unordered_set>

#include "Report.h"
#include "Text.h"

namespace {

using Key = int64_t;

Key PathKey(IHlpFunc* helper, const std::wstring& path) { return helper->GetPathHash(path); }

// The hash upper-cases a-z and nothing else.
bool SameButAsciiCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    const auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

// Each table says how its rows are keyed and compared, which changes the
// store makes in place, and how rows are written and removed. A row with no
// path can be neither removed nor written back through the store.

struct ProtectTable {
    IHlpFunc* helper;
    Key KeyOf(const ProtectFileItem& row) const { return PathKey(helper, row.filepath); }
    static bool Same(const ProtectFileItem& a, const ProtectFileItem& b) {
        if (a.filepath != b.filepath || a.bextention != b.bextention) return false;
        return a.bextention || (a.mountpoint == b.mountpoint && a.bFile == b.bFile);
    }
    // An add over a stored key changes only the row's kind.
    static bool InPlace(const ProtectFileItem&, const ProtectFileItem&) { return false; }
    static bool Removable(const ProtectFileItem& row) { return !row.filepath.empty(); }

    static void Write(IFileProtectCfgMgr* store, const std::vector<ProtectFileItem>& rows) {
        std::vector<ProtectFileItem> paths;
        std::vector<std::wstring> extensions;
        for (const ProtectFileItem& row : rows) {
            if (row.bextention)
                extensions.push_back(row.filepath);
            else
                paths.push_back(row);
        }
        if (!paths.empty()) Require(store->AddProtectFile(paths, false), "AddProtectFile", "fileprotect");
        if (!extensions.empty())
            Require(store->AddProtectExtension(extensions), "AddProtectExtension", "fileprotect");
    }
    static void Update(IFileProtectCfgMgr*, const std::vector<std::pair<ProtectFileItem, ProtectFileItem>>&) {}
    static void Remove(IFileProtectCfgMgr* store, const std::vector<ProtectFileItem>& rows) {
        std::vector<std::wstring> paths[2];  // file and folder rows, extension rows
        for (const ProtectFileItem& row : rows) paths[row.bextention ? 1 : 0].push_back(row.filepath);
        for (bool extensions : {false, true})
            if (!paths[extensions].empty())
                Require(store->DeleteProtectFile(paths[extensions], extensions), "DeleteProtectFile", "fileprotect");
    }
};

struct PathListTable {
    IHlpFunc* helper;
    PathList list;
    Key KeyOf(const ProtectFileItem& row) const { return PathKey(helper, row.filepath); }
    static bool Same(const ProtectFileItem& a, const ProtectFileItem& b) {
        return a.filepath == b.filepath && a.mountpoint == b.mountpoint && a.bFile == b.bFile;
    }
    // An add over a stored key takes the new path's letter case, nothing else.
    static bool InPlace(const ProtectFileItem& stored, const ProtectFileItem& wanted) {
        return stored.mountpoint == wanted.mountpoint && stored.bFile == wanted.bFile &&
               SameButAsciiCase(stored.filepath, wanted.filepath);
    }
    static bool Removable(const ProtectFileItem& row) { return !row.filepath.empty(); }

    void Write(IFileProtectCfgMgr* store, const std::vector<ProtectFileItem>& rows) const {
        AddToPathList(store, list, rows);
    }
    void Update(IFileProtectCfgMgr* store, const std::vector<std::pair<ProtectFileItem, ProtectFileItem>>& rows) const {
        std::vector<ProtectFileItem> wanted;
        wanted.reserve(rows.size());
        for (const auto& row : rows) wanted.push_back(row.second);
        AddToPathList(store, list, wanted);
    }
    void Remove(IFileProtectCfgMgr* store, const std::vector<ProtectFileItem>& rows) const {
        std::vector<std::wstring> paths;
        paths.reserve(rows.size());
        for (const ProtectFileItem& row : rows) paths.push_back(row.filepath);
        DeleteFromPathList(store, list, paths);
    }
};

// Block rows carry their key: a stored row's own, a file row's computed
// before planning.
struct BlockTable {
    static Key KeyOf(const BlockCountItem& row) { return static_cast<uint32_t>(row.pathhash); }
    static bool Same(const BlockCountItem& a, const BlockCountItem& b) {
        return a.filepath == b.filepath && a.blockcount == b.blockcount;
    }
    // An add to a stored key adds to its count and keeps its path.
    static bool InPlace(const BlockCountItem& stored, const BlockCountItem& wanted) {
        return stored.filepath == wanted.filepath;
    }
    static bool Removable(const BlockCountItem& row) { return !row.filepath.empty(); }

    static void Write(IFileProtectCfgMgr* store, const std::vector<BlockCountItem>& rows) {
        Require(store->AddBlockCountList(rows), "AddBlockCountList", "blocklist, nothing was added");
    }
    // The difference, in 32-bit steps, as the store adds counts.
    static void Update(IFileProtectCfgMgr* store, const std::vector<std::pair<BlockCountItem, BlockCountItem>>& rows) {
        std::vector<BlockCountItem> additions;
        for (const auto& row : rows) {
            int64_t difference = static_cast<int64_t>(row.second.blockcount) - row.first.blockcount;
            while (difference != 0) {
                const int64_t step = difference > INT32_MAX ? INT32_MAX : difference < INT32_MIN ? INT32_MIN : difference;
                BlockCountItem addition;
                addition.filepath = row.first.filepath;
                addition.blockcount = static_cast<int32_t>(step);
                additions.push_back(addition);
                difference -= step;
            }
        }
        Write(store, additions);
    }
    static void Remove(IFileProtectCfgMgr* store, const std::vector<BlockCountItem>& rows) {
        std::vector<std::string> keys;
        keys.reserve(rows.size());
        for (const BlockCountItem& row : rows) keys.push_back(std::to_string(row.pathhash));
        Require(store->DeleteBlockListByHash(keys), "DeleteBlockListByHash", "blocklist");
    }
};

struct ConfigTable {
    static Key KeyOf(const ConfigRow& row) { return row.id; }
    // The store writes no empty text: a file row without one keeps the row.
    static bool Same(const ConfigRow& stored, const ConfigRow& wanted) {
        return wanted.text.empty() || stored.text == wanted.text;
    }
    static bool InPlace(const ConfigRow&, const ConfigRow&) { return true; }
    static bool Removable(const ConfigRow&) { return true; }

    static void Write(IFileProtectCfgMgr* store, const std::vector<ConfigRow>& rows) {
        for (const ConfigRow& row : rows)
            Require(store->SetConfig(row.id, row.text), "SetConfig", "config row " + std::to_string(row.id));
    }
    static void Update(IFileProtectCfgMgr* store, const std::vector<std::pair<ConfigRow, ConfigRow>>& rows) {
        for (const auto& row : rows) Write(store, {row.second});
    }
    static void Remove(IFileProtectCfgMgr* store, const std::vector<ConfigRow>& rows) {
        for (const ConfigRow& row : rows)
            Require(store->DeleteConfig(row.id), "DeleteConfig", "config row " + std::to_string(row.id));
    }
};

template <typename Table, typename Row>
Changes<Row> Diff(const Table& table, const std::vector<Row>& stored, const std::vector<Row>& wanted, bool replace) {
    std::vector<Key> storedKeys;
    storedKeys.reserve(stored.size());
    std::unordered_map<Key, const Row*> byKey;
    for (const Row& row : stored) {
        storedKeys.push_back(table.KeyOf(row));
        byKey.emplace(storedKeys.back(), &row);
    }
    std::unordered_set<Key> wantedKeys;
    Changes<Row> changes;
    for (const Row& row : wanted) {
        const Key key = table.KeyOf(row);
        wantedKeys.insert(key);
        auto found = byKey.find(key);
        if (found == byKey.end())
            changes.add.push_back(row);
        else if (Table::Same(*found->second, row))
            ++changes.unchanged;
        else if (Table::InPlace(*found->second, row))
            changes.update.emplace_back(*found->second, row);
        else
            changes.replace.emplace_back(*found->second, row);
    }
    if (replace)
        for (size_t i = 0; i < stored.size(); ++i)
            if (!wantedKeys.count(storedKeys[i]))
                (Table::Removable(stored[i]) ? changes.remove : changes.kept).push_back(stored[i]);
    return changes;
}

// The first phase writes the rows the table lacks and the changed ones; the
// second removes the rows the file does not have.
template <typename Table, typename Row>
void CarryOutPhase(const Table& table, IFileProtectCfgMgr* store, const std::optional<Changes<Row>>& changes,
                   bool removing) {
    if (!changes) return;
    if (removing) {
        if (!changes->remove.empty()) table.Remove(store, changes->remove);
        return;
    }
    if (!changes->add.empty()) table.Write(store, changes->add);
    if (!changes->update.empty()) table.Update(store, changes->update);
    if (changes->replace.empty()) return;
    std::vector<Row> old;
    std::vector<Row> fresh;
    old.reserve(changes->replace.size());
    fresh.reserve(changes->replace.size());
    for (const auto& row : changes->replace) {
        old.push_back(row.first);
        fresh.push_back(row.second);
    }
    table.Remove(store, old);
    table.Write(store, fresh);
}

// Keys to the rows of a file that name them, for refusals.
template <typename Table, typename Row>
void RequireDistinct(const Table& table, const std::optional<std::vector<Row>>& rows, const char* name) {
    if (!rows) return;
    std::unordered_map<Key, size_t> seen;
    for (size_t i = 0; i < rows->size(); ++i) {
        auto inserted = seen.emplace(table.KeyOf((*rows)[i]), i);
        if (!inserted.second)
            throw UsageError(std::string(name) + " rows " + std::to_string(inserted.first->second + 1) + " and " +
                             std::to_string(i + 1) +
                             " are one row of the store (paths that differ only in the case of a-z, or the same "
                             "id): keep one of them");
    }
}

std::vector<BlockCountItem> KeyedBlocks(IHlpFunc* helper, std::vector<BlockCountItem> rows) {
    for (BlockCountItem& row : rows) row.pathhash = static_cast<int32_t>(helper->GetPathHash(row.filepath));
    return rows;
}

// Without --replace block counts add up: the row each file row leads to.
std::vector<BlockCountItem> AddedUp(const std::vector<BlockCountItem>& stored, std::vector<BlockCountItem> rows) {
    std::unordered_map<Key, const BlockCountItem*> byKey;
    for (const BlockCountItem& row : stored) byKey.emplace(BlockTable::KeyOf(row), &row);
    for (BlockCountItem& row : rows) {
        auto found = byKey.find(BlockTable::KeyOf(row));
        if (found == byKey.end()) continue;
        const int64_t sum = static_cast<int64_t>(found->second->blockcount) + row.blockcount;
        row.filepath = found->second->filepath;
        row.blockcount = static_cast<int32_t>(sum > INT32_MAX ? INT32_MAX : sum < INT32_MIN ? INT32_MIN : sum);
    }
    return rows;
}

template <typename Row>
nlohmann::json ChangesJson(const Changes<Row>& changes) {
    std::vector<Row> changed;
    for (const auto* pairs : {&changes.update, &changes.replace})
        for (const auto& row : *pairs) changed.push_back(row.second);
    return {{"add", JsonRows(changes.add)},
            {"change", JsonRows(changed)},
            {"remove", JsonRows(changes.remove)},
            {"kept", JsonRows(changes.kept)},
            {"unchanged", changes.unchanged}};
}

std::string Label(const ProtectFileItem& row) { return Utf8(row.filepath) + " (" + Describe(row) + ")"; }
std::string Label(const BlockCountItem& row) {
    return Utf8(row.filepath) + " (count " + std::to_string(row.blockcount) + ")";
}
std::string Label(const ConfigRow& row) { return std::to_string(row.id) + ": " + Utf8(row.text); }

template <typename Row>
void AddLines(std::vector<std::vector<std::string>>& lines, const char* table, const std::optional<Changes<Row>>& changes) {
    if (!changes) return;
    for (const Row& row : changes->add) lines.push_back({"add", table, Label(row)});
    for (const auto* pairs : {&changes->update, &changes->replace})
        for (const auto& row : *pairs) lines.push_back({"change", table, Label(row.first) + " -> " + Label(row.second)});
    for (const Row& row : changes->remove) lines.push_back({"remove", table, Label(row)});
    for (const Row& row : changes->kept) lines.push_back({"keep", table, Label(row) + ": the store cannot remove it"});
}

template <typename Row>
void AddTotals(PlanTotals& totals, const std::optional<Changes<Row>>& changes) {
    if (!changes) return;
    totals.added += changes->add.size();
    totals.changed += changes->update.size() + changes->replace.size();
    totals.removed += changes->remove.size();
    totals.unchanged += changes->unchanged;
    totals.kept += changes->kept.size();
}

}  // namespace

void RequireDistinctKeys(IHlpFunc* helper, const RuleSet& rules) {
    RequireDistinct(ProtectTable{helper}, rules.protect, "fileprotect");
    RequireDistinct(PathListTable{helper, PathList::kReject}, rules.reject, "rejectlist");
    RequireDistinct(PathListTable{helper, PathList::kWhite}, rules.white, "whitelist");
    RequireDistinct(PathListTable{helper, PathList::kConstWhite}, rules.constWhite, "const_whitelist");
    if (rules.blocks) RequireDistinct(BlockTable{}, std::optional(KeyedBlocks(helper, *rules.blocks)), "blocklist");
    RequireDistinct(ConfigTable{}, rules.config, "config");
}

ImportPlan PlanImport(IHlpFunc* helper, const RuleSet& stored, const RuleSet& wanted, bool replace) {
    ImportPlan plan;
    if (wanted.protect) plan.protect = Diff(ProtectTable{helper}, *stored.protect, *wanted.protect, replace);
    if (wanted.reject)
        plan.reject = Diff(PathListTable{helper, PathList::kReject}, *stored.reject, *wanted.reject, replace);
    if (wanted.white) plan.white = Diff(PathListTable{helper, PathList::kWhite}, *stored.white, *wanted.white, replace);
    if (wanted.constWhite)
        plan.constWhite =
            Diff(PathListTable{helper, PathList::kConstWhite}, *stored.constWhite, *wanted.constWhite, replace);
    if (wanted.blocks) {
        std::vector<BlockCountItem> rows = KeyedBlocks(helper, *wanted.blocks);
        if (!replace) rows = AddedUp(*stored.blocks, std::move(rows));
        plan.blocks = Diff(BlockTable{}, *stored.blocks, rows, replace);
    }
    if (wanted.config) {
        plan.config = Diff(ConfigTable{}, *stored.config, *wanted.config, replace);
        std::vector<ConfigRow>& add = plan.config->add;
        for (auto row = add.begin(); row != add.end();) {
            if (!row->text.empty()) {
                ++row;
                continue;
            }
            Warn("config row " + std::to_string(row->id) + " has no text, and the store writes none: not added");
            row = add.erase(row);
        }
    }
    return plan;
}

void CarryOut(IFileProtectCfgMgr* store, const ImportPlan& plan) {
    IHlpFunc* helper = nullptr;  // keys are not needed to write
    for (bool removing : {false, true}) {
        CarryOutPhase(ProtectTable{helper}, store, plan.protect, removing);
        CarryOutPhase(PathListTable{helper, PathList::kReject}, store, plan.reject, removing);
        CarryOutPhase(PathListTable{helper, PathList::kWhite}, store, plan.white, removing);
        CarryOutPhase(PathListTable{helper, PathList::kConstWhite}, store, plan.constWhite, removing);
        CarryOutPhase(BlockTable{}, store, plan.blocks, removing);
        CarryOutPhase(ConfigTable{}, store, plan.config, removing);
    }
}

namespace {

// Calls visit(table name, changes) for each table of the plan, in order.
template <typename Visit>
void EachTable(const ImportPlan& plan, Visit visit) {
    visit("fileprotect", plan.protect);
    visit("rejectlist", plan.reject);
    visit("whitelist", plan.white);
    visit("const_whitelist", plan.constWhite);
    visit("blocklist", plan.blocks);
    visit("config", plan.config);
}

}  // namespace

PlanTotals Totals(const ImportPlan& plan) {
    PlanTotals totals;
    EachTable(plan, [&totals](const char*, const auto& changes) { AddTotals(totals, changes); });
    return totals;
}

nlohmann::json PlanJson(const ImportPlan& plan) {
    nlohmann::json tables = nlohmann::json::object();
    EachTable(plan, [&tables](const char* name, const auto& changes) {
        if (changes) tables[name] = ChangesJson(*changes);
    });
    return tables;
}

std::vector<std::vector<std::string>> PlanLines(const ImportPlan& plan) {
    std::vector<std::vector<std::string>> lines;
    EachTable(plan, [&lines](const char* name, const auto& changes) { AddLines(lines, name, changes); });
    return lines;
}
