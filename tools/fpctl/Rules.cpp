#include "Rules.h"

#include <windows.h>

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

nlohmann::json ItemJson(const ProtectFileItem& item) {
    return {{"filepath", Utf8(item.filepath)},
            {"mountpoint", Utf8(item.mountpoint)},
            {"bFile", item.bFile},
            {"bextention", item.bextention}};
}

nlohmann::json BlockJson(const BlockCountItem& item) {
    return {{"pathhash", item.pathhash}, {"filepath", Utf8(item.filepath)}, {"blockcount", item.blockcount}};
}

namespace {

template <typename T>
T Field(const nlohmann::json& value, const char* name, const T& fallback, bool required) {
    if (!value.is_object()) throw UsageError("a row is not a JSON object: " + value.dump());
    auto found = value.find(name);
    if (found == value.end()) {
        if (required) throw UsageError(std::string("a row has no \"") + name + "\": " + value.dump());
        return fallback;
    }
    try {
        return found->get<T>();
    } catch (const nlohmann::json::exception&) {
        throw UsageError(std::string("\"") + name + "\" has the wrong type: " + value.dump());
    }
}

}  // namespace

ProtectFileItem ItemFromJson(const nlohmann::json& value) {
    ProtectFileItem item;
    item.filepath = Wide(Field<std::string>(value, "filepath", "", true));
    item.mountpoint = Wide(Field<std::string>(value, "mountpoint", "", false));
    item.bFile = Field<bool>(value, "bFile", false, false);
    item.bextention = Field<bool>(value, "bextention", false, false);
    return item;
}

BlockCountItem BlockFromJson(const nlohmann::json& value) {
    BlockCountItem item;
    item.filepath = Wide(Field<std::string>(value, "filepath", "", true));
    item.blockcount = Field<int32_t>(value, "blockcount", 0, true);
    item.pathhash = Field<int32_t>(value, "pathhash", 0, false);
    return item;
}
