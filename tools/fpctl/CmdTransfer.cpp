// fpctl export and import: every rule table and config row as one JSON file.
#include <CLI/CLI.hpp>

#include "Files.h"
#include "Fpctl.h"
#include "Report.h"
#include "RuleSet.h"
#include "Text.h"

namespace {

struct TransferOptions {
    std::string file;
    bool replace = false;
};

std::string ReadFileBytes(const std::string& file) {
    HANDLE handle = OpenToRead(Wide(file), 1);
    if (handle == INVALID_HANDLE_VALUE)
        throw UsageError("cannot open " + file + " (error " + std::to_string(GetLastError()) + ")");
    return ReadAllAndClose(handle);
}

void WriteFileBytes(const std::string& file, const std::string& bytes) {
    HANDLE handle = CreateFileW(Wide(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw LibraryFailure("cannot create " + file + " (error " + std::to_string(GetLastError()) + ")");
    DWORD written = 0;
    const bool ok = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    const bool closed = CloseHandle(handle);
    if (!ok || !closed) throw LibraryFailure("writing " + file + " failed");
}

void Export(Context& context, const std::string& file) {
    const RuleSet rules = ReadRuleSet(context);
    const nlohmann::json document = RuleSetJson(rules);
    WriteFileBytes(file, document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    Report(context, "exported " + Count(RowCount(rules), "row") + " to " + file,
           {{"file", file}, {"rows", RowCount(rules)}});
}

void Import(Context& context, const std::string& file, bool replace) {
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(ReadFileBytes(file));
    } catch (const nlohmann::json::parse_error& error) {
        throw UsageError(file + " is not JSON: " + error.what());
    }
    const RuleSet incoming = RuleSetFromJson(document);

    // The store has no transaction across tables: keep what the touched
    // tables hold now, and put it back if the store refuses a row.
    RuleSet before = ReadRuleSet(context);
    if (!incoming.protect) before.protect.reset();
    if (!incoming.reject) before.reject.reset();
    if (!incoming.white) before.white.reset();
    if (!incoming.constWhite) before.constWhite.reset();
    if (!incoming.blocks) before.blocks.reset();
    if (!incoming.config) before.config.reset();
    try {
        ApplyRuleSet(context, incoming, replace);
    } catch (const LibraryFailure& failure) {
        bool restored = true;
        try {
            ApplyRuleSet(context, before, true);
        } catch (const LibraryFailure&) {
            restored = false;
        }
        throw LibraryFailure(std::string(failure.what()) +
                             (restored ? "; the tables were put back as they were"
                                       : "; putting the tables back failed too"));
    }
    Report(context, std::string(replace ? "replaced the tables with " : "imported ") +
                        Count(RowCount(incoming), "row") + " from " + file,
           {{"file", file}, {"rows", RowCount(incoming)}, {"replace", replace}});
}

}  // namespace

void AddTransferCommands(CLI::App& app, Context& context) {
    static TransferOptions options;
    CLI::App* exportCommand = app.add_subcommand("export", "every rule table and config row, as JSON");
    exportCommand->add_option("FILE", options.file, "the JSON file to write")->required();
    exportCommand->callback([&context] { Export(context, options.file); });

    CLI::App* importCommand = app.add_subcommand("import", "the same back, each table in one call");
    importCommand->add_option("FILE", options.file, "a file written by export")->required();
    importCommand->add_flag("--replace", options.replace, "empty each table in the file first");
    importCommand->callback([&context] { Import(context, options.file, options.replace); });
}
