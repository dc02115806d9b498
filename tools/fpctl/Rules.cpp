#include "Rules.h"

#include <windows.h>

#include <climits>

#include "Fpctl.h"
#include "Text.h"

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
    const bool constList = list == PathList::kConstWhite;
    if (list == PathList::kReject)
        Require(store->GetRejectList(items), "GetRejectList");
    else
        Require(store->GetWhiteList(items, constList), "GetWhiteList", TableName(list));
    return items;
}

void AddToPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<ProtectFileItem>& items) {
    const bool constList = list == PathList::kConstWhite;
    // Both are all or nothing: a refused path leaves the table as it was.
    if (list == PathList::kReject)
        Require(store->AddRejectList(items), "AddRejectList", "nothing was added");
    else
        Require(store->AddWhiteList(items, constList), "AddWhiteList",
                std::string(TableName(list)) + ", nothing was added");
}

void DeleteFromPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<std::wstring>& paths) {
    if (list == PathList::kReject)
        Require(store->DeleteRejectList(paths), "DeleteRejectList");
    else
        Require(store->DeleteWhiteList(paths, list == PathList::kConstWhite), "DeleteWhiteList",
                TableName(list));
}

void ClearPathList(IFileProtectCfgMgr* store, PathList list) {
    if (list == PathList::kReject)
        Require(store->ClearRejectList(), "ClearRejectList");
    else
        Require(store->ClearWhiteList(list == PathList::kConstWhite), "ClearWhiteList", TableName(list));
}

ProtectRows ReadProtectRows(IFileProtectCfgMgr* store) {
    ProtectRows rows;
    Require(store->GetProtectFileList(rows.items, rows.extensions), "GetProtectFileList");
    return rows;
}

std::vector<ProtectFileItem> ReadProtectTable(IFileProtectCfgMgr* store) {
    ProtectRows rows = ReadProtectRows(store);
    rows.items.reserve(rows.items.size() + rows.extensions.size());
    for (std::wstring& text : rows.extensions) {
        ProtectFileItem extension;
        extension.filepath = std::move(text);
        extension.bextention = true;
        rows.items.push_back(std::move(extension));
    }
    return std::move(rows.items);
}

std::vector<BlockCountItem> ReadBlocks(IFileProtectCfgMgr* store) {
    std::vector<BlockCountItem> items;
    Require(store->GetBlockList(items), "GetBlockList");
    return items;
}

std::wstring MountPointOf(const std::wstring& path) {
    wchar_t mount[MAX_PATH] = {};
    if (path.empty() || !GetVolumePathNameW(path.c_str(), mount, MAX_PATH)) return std::wstring();
    return mount;
}

std::vector<ProtectFileItem> ItemsFor(const std::vector<std::wstring>& paths, bool isFile,
                                      const std::wstring& mountPoint) {
    std::vector<ProtectFileItem> items;
    for (const std::wstring& path : paths) {
        ProtectFileItem item;
        item.filepath = path;
        item.mountpoint = mountPoint.empty() ? MountPointOf(path) : mountPoint;
        item.bFile = isFile;
        items.push_back(item);
    }
    return items;
}

std::vector<std::wstring> WideAll(const std::vector<std::string>& utf8) {
    std::vector<std::wstring> wide;
    wide.reserve(utf8.size());
    for (const std::string& text : utf8) wide.push_back(Wide(text));
    return wide;
}

void JsonFields::Field(const char* name, const std::wstring& value) { object[name] = Utf8(value); }

namespace {

// Reads the fields of one row object, refusing what the record does not have.
class RowReader {
public:
    RowReader(const nlohmann::json& row, const std::string& place, std::initializer_list<const char*> fields)
        : row_(row), place_(place) {
        if (!row.is_object()) Refuse("is not a JSON object");
        for (const auto& field : row.items()) {
            bool known = false;
            std::string names;
            for (const char* name : fields) {
                known = known || field.key() == name;
                names += std::string(names.empty() ? "" : ", ") + name;
            }
            if (!known) Refuse("\"" + Shown(field.key()) + "\" is not a field of these rows (" + names + ")");
        }
    }

    const nlohmann::json* Find(const char* name, bool required) const {
        auto found = row_.find(name);
        if (found != row_.end()) return &*found;
        if (required) Refuse(std::string("has no \"") + name + "\"");
        return nullptr;
    }

    std::wstring Text(const char* name, bool required, bool nonEmpty) const {
        const nlohmann::json* value = Find(name, required);
        if (!value) return std::wstring();
        if (!value->is_string()) Refuse(std::string("\"") + name + "\" is not a text");
        const std::string& text = value->get_ref<const std::string&>();
        if (nonEmpty && text.empty()) Refuse(std::string("\"") + name + "\" is empty");
        if (text.find('\0') != std::string::npos) Refuse(std::string("\"") + name + "\" holds a NUL");
        return Wide(text);
    }

    bool Flag(const char* name) const {
        const nlohmann::json* value = Find(name, false);
        if (!value) return false;
        if (!value->is_boolean()) Refuse(std::string("\"") + name + "\" is not true or false");
        return value->get<bool>();
    }

    // The records hold 32-bit numbers: anything else would be stored wrapped.
    int32_t Int32(const char* name, bool required) const {
        const nlohmann::json* value = Find(name, required);
        if (!value) return 0;
        const std::string shown = "\"" + std::string(name) + "\" " + Shown(value->dump(), 40);
        if (!value->is_number()) Refuse(shown + " is not a number");
        if (!value->is_number_integer()) Refuse(shown + " is not a whole number");
        const bool inRange = value->is_number_unsigned() ? value->get<uint64_t>() <= INT32_MAX
                                                         : value->get<int64_t>() >= INT32_MIN &&
                                                               value->get<int64_t>() <= INT32_MAX;
        if (!inRange) Refuse(shown + " is outside the 32-bit range -2147483648 to 2147483647");
        return static_cast<int32_t>(value->get<int64_t>());
    }

    [[noreturn]] void Refuse(const std::string& why) const {
        throw UsageError(place_ + " " + why + ": " + Shown(row_.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)));
    }

private:
    const nlohmann::json& row_;
    const std::string& place_;
};

}  // namespace

ProtectFileItem PathRowFromJson(const nlohmann::json& value, RowKind kind, const std::string& place) {
    const RowReader row(value, place, {"filepath", "mountpoint", "bFile", "bextention"});
    ProtectFileItem item;
    item.filepath = row.Text("filepath", true, true);
    item.mountpoint = row.Text("mountpoint", false, false);
    item.bFile = row.Flag("bFile");
    item.bextention = row.Flag("bextention");
    if (item.bextention && kind != RowKind::kProtect) row.Refuse("is an extension row, which only fileprotect holds");
    if (item.bextention) {
        item.mountpoint.clear();  // the store gives every extension row its own
        item.bFile = false;
    }
    return item;
}

BlockCountItem BlockRowFromJson(const nlohmann::json& value, const std::string& place) {
    const RowReader row(value, place, {"pathhash", "filepath", "blockcount"});
    BlockCountItem item;
    item.filepath = row.Text("filepath", true, true);
    item.blockcount = row.Int32("blockcount", true);
    item.pathhash = row.Int32("pathhash", false);  // the store keys the row by its path
    return item;
}

ConfigRow ConfigRowFromJson(const nlohmann::json& value, const std::string& place) {
    const RowReader row(value, place, {"id", "config"});
    ConfigRow config;
    config.id = row.Int32("id", true);
    config.text = row.Text("config", true, false);
    return config;
}

std::vector<std::string> Headers(const ProtectFileItem*) { return {"KIND", "MOUNT POINT", "PATH"}; }

std::vector<std::string> Headers(const BlockCountItem*) { return {"COUNT", "KEY", "PATH"}; }

std::vector<std::string> Headers(const ConfigRow*) { return {"ID", "TEXT"}; }

std::string Describe(const ProtectFileItem& item) {
    if (item.bextention) return "an extension rule";
    return std::string(item.bFile ? "a file" : "a folder") + " on \"" + Shown(item.mountpoint) + "\"";
}

void RequirePaths(const std::vector<std::string>& paths) {
    for (const std::string& path : paths)
        if (path.empty()) throw UsageError("an empty path");
}
