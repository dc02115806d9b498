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
//
// Rows travel as the JSON records of Fpctl.h, so that a file row and a stored
// row are equal exactly when the store would hold the same.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <climits>
#include <functional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "Output.h"

using fileprotect::Wide;

namespace {

constexpr int kRuleSetVersion = 1;

// An export is a document of tables of rows: three levels. Room to spare,
// and far below what the stack holds.
constexpr int kMaxDepth = 32;

// One rule table as an import sees it. Rows are arrays of JSON records.
struct Table {
    const char* name;
    std::function<Json()> read;
    // A file row as the record the store would hold; UsageError if it cannot.
    std::function<Json(const Json& row)> check;
    std::function<void(const Json& rows)> write;
    std::function<void(const Json& rows)> remove;
    // The rows whose writing turns stored into wanted (rows of one key), or
    // none when the store cannot change that row in place.
    std::function<Json(const Json& stored, const Json& wanted)> inPlace;
};

template <typename Record>
Json Checked(const Json& row) {
    return row.get<Record>();
}

template <typename Record>
std::vector<Record> Records(const Json& rows) {
    return rows.get<std::vector<Record>>();
}

std::vector<std::wstring> Paths(const Json& rows) {
    std::vector<std::wstring> paths;
    for (const Json& row : rows) paths.push_back(Wide(row.at("filepath").get<std::string>()));
    return paths;
}

// The hash upper-cases a-z and nothing else.
bool SameButAsciiCase(const std::string& a, const std::string& b) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&upper](char x, char y) { return upper(x) == upper(y); });
}

Table PathListTable(Context& context, PathList list) {
    return {TableName(list),
            [&context, list] { return Json(ReadPathList(context.Store(), list)); },
            [](const Json& row) {
                Json checked = Checked<ProtectFileItem>(row);
                if (checked.at("bextention").get<bool>())  // only fileprotect holds extensions
                    throw UsageError(std::string("is an extension row, which only fileprotect holds: ") +
                                     Shown(OneLine(row)));
                return checked;
            },
            [&context, list](const Json& rows) { AddToPathList(context.Store(), list, Records<ProtectFileItem>(rows)); },
            [&context, list](const Json& rows) { DeleteFromPathList(context.Store(), list, Paths(rows)); },
            // An add over a stored key takes the new path's letter case, nothing else.
            [](const Json& stored, const Json& wanted) {
                const bool inPlace = stored.at("mountpoint") == wanted.at("mountpoint") &&
                                     stored.at("bFile") == wanted.at("bFile") &&
                                     SameButAsciiCase(stored.at("filepath"), wanted.at("filepath"));
                return inPlace ? Json::array({wanted}) : Json::array();
            }};
}

// The tables in the order an import writes them.
std::vector<Table> Tables(Context& context) {
    std::vector<Table> tables;
    tables.push_back(
        {"fileprotect", [&context] { return Json(ReadProtectTable(context.Store())); }, Checked<ProtectFileItem>,
         [&context](const Json& rows) {
             std::vector<ProtectFileItem> paths;
             std::vector<std::wstring> extensions;
             for (ProtectFileItem& row : Records<ProtectFileItem>(rows)) {
                 if (row.bextention)
                     extensions.push_back(row.filepath);
                 else
                     paths.push_back(std::move(row));
             }
             IFileProtectCfgMgr* store = context.Store();
             if (!paths.empty()) Require(store->AddProtectFile(paths, false), "AddProtectFile", "fileprotect");
             if (!extensions.empty())
                 Require(store->AddProtectExtension(extensions), "AddProtectExtension", "fileprotect");
         },
         [&context](const Json& rows) {
             for (bool extensions : {false, true}) {
                 Json kind = Json::array();
                 for (const Json& row : rows)
                     if (row.at("bextention") == extensions) kind.push_back(row);
                 if (!kind.empty())
                     Require(context.Store()->DeleteProtectFile(Paths(kind), extensions), "DeleteProtectFile",
                             "fileprotect");
             }
         },
         // An add over a stored key changes only the row's kind.
         [](const Json&, const Json&) { return Json::array(); }});
    for (PathList list : {PathList::kReject, PathList::kWhite, PathList::kConstWhite})
        tables.push_back(PathListTable(context, list));
    // The store keys a block row by its path, whatever key a file gives.
    tables.push_back(
        {"blocklist", [&context] { return Json(ReadBlocks(context.Store())); },
         [&context](const Json& row) {
             Json checked = Checked<BlockCountItem>(row);
             checked["pathhash"] = static_cast<int32_t>(context.Helper()->GetPathHash(Wide(checked.at("filepath"))));
             return checked;
         },
         [&context](const Json& rows) {
             Require(context.Store()->AddBlockCountList(Records<BlockCountItem>(rows)), "AddBlockCountList",
                     "blocklist, nothing was added");
         },
         [&context](const Json& rows) {
             std::vector<std::string> keys;
             for (const Json& row : rows) keys.push_back(std::to_string(row.at("pathhash").get<int32_t>()));
             Require(context.Store()->DeleteBlockListByHash(keys), "DeleteBlockListByHash", "blocklist");
         },
         // An add to a stored key adds to its count and keeps its path: the
         // difference, in 32-bit steps.
         [](const Json& stored, const Json& wanted) {
             Json steps = Json::array();
             if (stored.at("filepath") != wanted.at("filepath")) return steps;
             int64_t difference = wanted.at("blockcount").get<int64_t>() - stored.at("blockcount").get<int64_t>();
             while (difference != 0) {
                 const int64_t step = std::clamp<int64_t>(difference, INT32_MIN, INT32_MAX);
                 steps.push_back({{"filepath", stored.at("filepath")}, {"blockcount", step}, {"pathhash", 0}});
                 difference -= step;
             }
             return steps;
         }});
    tables.push_back(
        {"config", [&context] { return Json(ReadConfigRows(context)); }, Checked<ConfigRow>,
         [&context](const Json& rows) {
             for (const ConfigRow& row : Records<ConfigRow>(rows))
                 Require(context.Store()->SetConfig(row.id, row.text), "SetConfig",
                         "config row " + std::to_string(row.id));
         },
         [&context](const Json& rows) {
             for (const Json& row : rows)
                 Require(context.Store()->DeleteConfig(row.at("id").get<int32_t>()), "DeleteConfig",
                         "config row " + row.at("id").dump());
         },
         [](const Json&, const Json& wanted) { return Json::array({wanted}); }});
    return tables;
}

// The key the store files a row under: a config row's id, a block row's path
// hash, else the hash of the path.
int64_t KeyOf(IHlpFunc* helper, const Json& row) {
    if (row.contains("id")) return row.at("id").get<int64_t>();
    if (row.contains("pathhash")) return static_cast<uint32_t>(row.at("pathhash").get<int32_t>());
    return helper->GetPathHash(Wide(row.at("filepath").get<std::string>()));
}

std::unordered_map<int64_t, const Json*> ByKey(IHlpFunc* helper, const Json& rows) {
    std::unordered_map<int64_t, const Json*> byKey;
    for (const Json& row : rows) byKey.emplace(KeyOf(helper, row), &row);
    return byKey;
}

// A row without a path (another program wrote it) can be neither removed
// nor written back through the store.
bool Reachable(const Json& row) { return !row.contains("filepath") || row.at("filepath") != ""; }

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

// The tables of an export as the store would hold them. Throws UsageError,
// naming the table, row and field, when the document is not an export of
// this version, holds anything an export does not, or gives two rows of one
// table one key (the store would keep only one of them).
Json RuleSetFromJson(IHlpFunc* helper, const std::vector<Table>& tables, const Json& document) {
    const std::string notExport = "not an fpctl export of version " + std::to_string(kRuleSetVersion);
    if (!document.is_object()) throw UsageError(notExport + ": not a JSON object");
    auto version = document.find("version");
    if (version == document.end() || !version->is_number_integer() || *version != kRuleSetVersion)
        throw UsageError(notExport + ": \"version\" is not " + std::to_string(kRuleSetVersion));
    for (const auto& entry : document.items())
        if (entry.key() != "version" && std::none_of(tables.begin(), tables.end(), [&entry](const Table& table) {
                return entry.key() == table.name;
            }))
            throw UsageError("\"" + Shown(entry.key()) +
                             "\" is not a table of an export (fileprotect, rejectlist, whitelist, const_whitelist, "
                             "blocklist, config)");
    Json rules = Json::object();
    for (const Table& table : tables) {
        auto found = document.find(table.name);
        if (found == document.end()) continue;
        if (!found->is_array()) throw UsageError(std::string("\"") + table.name + "\" is not an array of rows");
        Json& rows = rules[table.name] = Json::array();
        for (size_t i = 0; i < found->size(); ++i) {
            try {
                rows.push_back(table.check((*found)[i]));
            } catch (const UsageError& refusal) {
                throw UsageError(std::string(table.name) + " row " + std::to_string(i + 1) + " " + refusal.what());
            }
        }
        std::unordered_map<int64_t, size_t> seen;
        for (size_t i = 0; i < rows.size(); ++i) {
            auto inserted = seen.emplace(KeyOf(helper, rows[i]), i);
            if (!inserted.second)
                throw UsageError(std::string(table.name) + " rows " + std::to_string(inserted.first->second + 1) +
                                 " and " + std::to_string(i + 1) +
                                 " are one row of the store (paths that differ only in the case of a-z, or the same "
                                 "id): keep one of them");
        }
    }
    return rules;
}

// The tables present in shape (every table when it is null), as the store
// holds them now.
Json ReadTables(const std::vector<Table>& tables, const Json* shape) {
    Json rules = Json::object();
    for (const Table& table : tables)
        if (!shape || shape->contains(table.name)) rules[table.name] = table.read();
    return rules;
}

// What an import changes in one table, worked out from what the table holds
// before anything is written.
struct Changes {
    const Table* table = nullptr;
    Json add = Json::array();      // rows whose key the table does not hold
    Json steps = Json::array();    // rows that change stored rows in place
    Json drop = Json::array();     // stored rows the store cannot change: removed,
    Json fresh = Json::array();    // then added as the file has them
    Json changed = Json::array();  // [stored, wanted] of every changed row
    Json remove = Json::array();   // rows the file does not have (--replace)
    Json kept = Json::array();     // rows --replace would remove, but the store cannot
    size_t unchanged = 0;
};
using ImportPlan = std::vector<Changes>;  // in the order of the tables

// With replace every table of wanted ends up as wanted has it; without it
// wanted's rows are added or changed and other rows stay.
ImportPlan PlanImport(IHlpFunc* helper, const std::vector<Table>& tables, const Json& stored, const Json& wanted,
                      bool replace) {
    ImportPlan plan;
    for (const Table& table : tables) {
        if (!wanted.contains(table.name)) continue;
        const Json& storedRows = stored.at(table.name);
        const auto byKey = ByKey(helper, storedRows);
        std::unordered_set<int64_t> wantedKeys;
        Changes changes;
        changes.table = &table;
        for (Json row : wanted.at(table.name)) {
            const int64_t key = KeyOf(helper, row);
            wantedKeys.insert(key);
            auto found = byKey.find(key);
            const Json* old = found == byKey.end() ? nullptr : found->second;
            const std::string name = table.name;
            if (name == "config" && row.at("config") == "") {
                // The store writes no empty text: such a row keeps the stored one.
                if (!old) {
                    Warn("config row " + row.at("id").dump() + " has no text, and the store writes none: not added");
                    continue;
                }
                row = *old;
            }
            if (name == "blocklist" && old && !replace) {
                // Without --replace block counts add up.
                row["filepath"] = old->at("filepath");
                row["blockcount"] = std::clamp<int64_t>(
                    old->at("blockcount").get<int64_t>() + row.at("blockcount").get<int64_t>(), INT32_MIN, INT32_MAX);
            }
            if (!old) {
                changes.add.push_back(row);
            } else if (*old == row) {
                ++changes.unchanged;
            } else {
                changes.changed.push_back({*old, row});
                const Json steps = table.inPlace(*old, row);
                changes.steps.insert(changes.steps.end(), steps.begin(), steps.end());
                if (steps.empty()) {
                    changes.drop.push_back(*old);
                    changes.fresh.push_back(row);
                }
            }
        }
        if (replace)
            for (const Json& row : storedRows)
                if (!wantedKeys.count(KeyOf(helper, row))) (Reachable(row) ? changes.remove : changes.kept).push_back(row);
        plan.push_back(std::move(changes));
    }
    return plan;
}

// Carries the plan out in the order described at the top. Throws
// LibraryFailure at the first store operation that fails; what was done
// before it stays.
void CarryOut(const ImportPlan& plan) {
    const auto call = [](const std::function<void(const Json&)>& operation, const Json& rows) {
        if (!rows.empty()) operation(rows);
    };
    for (const Changes& changes : plan) {
        call(changes.table->write, changes.add);
        call(changes.table->write, changes.steps);
        call(changes.table->remove, changes.drop);
        call(changes.table->write, changes.fresh);
    }
    for (const Changes& changes : plan) call(changes.table->remove, changes.remove);
}

// {"added", "changed", "removed", "unchanged", "kept"}: the plan's counts.
Json Totals(const ImportPlan& plan) {
    size_t added = 0, changed = 0, removed = 0, unchanged = 0, kept = 0;
    for (const Changes& changes : plan) {
        added += changes.add.size();
        changed += changes.changed.size();
        removed += changes.remove.size();
        unchanged += changes.unchanged;
        kept += changes.kept.size();
    }
    return {{"added", added}, {"changed", changed}, {"removed", removed}, {"unchanged", unchanged}, {"kept", kept}};
}

std::string TotalsText(const Json& totals) {
    std::string text = Count(totals.at("added"), "row") + " added, " + totals.at("changed").dump() + " changed, " +
                       totals.at("removed").dump() + " removed, " + totals.at("unchanged").dump() + " unchanged";
    if (totals.at("kept") > 0) text += ", " + totals.at("kept").dump() + " kept that the store cannot remove";
    return text;
}

// What a dry run prints: with --json per table {"add": [rows], "change":
// [rows as they will be], "remove": [rows], "kept": [rows], "unchanged": N},
// else a table of ACTION, TABLE, ROW.
void PrintPlan(const Context& context, const std::string& file, const ImportPlan& plan) {
    Json document = Totals(plan);
    document["tables"] = Json::object();
    Json lines = Json::array();
    for (const Changes& changes : plan) {
        const char* name = changes.table->name;
        Json changed = Json::array();
        for (const Json& pair : changes.changed) changed.push_back(pair[1]);
        document["tables"][name] = {{"add", changes.add},
                                    {"change", changed},
                                    {"remove", changes.remove},
                                    {"kept", changes.kept},
                                    {"unchanged", changes.unchanged}};
        for (const Json& row : changes.add) lines.push_back({"add", name, OneLine(row)});
        for (const Json& pair : changes.changed)
            lines.push_back({"change", name, OneLine(pair[0]) + " -> " + OneLine(pair[1])});
        for (const Json& row : changes.remove) lines.push_back({"remove", name, OneLine(row)});
        for (const Json& row : changes.kept) lines.push_back({"keep", name, OneLine(row) + ": the store cannot remove it"});
    }
    document["file"] = file;
    document["dryRun"] = true;
    if (context.json) {
        PrintJson(document);
        return;
    }
    if (!lines.empty()) PrintTable(lines, {Field("ACTION", 0), Field("TABLE", 1), Field("ROW", 2)});
    PrintLine("would import " + file + ": " + TotalsText(document) + "; nothing was changed");
}

std::string ReadFileBytes(const std::string& file) {
    const fileprotect::Handle handle(CreateFileW(Wide(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid())
        throw UsageError("cannot open " + Shown(file) + " (" + fileprotect::ErrorText(GetLastError()) + ")",
                         "CreateFileW");
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(handle.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

void WriteFileBytes(const std::string& file, const std::string& bytes) {
    fileprotect::Handle handle(
        CreateFileW(Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid())
        throw LibraryFailure("cannot create " + Shown(file) + " (" + fileprotect::ErrorText(GetLastError()) + ")",
                             "CreateFileW");
    DWORD written = 0;
    const bool ok = WriteFile(handle.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    const DWORD error = GetLastError();
    // A write can fail as late as the close, so its answer counts too.
    if (!ok || !CloseHandle(handle.Release()))
        throw LibraryFailure("writing " + Shown(file) + " failed (" + fileprotect::ErrorText(error) + ")", "WriteFile");
}

void Export(Context& context, const std::string& file) {
    Json document = ReadTables(Tables(context), nullptr);
    // Rows without a path cannot be written back through the store, so an
    // export that held them would be refused by import.
    size_t rows = 0;
    size_t leftOut = 0;
    for (auto& table : document) {
        const size_t before = table.size();
        table.erase(std::remove_if(table.begin(), table.end(), [](const Json& row) { return !Reachable(row); }),
                    table.end());
        leftOut += before - table.size();
        rows += table.size();
    }
    if (leftOut > 0)
        Warn(Count(leftOut, "row") + " without a path cannot be written back through the store; left out of " +
             Shown(file));
    document["version"] = kRuleSetVersion;
    WriteFileBytes(file, document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
    Report(context, "exported " + Count(rows, "row") + " to " + file, {{"file", file}, {"rows", rows}});
}

struct ImportOptions {
    std::string file;
    bool replace = false;
    bool dryRun = false;
};

void Import(Context& context, const ImportOptions& options) {
    const std::vector<Table> tables = Tables(context);
    IHlpFunc* helper = context.Helper();
    const Json incoming =
        RuleSetFromJson(helper, tables, ParseStrict(ReadFileBytes(options.file), Shown(options.file)));
    if (options.replace && !options.dryRun)
        RequireConfirmation(context, "make the tables in " + Shown(options.file) +
                                         " hold exactly its rows, removing every other row of them");

    const Json before = ReadTables(tables, &incoming);
    const ImportPlan plan = PlanImport(helper, tables, before, incoming, options.replace);
    if (options.dryRun) {
        PrintPlan(context, options.file, plan);
        return;
    }
    try {
        CarryOut(plan);
    } catch (const LibraryFailure& failure) {
        // The tables the import touched are brought back to what they held,
        // whatever they held, by the same means as the import.
        std::string putBack = "; the tables were put back as they were";
        try {
            CarryOut(PlanImport(helper, tables, ReadTables(tables, &before), before, true));
        } catch (const Failure& again) {
            putBack = std::string("; putting the tables back failed too: ") + again.what();
        }
        throw LibraryFailure(failure.what() + putBack, failure.operation());
    }
    Json document = Totals(plan);
    if (document["kept"] > 0)
        Warn(document["kept"].dump() + " rows have no path, so the store cannot remove them");
    const std::string text = "imported " + options.file + ": " + TotalsText(document);
    document["file"] = options.file;
    document["replace"] = options.replace;
    Report(context, text, document);
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
