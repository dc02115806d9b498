// fpctl export and import: every rule table and config row as one JSON file.
#include <CLI/CLI.hpp>
#include <algorithm>

#include "Files.h"
#include "Fpctl.h"
#include "ImportPlan.h"
#include "JsonInput.h"
#include "Output.h"
#include "Report.h"
#include "RuleSet.h"
#include "Text.h"

namespace {

struct TransferOptions {
    std::string file;
    bool replace = false;
    bool dryRun = false;
};

std::string ReadFileBytes(const std::string& file) {
    HANDLE handle = OpenToRead(Wide(file), 1);
    if (handle == INVALID_HANDLE_VALUE)
        throw UsageError("cannot open " + Shown(file) + " (" + SystemError(GetLastError()) + ")", "CreateFileW");
    return ReadAllAndClose(handle);
}

void WriteFileBytes(const std::string& file, const std::string& bytes) {
    HANDLE handle = CreateFileW(Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw LibraryFailure("cannot create " + Shown(file) + " (" + SystemError(GetLastError()) + ")", "CreateFileW");
    DWORD written = 0;
    const bool ok = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    const DWORD error = GetLastError();
    const bool closed = CloseHandle(handle);
    if (!ok || !closed)
        throw LibraryFailure("writing " + Shown(file) + " failed (" + SystemError(error) + ")", "WriteFile");
}

// Rows without a path (another program wrote them) cannot be written back
// through the store, so an export that held them would be refused by import.
template <typename Row>
size_t LeaveOutRowsWithoutPath(std::optional<std::vector<Row>>& rows) {
    const size_t before = rows->size();
    rows->erase(std::remove_if(rows->begin(), rows->end(), [](const Row& row) { return row.filepath.empty(); }),
                rows->end());
    return before - rows->size();
}

void Export(Context& context, const std::string& file) {
    RuleSet rules = ReadRuleSet(context);
    size_t leftOut = LeaveOutRowsWithoutPath(rules.protect) + LeaveOutRowsWithoutPath(rules.reject) +
                     LeaveOutRowsWithoutPath(rules.white) + LeaveOutRowsWithoutPath(rules.constWhite) +
                     LeaveOutRowsWithoutPath(rules.blocks);
    if (leftOut > 0)
        Warn(Count(leftOut, "row") + " without a path cannot be written back through the store; left out of " +
             Shown(file));
    WriteFileBytes(file, RuleSetText(rules) + "\n");
    Report(context, "exported " + Count(RowCount(rules), "row") + " to " + file,
           {{"file", file}, {"rows", RowCount(rules)}});
}

std::string TotalsText(const PlanTotals& totals) {
    std::string text = Count(totals.added, "row") + " added, " + std::to_string(totals.changed) + " changed, " +
                       std::to_string(totals.removed) + " removed, " + std::to_string(totals.unchanged) +
                       " unchanged";
    if (totals.kept > 0) text += ", " + std::to_string(totals.kept) + " kept that the store cannot remove";
    return text;
}

nlohmann::json TotalsJson(const PlanTotals& totals) {
    return {{"added", totals.added},
            {"changed", totals.changed},
            {"removed", totals.removed},
            {"unchanged", totals.unchanged},
            {"kept", totals.kept}};
}

void PrintPlan(const Context& context, const std::string& file, const ImportPlan& plan) {
    const PlanTotals totals = Totals(plan);
    if (context.json) {
        nlohmann::json document = TotalsJson(totals);
        document["file"] = file;
        document["dryRun"] = true;
        document["tables"] = PlanJson(plan);
        PrintJson(document);
        return;
    }
    Table table({"ACTION", "TABLE", "ROW"});
    for (const auto& line : PlanLines(plan)) table.Add(line);
    if (table.Size() > 0) table.Print();
    PrintLine("would import " + file + ": " + TotalsText(totals) + "; nothing was changed");
}

// The store has no transaction across calls: the tables the import touched
// are brought back to what they held, by the same means as the import.
std::string PutBack(Context& context, const RuleSet& before) {
    try {
        const RuleSet now = ReadTablesOf(context, before);
        CarryOut(context.Store(), PlanImport(context.Helper(), now, before, true));
        return "; the tables were put back as they were";
    } catch (const Failure& failure) {
        return std::string("; putting the tables back failed too: ") + failure.what();
    }
}

void Import(Context& context, const TransferOptions& options) {
    const RuleSet incoming = RuleSetFromJson(ParseStrict(ReadFileBytes(options.file), Shown(options.file)));
    RequireDistinctKeys(context.Helper(), incoming);
    if (options.replace && !options.dryRun)
        RequireConfirmation(context, "make the tables in " + Shown(options.file) +
                                         " hold exactly its rows, removing every other row of them");

    const RuleSet before = ReadTablesOf(context, incoming);
    const ImportPlan plan = PlanImport(context.Helper(), before, incoming, options.replace);
    if (options.dryRun) {
        PrintPlan(context, options.file, plan);
        return;
    }
    try {
        CarryOut(context.Store(), plan);
    } catch (const LibraryFailure& failure) {
        throw LibraryFailure(failure.what() + PutBack(context, before), failure.operation());
    }
    const PlanTotals totals = Totals(plan);
    if (totals.kept > 0) Warn(std::to_string(totals.kept) + " rows have no path, so the store cannot remove them");
    nlohmann::json document = TotalsJson(totals);
    document["file"] = options.file;
    document["replace"] = options.replace;
    Report(context, "imported " + options.file + ": " + TotalsText(totals), document);
}

}  // namespace

void AddTransferCommands(CLI::App& app, Context& context) {
    static TransferOptions options;
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
