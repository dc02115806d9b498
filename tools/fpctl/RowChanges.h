// What a command that adds or removes path rows did, read back from the
// table: the store may keep a row it already holds, change only its kind, or
// find nothing to remove, and fpctl says what is stored, not what it asked.
#pragma once

#include <string>
#include <vector>

#include "Fpctl.h"
#include "Rules.h"

// Reports the rows asked for as the table holds them after the add: a count
// of those stored as asked ("protected 2 folders") and a line for each that
// is stored otherwise. With --json: {"table", "added", "stored", "differ":
// [{"asked", "stored", "note"}]}.
void ReportAdded(const Context& context, const std::string& table, const std::string& noun,
                 const std::vector<ProtectFileItem>& asked, const std::vector<ProtectFileItem>& before,
                 const std::vector<ProtectFileItem>& after, IHlpFunc* helper);

// How many rows of kind (extension rows or not) the paths name in rows.
size_t RowsNamed(const std::vector<ProtectFileItem>& rows, const std::vector<std::wstring>& paths, bool extensions,
                 IHlpFunc* helper);

// "removed 2 rows from rejectlist" / {"table", "removed"}: the rows the table
// held before less those it holds after.
void ReportRemoved(const Context& context, const std::string& table, size_t before, size_t after);
