#include "RowChanges.h"

#include <unordered_map>
#include <unordered_set>

#include "Report.h"
#include "Text.h"

namespace {

using RowsByKey = std::unordered_map<uint32_t, const ProtectFileItem*>;

RowsByKey ByKey(const std::vector<ProtectFileItem>& rows, IHlpFunc* helper) {
    RowsByKey byKey;
    for (const ProtectFileItem& row : rows) byKey.emplace(helper->GetPathHash(row.filepath), &row);
    return byKey;
}

const ProtectFileItem* Find(const RowsByKey& rows, uint32_t key) {
    auto found = rows.find(key);
    return found == rows.end() ? nullptr : found->second;
}

// An extension row is its text; a path row its text, kind and mount point.
bool StoredAsAsked(const ProtectFileItem& stored, const ProtectFileItem& asked) {
    if (stored.filepath != asked.filepath || stored.bextention != asked.bextention) return false;
    return asked.bextention || (stored.bFile == asked.bFile && stored.mountpoint == asked.mountpoint);
}

std::string Why(const ProtectFileItem* was, const ProtectFileItem& now) {
    if (was && was->bextention && !now.bextention) return "the extension rule " + Shown(was->filepath) + " became a path rule";
    if (was && !was->bextention && now.bextention) return "the path rule " + Shown(was->filepath) + " became an extension rule";
    if (was) return "the table held this path already, and the store keeps what a held row says";
    return "the store changed it";
}

}  // namespace

void ReportAdded(const Context& context, const std::string& table, const std::string& noun,
                 const std::vector<ProtectFileItem>& asked, const std::vector<ProtectFileItem>& before,
                 const std::vector<ProtectFileItem>& after, IHlpFunc* helper) {
    const RowsByKey was = ByKey(before, helper);
    const RowsByKey now = ByKey(after, helper);
    size_t added = 0;
    size_t stored = 0;
    nlohmann::json differ = nlohmann::json::array();
    std::vector<std::string> lines;
    for (const ProtectFileItem& item : asked) {
        const uint32_t key = helper->GetPathHash(item.filepath);
        const ProtectFileItem* old = Find(was, key);
        const ProtectFileItem* row = Find(now, key);
        if (!old && row) ++added;
        if (row && StoredAsAsked(*row, item)) {
            ++stored;
            continue;
        }
        const std::string note = row ? Why(old, *row) : "the table holds no row for it";
        differ.push_back({{"asked", RowJson(item)}, {"stored", row ? RowJson(*row) : nlohmann::json()}, {"note", note}});
        lines.push_back(Shown(item.filepath) + ": " +
                        (row ? "stored as " + Describe(*row) + " with the path " + Shown(row->filepath) : "not stored") +
                        ", not as " + Describe(item) + "; " + note);
    }
    if (context.json) {
        PrintJson({{"table", table}, {"added", added}, {"stored", stored}, {"differ", differ}});
        return;
    }
    std::string summary = table == "fileprotect" ? "protected " + Count(stored, noun)
                                                 : "added " + Count(stored, noun) + " to " + table;
    if (!lines.empty()) summary += "; " + Count(lines.size(), "row") + " stored otherwise than asked:";
    PrintLine(summary);
    for (const std::string& line : lines) PrintLine("  " + line);
}

size_t RowsNamed(const std::vector<ProtectFileItem>& rows, const std::vector<std::wstring>& paths, bool extensions,
                 IHlpFunc* helper) {
    std::unordered_set<uint32_t> keys;
    for (const std::wstring& path : paths) keys.insert(helper->GetPathHash(path));
    size_t count = 0;
    for (const ProtectFileItem& row : rows)
        if (row.bextention == extensions && keys.count(helper->GetPathHash(row.filepath))) ++count;
    return count;
}

void ReportRemoved(const Context& context, const std::string& table, size_t before, size_t after) {
    const size_t removed = before > after ? before - after : 0;
    Report(context, "removed " + Count(removed, "row") + " from " + table, {{"table", table}, {"removed", removed}});
}
