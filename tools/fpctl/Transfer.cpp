// fpctl export and import: every rule table and config row as one JSON file.
//
// The store has no transaction across calls, so the order of an import is
// what keeps the rules: first every table gets the rows it lacks and the
// rows that change, then the rows the file does not have are removed. A
// process killed at any point leaves every rule the table and the file
// share, and running the import again finishes it. A row the store can
// change in place (a reject list path in other letter case, a block count, a
// config text) is changed in place; one it cannot (a protected row of another
// kind or mount point) is removed and added again, and is the only rule ever
// missing for a moment. If the store refuses a row, the tables the import
// touched are put back by the same means.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <climits>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "Output.h"

using fileprotect::Utf8;
using fileprotect::Wide;

namespace {

constexpr int kRuleSetVersion = 1;

// An export is a document of tables of rows: three levels. Room to spare,
// and far below what the stack holds.
constexpr int kMaxDepth = 32;

// Every rule table and config row: what export writes and import reads back.
// A table left out of an imported file is left as it is.
template <typename Row>
using Rows = std::optional<std::vector<Row>>;
struct RuleSet {
    Rows<ProtectFileItem> protect;  // files and folders, and extension rows
    Rows<ProtectFileItem> reject;
    Rows<ProtectFileItem> white;
    Rows<ProtectFileItem> constWhite;
    Rows<BlockCountItem> blocks;
    Rows<ConfigRow> config;
};

// What an import changes in one table, worked out from what the table holds
// before anything is written.
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

using Key = int64_t;

// The hash upper-cases a-z and nothing else.
bool SameButAsciiCase(const std::wstring& a, const std::wstring& b) {
    const auto upper = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&upper](wchar_t x, wchar_t y) { return upper(x) == upper(y); });
}

// Each table says how its rows are read, keyed and compared, which changes
// the store makes in place, and how rows are written and removed. A row
// without a path can be neither removed nor written back through the store.

struct ProtectTable {
    IHlpFunc* helper;
    static std::vector<ProtectFileItem> Read(Context& context) { return ReadProtectTable(context.Store()); }
    Key KeyOf(const ProtectFileItem& row) const { return helper->GetPathHash(row.filepath); }
    static bool Same(const ProtectFileItem& a, const ProtectFileItem& b) {
        if (a.filepath != b.filepath || a.bextention != b.bextention) return false;
        return a.bextention || (a.mountpoint == b.mountpoint && a.bFile == b.bFile);
    }
    // An add over a stored key changes only the row's kind.
    static bool InPlace(const ProtectFileItem&, const ProtectFileItem&) { return false; }
    static bool Reachable(const ProtectFileItem& row) { return !row.filepath.empty(); }
    static bool Holds(const ProtectFileItem&) { return true; }

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
    std::vector<ProtectFileItem> Read(Context& context) const { return ReadPathList(context.Store(), list); }
    Key KeyOf(const ProtectFileItem& row) const { return helper->GetPathHash(row.filepath); }
    static bool Same(const ProtectFileItem& a, const ProtectFileItem& b) {
        return a.filepath == b.filepath && a.mountpoint == b.mountpoint && a.bFile == b.bFile;
    }
    // An add over a stored key takes the new path's letter case, nothing else.
    static bool InPlace(const ProtectFileItem& stored, const ProtectFileItem& wanted) {
        return stored.mountpoint == wanted.mountpoint && stored.bFile == wanted.bFile &&
               SameButAsciiCase(stored.filepath, wanted.filepath);
    }
    static bool Reachable(const ProtectFileItem& row) { return !row.filepath.empty(); }
    static bool Holds(const ProtectFileItem& row) { return !row.bextention; }  // only fileprotect has extensions

    void Write(IFileProtectCfgMgr* store, const std::vector<ProtectFileItem>& rows) const {
        AddToPathList(store, list, rows);
    }
    void Update(IFileProtectCfgMgr* store, const std::vector<std::pair<ProtectFileItem, ProtectFileItem>>& rows) const {
        std::vector<ProtectFileItem> wanted;
        for (const auto& row : rows) wanted.push_back(row.second);
        AddToPathList(store, list, wanted);
    }
    void Remove(IFileProtectCfgMgr* store, const std::vector<ProtectFileItem>& rows) const {
        std::vector<std::wstring> paths;
        for (const ProtectFileItem& row : rows) paths.push_back(row.filepath);
        DeleteFromPathList(store, list, paths);
    }
};

// Block rows carry their key: a stored row its own, a file row the hash of
// its path, given to it as the file is read.
struct BlockTable {
    static std::vector<BlockCountItem> Read(Context& context) { return ReadBlocks(context.Store()); }
    static Key KeyOf(const BlockCountItem& row) { return static_cast<uint32_t>(row.pathhash); }
    static bool Same(const BlockCountItem& a, const BlockCountItem& b) {
        return a.filepath == b.filepath && a.blockcount == b.blockcount;
    }
    // An add to a stored key adds to its count and keeps its path.
    static bool InPlace(const BlockCountItem& stored, const BlockCountItem& wanted) {
        return stored.filepath == wanted.filepath;
    }
    static bool Reachable(const BlockCountItem& row) { return !row.filepath.empty(); }
    static bool Holds(const BlockCountItem&) { return true; }

    static void Write(IFileProtectCfgMgr* store, const std::vector<BlockCountItem>& rows) {
        Require(store->AddBlockCountList(rows), "AddBlockCountList", "blocklist, nothing was added");
    }
    // The difference, in 32-bit steps, as the store adds counts.
    static void Update(IFileProtectCfgMgr* store, const std::vector<std::pair<BlockCountItem, BlockCountItem>>& rows) {
        std::vector<BlockCountItem> additions;
        for (const auto& row : rows) {
            int64_t difference = static_cast<int64_t>(row.second.blockcount) - row.first.blockcount;
            while (difference != 0) {
                const int64_t step = std::clamp<int64_t>(difference, INT32_MIN, INT32_MAX);
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
        for (const BlockCountItem& row : rows) keys.push_back(std::to_string(row.pathhash));
        Require(store->DeleteBlockListByHash(keys), "DeleteBlockListByHash", "blocklist");
    }
};

struct ConfigTable {
    static std::vector<ConfigRow> Read(Context& context) { return ReadConfigRows(context); }
    static Key KeyOf(const ConfigRow& row) { return row.id; }
    // The store writes no empty text: a file row without one keeps the row.
    static bool Same(const ConfigRow& stored, const ConfigRow& wanted) {
        return wanted.text.empty() || stored.text == wanted.text;
    }
    static bool InPlace(const ConfigRow&, const ConfigRow&) { return true; }
    static bool Reachable(const ConfigRow&) { return true; }
    static bool Holds(const ConfigRow&) { return true; }

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

// Calls visit(name, rows, changes, table) for each table in the order an
// import writes them: its name in a file, where a RuleSet keeps its rows and
// an ImportPlan its changes, and its Table above.
template <typename Visit>
void EachTable(IHlpFunc* helper, Visit visit) {
    visit("fileprotect", &RuleSet::protect, &ImportPlan::protect, ProtectTable{helper});
    visit("rejectlist", &RuleSet::reject, &ImportPlan::reject, PathListTable{helper, PathList::kReject});
    visit("whitelist", &RuleSet::white, &ImportPlan::white, PathListTable{helper, PathList::kWhite});
    visit("const_whitelist", &RuleSet::constWhite, &ImportPlan::constWhite,
          PathListTable{helper, PathList::kConstWhite});
    visit("blocklist", &RuleSet::blocks, &ImportPlan::blocks, BlockTable{});
    visit("config", &RuleSet::config, &ImportPlan::config, ConfigTable{});
}

// The tables present in shape (every table when it is null), as the store
// holds them now.
RuleSet ReadTables(Context& context, const RuleSet* shape) {
    RuleSet rules;
    EachTable(context.Helper(), [&](const char*, auto rows, auto, const auto& table) {
        if (!shape || shape->*rows) rules.*rows = table.Read(context);
    });
    return rules;
}

size_t RowCount(const RuleSet& rules) {
    size_t count = 0;
    EachTable(nullptr, [&](const char*, auto rows, auto, const auto&) {
        if (rules.*rows) count += (rules.*rows)->size();
    });
    return count;
}

// Reads a JSON document strictly: a key given twice in one object is refused
// (the parser would keep the last quietly), and so is nesting deeper than an
// export needs, before it is built, so no input can run the stack out.
Json ParseStrict(const std::string& bytes, const std::string& source) {
    using Event = Json::parse_event_t;
    std::vector<std::set<std::string>> keys;  // one set per object being read
    auto check = [&keys, &source](int depth, Event event, Json& parsed) {
        if ((event == Event::object_start || event == Event::array_start) && depth >= kMaxDepth)
            throw UsageError(source + " nests arrays and objects deeper than " + std::to_string(kMaxDepth) +
                             " levels");
        if (event == Event::object_start) keys.emplace_back();
        if (event == Event::object_end && !keys.empty()) keys.pop_back();
        if (event == Event::key && !keys.empty() && !keys.back().insert(parsed.get<std::string>()).second)
            throw UsageError(source + " gives the key \"" + Shown(parsed.get<std::string>()) +
                             "\" twice in one object");
        return true;
    };
    try {
        return Json::parse(bytes, check);
    } catch (const Json::exception& error) {
        throw UsageError(source + " is not JSON: " + Shown(error.what()));
    }
}

// Throws UsageError, naming the table, row and field, when the document is
// not an export of this version or holds anything an export does not.
RuleSet RuleSetFromJson(const Json& document) {
    const std::string notExport = "not an fpctl export of version " + std::to_string(kRuleSetVersion);
    if (!document.is_object()) throw UsageError(notExport + ": not a JSON object");
    auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer() || *version != kRuleSetVersion)
        throw UsageError(notExport + ": \"version\" is not " + std::to_string(kRuleSetVersion));
    for (const auto& entry : document.items()) {
        bool known = entry.key() == "version";
        EachTable(nullptr, [&](const char* name, auto, auto, const auto&) { known = known || entry.key() == name; });
        if (!known)
            throw UsageError("\"" + Shown(entry.key()) +
                             "\" is not a table of an export (fileprotect, rejectlist, whitelist, const_whitelist, "
                             "blocklist, config)");
    }
    RuleSet rules;
    EachTable(nullptr, [&](const char* name, auto rows, auto, const auto& table) {
        auto found = document.find(name);
        if (found == document.end()) return;
        if (!found->is_array()) throw UsageError(std::string("\"") + name + "\" is not an array of rows");
        auto& read = (rules.*rows).emplace();
        using Row = typename std::decay_t<decltype(read)>::value_type;
        for (size_t i = 0; i < found->size(); ++i) {
            const std::string place = std::string(name) + " row " + std::to_string(i + 1);
            try {
                read.push_back((*found)[i].get<Row>());
            } catch (const UsageError& refusal) {
                throw UsageError(place + " " + refusal.what());
            }
            if (!table.Holds(read.back()))
                throw UsageError(place + " is an extension row, which only fileprotect holds: " +
                                 Shown((*found)[i].dump(-1, ' ', false, Json::error_handler_t::replace)));
        }
    });
    return rules;
}

// Throws UsageError when two rows of one table have one key: the store would
// keep only one of them.
void RequireDistinctKeys(IHlpFunc* helper, const RuleSet& rules) {
    EachTable(helper, [&rules](const char* name, auto rows, auto, const auto& table) {
        if (!(rules.*rows)) return;
        std::unordered_map<Key, size_t> seen;
        for (size_t i = 0; i < (rules.*rows)->size(); ++i) {
            auto inserted = seen.emplace(table.KeyOf((*(rules.*rows))[i]), i);
            if (!inserted.second)
                throw UsageError(std::string(name) + " rows " + std::to_string(inserted.first->second + 1) + " and " +
                                 std::to_string(i + 1) +
                                 " are one row of the store (paths that differ only in the case of a-z, or the same "
                                 "id): keep one of them");
        }
    });
}

// With replace the table ends up as wanted; without it wanted's rows are
// added or changed and other rows stay. Rows are matched by their key.
template <typename Table, typename Row>
Changes<Row> Diff(const Table& table, const std::vector<Row>& stored, const std::vector<Row>& wanted, bool replace) {
    std::vector<Key> storedKeys;
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
                (Table::Reachable(stored[i]) ? changes.remove : changes.kept).push_back(stored[i]);
    return changes;
}

// Without --replace block counts add up: the row each file row leads to.
std::vector<BlockCountItem> AddedUp(const std::vector<BlockCountItem>& stored, std::vector<BlockCountItem> rows) {
    std::unordered_map<Key, const BlockCountItem*> byKey;
    for (const BlockCountItem& row : stored) byKey.emplace(BlockTable::KeyOf(row), &row);
    for (BlockCountItem& row : rows) {
        auto found = byKey.find(BlockTable::KeyOf(row));
        if (found == byKey.end()) continue;
        row.filepath = found->second->filepath;
        row.blockcount = static_cast<int32_t>(
            std::clamp<int64_t>(static_cast<int64_t>(found->second->blockcount) + row.blockcount, INT32_MIN, INT32_MAX));
    }
    return rows;
}

ImportPlan PlanImport(IHlpFunc* helper, const RuleSet& stored, RuleSet wanted, bool replace) {
    if (wanted.blocks && !replace) wanted.blocks = AddedUp(*stored.blocks, *wanted.blocks);
    ImportPlan plan;
    EachTable(helper, [&](const char*, auto rows, auto changes, const auto& table) {
        if (wanted.*rows) plan.*changes = Diff(table, *(stored.*rows), *(wanted.*rows), replace);
    });
    if (!plan.config) return plan;
    std::vector<ConfigRow>& add = plan.config->add;
    for (auto row = add.begin(); row != add.end();) {
        if (!row->text.empty()) {
            ++row;
            continue;
        }
        Warn("config row " + std::to_string(row->id) + " has no text, and the store writes none: not added");
        row = add.erase(row);
    }
    return plan;
}

// Carries the plan out in the order described at the top. Throws
// LibraryFailure at the first store operation that fails; what was done
// before it stays.
void CarryOut(IFileProtectCfgMgr* store, const ImportPlan& plan) {
    // The first phase writes the rows the table lacks and the changed ones;
    // the second removes the rows the file does not have.
    for (bool removing : {false, true}) {
        EachTable(nullptr, [&](const char*, auto, auto member, const auto& table) {
            const auto& changes = plan.*member;
            if (!changes) return;
            if (removing) {
                if (!changes->remove.empty()) table.Remove(store, changes->remove);
                return;
            }
            if (!changes->add.empty()) table.Write(store, changes->add);
            if (!changes->update.empty()) table.Update(store, changes->update);
            if (changes->replace.empty()) return;
            std::decay_t<decltype(changes->add)> old;
            std::decay_t<decltype(changes->add)> fresh;
            for (const auto& row : changes->replace) {
                old.push_back(row.first);
                fresh.push_back(row.second);
            }
            table.Remove(store, old);
            table.Write(store, fresh);
        });
    }
}

struct PlanTotals {
    size_t added = 0;
    size_t changed = 0;
    size_t removed = 0;
    size_t unchanged = 0;
    size_t kept = 0;
};

PlanTotals Totals(const ImportPlan& plan) {
    PlanTotals totals;
    EachTable(nullptr, [&](const char*, auto, auto member, const auto&) {
        if (!(plan.*member)) return;
        const auto& changes = *(plan.*member);
        totals.added += changes.add.size();
        totals.changed += changes.update.size() + changes.replace.size();
        totals.removed += changes.remove.size();
        totals.unchanged += changes.unchanged;
        totals.kept += changes.kept.size();
    });
    return totals;
}

std::string TotalsText(const PlanTotals& totals) {
    std::string text = Count(totals.added, "row") + " added, " + std::to_string(totals.changed) + " changed, " +
                       std::to_string(totals.removed) + " removed, " + std::to_string(totals.unchanged) + " unchanged";
    if (totals.kept > 0) text += ", " + std::to_string(totals.kept) + " kept that the store cannot remove";
    return text;
}

Json TotalsJson(const PlanTotals& totals) {
    return {{"added", totals.added},
            {"changed", totals.changed},
            {"removed", totals.removed},
            {"unchanged", totals.unchanged},
            {"kept", totals.kept}};
}

std::string Label(const ProtectFileItem& row) { return Utf8(row.filepath) + " (" + Describe(row) + ")"; }
std::string Label(const BlockCountItem& row) {
    return Utf8(row.filepath) + " (count " + std::to_string(row.blockcount) + ")";
}
std::string Label(const ConfigRow& row) { return std::to_string(row.id) + ": " + Utf8(row.text); }

// What a dry run prints: with --json per table {"add": [rows], "change":
// [rows as they will be], "remove": [rows], "kept": [rows], "unchanged": N},
// else a table of ACTION, TABLE, ROW.
void PrintPlan(const Context& context, const std::string& file, const ImportPlan& plan) {
    Json tables = Json::object();
    Json lines = Json::array();
    EachTable(nullptr, [&](const char* name, auto, auto member, const auto&) {
        if (!(plan.*member)) return;
        const auto& changes = *(plan.*member);
        Json changed = Json::array();
        for (const auto* pairs : {&changes.update, &changes.replace})
            for (const auto& row : *pairs) changed.push_back(row.second);
        tables[name] = {{"add", changes.add},
                        {"change", changed},
                        {"remove", changes.remove},
                        {"kept", changes.kept},
                        {"unchanged", changes.unchanged}};
        for (const auto& row : changes.add) lines.push_back({"add", name, Label(row)});
        for (const auto* pairs : {&changes.update, &changes.replace})
            for (const auto& row : *pairs) lines.push_back({"change", name, Label(row.first) + " -> " + Label(row.second)});
        for (const auto& row : changes.remove) lines.push_back({"remove", name, Label(row)});
        for (const auto& row : changes.kept) lines.push_back({"keep", name, Label(row) + ": the store cannot remove it"});
    });
    const PlanTotals totals = Totals(plan);
    if (context.json) {
        Json document = TotalsJson(totals);
        document["file"] = file;
        document["dryRun"] = true;
        document["tables"] = tables;
        PrintJson(document);
        return;
    }
    if (!lines.empty()) PrintTable(lines, {Field("ACTION", 0), Field("TABLE", 1), Field("ROW", 2)});
    PrintLine("would import " + file + ": " + TotalsText(totals) + "; nothing was changed");
}

std::string ReadFileBytes(const std::string& file) {
    HANDLE opened = CreateFileW(Wide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        throw UsageError("cannot open " + Shown(file) + " (" + fileprotect::ErrorText(GetLastError()) + ")",
                         "CreateFileW");
    const fileprotect::Handle handle(opened);
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(handle.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

void WriteFileBytes(const std::string& file, const std::string& bytes) {
    HANDLE handle = CreateFileW(Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw LibraryFailure("cannot create " + Shown(file) + " (" + fileprotect::ErrorText(GetLastError()) + ")",
                             "CreateFileW");
    DWORD written = 0;
    const bool ok = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    const DWORD error = GetLastError();
    // A write can fail as late as the close, so its answer counts too.
    const bool closed = CloseHandle(handle);
    if (!ok || !closed)
        throw LibraryFailure("writing " + Shown(file) + " failed (" + fileprotect::ErrorText(error) + ")", "WriteFile");
}

void Export(Context& context, const std::string& file) {
    RuleSet rules = ReadTables(context, nullptr);
    // Rows without a path (another program wrote them) cannot be written back
    // through the store, so an export that held them would be refused by import.
    size_t leftOut = 0;
    Json document = {{"version", kRuleSetVersion}};
    EachTable(nullptr, [&](const char* name, auto rows, auto, const auto& table) {
        auto& list = *(rules.*rows);
        const size_t before = list.size();
        list.erase(std::remove_if(list.begin(), list.end(), [&table](const auto& row) { return !table.Reachable(row); }),
                   list.end());
        leftOut += before - list.size();
        document[name] = list;
    });
    if (leftOut > 0)
        Warn(Count(leftOut, "row") + " without a path cannot be written back through the store; left out of " +
             Shown(file));
    WriteFileBytes(file, document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
    Report(context, "exported " + Count(RowCount(rules), "row") + " to " + file,
           {{"file", file}, {"rows", RowCount(rules)}});
}

struct ImportOptions {
    std::string file;
    bool replace = false;
    bool dryRun = false;
};

void Import(Context& context, const ImportOptions& options) {
    RuleSet incoming = RuleSetFromJson(ParseStrict(ReadFileBytes(options.file), Shown(options.file)));
    IHlpFunc* helper = context.Helper();
    // The store keys a block row by its path, whatever key the file gives.
    if (incoming.blocks)
        for (BlockCountItem& row : *incoming.blocks) row.pathhash = static_cast<int32_t>(helper->GetPathHash(row.filepath));
    RequireDistinctKeys(helper, incoming);
    if (options.replace && !options.dryRun)
        RequireConfirmation(context, "make the tables in " + Shown(options.file) +
                                         " hold exactly its rows, removing every other row of them");

    const RuleSet before = ReadTables(context, &incoming);
    const ImportPlan plan = PlanImport(helper, before, incoming, options.replace);
    if (options.dryRun) {
        PrintPlan(context, options.file, plan);
        return;
    }
    try {
        CarryOut(context.Store(), plan);
    } catch (const LibraryFailure& failure) {
        // The tables the import touched are brought back to what they held,
        // whatever they held, by the same means as the import.
        std::string putBack = "; the tables were put back as they were";
        try {
            CarryOut(context.Store(), PlanImport(helper, ReadTables(context, &before), before, true));
        } catch (const Failure& again) {
            putBack = std::string("; putting the tables back failed too: ") + again.what();
        }
        throw LibraryFailure(failure.what() + putBack, failure.operation());
    }
    const PlanTotals totals = Totals(plan);
    if (totals.kept > 0) Warn(std::to_string(totals.kept) + " rows have no path, so the store cannot remove them");
    Json document = TotalsJson(totals);
    document["file"] = options.file;
    document["replace"] = options.replace;
    Report(context, "imported " + options.file + ": " + TotalsText(totals), document);
}

}  // namespace

void AddTransferCommands(CLI::App& app, Context& context) {
    static ImportOptions options;
    CLI::App* exportCommand = app.add_subcommand("export", "every rule table and config row, as JSON");
    exportCommand->add_option("FILE", options.file, "the JSON file to write")->required();
    exportCommand->callback([&context] { Export(context, options.file); });

    CLI::App* importCommand = app.add_subcommand(
        "import", "write an export's rows back: rows it lacks are added, rows that differ changed");
    importCommand->add_option("FILE", options.file, "a file written by export")->required();
    importCommand->add_flag("--replace", options.replace,
                            "also remove the rows the file lacks from each table it holds (asks first; --yes)");
    importCommand->add_flag("--dry-run", options.dryRun, "print what would be added, changed and removed; change nothing");
    importCommand->callback([&context] { Import(context, options); });
}
