// The rule tables as fpctl reads and writes them, and their records as JSON.
#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "Output.h"

using fileprotect::Utf8;
using fileprotect::Wide;

const char* TableName(PathList list) {
    switch (list) {
        case PathList::kReject: return "rejectlist";
        case PathList::kWhite: return "whitelist";
        case PathList::kConstWhite: return "const_whitelist";
    }
    return "";
}

std::vector<ProtectFileItem> ReadPathList(IFileProtectCfgMgr* store, PathList list) {
    std::vector<ProtectFileItem> items;
    if (list == PathList::kReject)
        Require(store->GetRejectList(items), "GetRejectList");
    else
        Require(store->GetWhiteList(items, list == PathList::kConstWhite), "GetWhiteList", TableName(list));
    return items;
}

void AddToPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<ProtectFileItem>& items) {
    // Both are all or nothing: a refused path leaves the table as it was.
    if (list == PathList::kReject)
        Require(store->AddRejectList(items), "AddRejectList", "nothing was added");
    else
        Require(store->AddWhiteList(items, list == PathList::kConstWhite), "AddWhiteList",
                std::string(TableName(list)) + ", nothing was added");
}

void DeleteFromPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<std::wstring>& paths) {
    if (list == PathList::kReject)
        Require(store->DeleteRejectList(paths), "DeleteRejectList");
    else
        Require(store->DeleteWhiteList(paths, list == PathList::kConstWhite), "DeleteWhiteList", TableName(list));
}

std::vector<ProtectFileItem> ReadProtectTable(IFileProtectCfgMgr* store) {
    std::vector<ProtectFileItem> rows;
    std::vector<std::wstring> extensions;
    Require(store->GetProtectFileList(rows, extensions), "GetProtectFileList");
    rows.reserve(rows.size() + extensions.size());
    for (std::wstring& text : extensions) {
        rows.emplace_back();
        rows.back().filepath = std::move(text);
        rows.back().bextention = true;
    }
    return rows;
}

std::vector<BlockCountItem> ReadBlocks(IFileProtectCfgMgr* store) {
    std::vector<BlockCountItem> items;
    Require(store->GetBlockList(items), "GetBlockList");
    return items;
}

ConfigIdList ConfigIds(Context& context) {
    context.Store();  // the store creates the file and its tables
    const std::string path = Utf8(context.Get(&fileprotect::Library::RuleDatabasePath));
    sqlite3* opened = nullptr;  // given even when the open fails, and closed then too
    const int status = sqlite3_open_v2(path.c_str(), &opened, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, decltype(&sqlite3_close)> database(opened, sqlite3_close);
    sqlite3_stmt* prepared = nullptr;
    if (status != SQLITE_OK || sqlite3_busy_timeout(opened, 10000) != SQLITE_OK ||
        sqlite3_prepare_v2(opened, "SELECT id FROM config ORDER BY id", -1, &prepared, nullptr) != SQLITE_OK)
        throw LibraryFailure("listing the config ids of " + path + " failed", "sqlite3_prepare_v2");
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(prepared, sqlite3_finalize);
    ConfigIdList list;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(prepared)) == SQLITE_ROW) {
        // The column holds 64-bit row ids; cutting one to 32 bits would name another row.
        const sqlite3_int64 id = sqlite3_column_int64(prepared, 0);
        if (id >= INT32_MIN && id <= INT32_MAX)
            list.ids.push_back(static_cast<int32_t>(id));
        else
            list.unreachable.push_back(id);
    }
    if (step != SQLITE_DONE) throw LibraryFailure("listing the config ids of " + path + " failed", "sqlite3_step");
    return list;
}

std::vector<ConfigRow> ReadConfigRows(Context& context) {
    const ConfigIdList list = ConfigIds(context);
    if (!list.unreachable.empty()) {
        std::string ids;
        for (int64_t id : list.unreachable) ids += (ids.empty() ? "" : ", ") + std::to_string(id);
        Warn("config rows whose ids lie outside the 32-bit range cannot be read, changed or deleted through "
             "the store; left as they are: " + ids);
    }
    std::vector<ConfigRow> rows;
    IFileProtectCfgMgr* store = context.Store();
    for (int32_t id : list.ids) rows.push_back({id, store->GetConfig(id)});
    return rows;
}

std::vector<ProtectFileItem> ItemsFor(const std::vector<std::wstring>& paths, bool isFile,
                                      const std::wstring& mountPoint) {
    std::vector<ProtectFileItem> items;
    for (const std::wstring& path : paths) {
        ProtectFileItem item;
        item.filepath = path;
        item.mountpoint = mountPoint;
        wchar_t mount[MAX_PATH] = {};
        if (mountPoint.empty() && !path.empty() && GetVolumePathNameW(path.c_str(), mount, MAX_PATH))
            item.mountpoint = mount;
        item.bFile = isFile;
        items.push_back(item);
    }
    return items;
}

std::vector<std::wstring> NonEmpty(const std::vector<std::string>& texts, const std::string& noun) {
    std::vector<std::wstring> wide;
    for (const std::string& text : texts) {
        if (text.empty()) throw UsageError("an empty " + noun);
        wide.push_back(Wide(text));
    }
    return wide;
}

std::string Describe(const ProtectFileItem& item) {
    if (item.bextention) return "an extension rule";
    return std::string(item.bFile ? "a file" : "a folder") + " on \"" + Shown(item.mountpoint) + "\"";
}

namespace {

// What a field of a record holds.
enum class Holds { kText, kPath, kFlag, kInt32 };
struct FieldRule {
    const char* name;
    Holds holds;
    bool required;
};

// Refuses, quoting the row, one that is not an object, has a field the record
// lacks or lacks one it needs, or holds a value of the wrong type. A number
// must fit the record's 32 bits: anything else would be stored wrapped. A
// path is a text neither empty nor holding a NUL.
void CheckRow(const Json& row, std::initializer_list<FieldRule> fields) {
    const auto refuse = [&row](const std::string& why) {
        throw UsageError(why + ": " + Shown(OneLine(row)));
    };
    if (!row.is_object()) refuse("is not a JSON object");
    std::string names;
    for (const FieldRule& field : fields) names += std::string(names.empty() ? "" : ", ") + field.name;
    for (const auto& field : row.items())
        if (std::none_of(fields.begin(), fields.end(), [&field](const FieldRule& rule) { return field.key() == rule.name; }))
            refuse("\"" + Shown(field.key()) + "\" is not a field of these rows (" + names + ")");
    for (const FieldRule& field : fields) {
        const auto value = row.find(field.name);
        const std::string name = std::string("\"") + field.name + "\"";
        if (value == row.end()) {
            if (field.required) refuse("has no " + name);
            continue;
        }
        if (field.holds == Holds::kFlag && !value->is_boolean()) refuse(name + " is not true or false");
        if (field.holds == Holds::kText || field.holds == Holds::kPath) {
            if (!value->is_string()) refuse(name + " is not a text");
            if (field.holds == Holds::kPath && *value == "") refuse(name + " is empty");
            if (value->get_ref<const std::string&>().find('\0') != std::string::npos) refuse(name + " holds a NUL");
        }
        if (field.holds != Holds::kInt32) continue;
        const std::string shown = name + " " + Shown(value->dump(), 40);
        if (!value->is_number()) refuse(shown + " is not a number");
        if (!value->is_number_integer()) refuse(shown + " is not a whole number");
        const bool inRange = value->is_number_unsigned()
                                 ? value->get<uint64_t>() <= INT32_MAX
                                 : value->get<int64_t>() >= INT32_MIN && value->get<int64_t>() <= INT32_MAX;
        if (!inRange) refuse(shown + " is outside the 32-bit range -2147483648 to 2147483647");
    }
}

}  // namespace

void to_json(Json& row, const ProtectFileItem& item) {
    row = Json::object();
    if (!item.bextention) row["bFile"] = item.bFile;
    row["bextention"] = item.bextention;
    row["filepath"] = Utf8(item.filepath);
    if (!item.bextention) row["mountpoint"] = Utf8(item.mountpoint);
}

void from_json(const Json& row, ProtectFileItem& item) {
    CheckRow(row, {{"filepath", Holds::kPath, true},
                   {"mountpoint", Holds::kText, false},
                   {"bFile", Holds::kFlag, false},
                   {"bextention", Holds::kFlag, false}});
    item.filepath = Wide(row.at("filepath").get<std::string>());
    item.bextention = row.value("bextention", false);
    // The store gives every extension row its own mount point and kind.
    item.mountpoint = item.bextention ? std::wstring() : Wide(row.value("mountpoint", std::string()));
    item.bFile = !item.bextention && row.value("bFile", false);
}

void to_json(Json& row, const BlockCountItem& item) {
    row = {{"blockcount", item.blockcount}, {"filepath", Utf8(item.filepath)}, {"pathhash", item.pathhash}};
}

void from_json(const Json& row, BlockCountItem& item) {
    CheckRow(row, {{"filepath", Holds::kPath, true},
                   {"blockcount", Holds::kInt32, true},
                   {"pathhash", Holds::kInt32, false}});  // the store keys the row by its path
    item.filepath = Wide(row.at("filepath").get<std::string>());
    item.blockcount = row.at("blockcount").get<int32_t>();
    item.pathhash = row.value("pathhash", 0);
}

void to_json(Json& row, const ConfigRow& config) { row = {{"config", Utf8(config.text)}, {"id", config.id}}; }

void from_json(const Json& row, ConfigRow& config) {
    CheckRow(row, {{"id", Holds::kInt32, true}, {"config", Holds::kText, true}});
    config.id = row.at("id").get<int32_t>();
    config.text = Wide(row.at("config").get<std::string>());
}
