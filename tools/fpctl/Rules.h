// The rule tables as fpctl reads and writes them: one call of the store per
// table and action, a failure named after the store's operation, and the
// records' JSON form (their field names).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "FileProtectExports.h"

// The three tables of path rows that share ProtectFileItem without a kind.
enum class PathList { kReject, kWhite, kConstWhite };

const char* TableName(PathList list);  // "rejectlist", "whitelist", "const_whitelist"

std::vector<ProtectFileItem> ReadPathList(IFileProtectCfgMgr* store, PathList list);
void AddToPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<ProtectFileItem>& items);
void DeleteFromPathList(IFileProtectCfgMgr* store, PathList list, const std::vector<std::wstring>& paths);
void ClearPathList(IFileProtectCfgMgr* store, PathList list);

struct ProtectRows {
    std::vector<ProtectFileItem> items;  // files and folders
    std::vector<std::wstring> extensions;
};
ProtectRows ReadProtectRows(IFileProtectCfgMgr* store);
std::vector<BlockCountItem> ReadBlocks(IFileProtectCfgMgr* store);

// Items for paths given on the command line.
std::vector<ProtectFileItem> ItemsFor(const std::vector<std::wstring>& paths, bool isFile,
                                      const std::wstring& mountPoint);
// The mount point a path lies under (C:\ for C:\Data), or empty.
std::wstring MountPointOf(const std::wstring& path);

std::vector<std::wstring> WideAll(const std::vector<std::string>& utf8);

nlohmann::json ItemJson(const ProtectFileItem& item);
// A JSON array of the rows, each turned into an object by toJson.
template <typename Row, typename ToJson>
nlohmann::json JsonRows(const std::vector<Row>& rows, ToJson toJson) {
    nlohmann::json array = nlohmann::json::array();
    for (const Row& row : rows) array.push_back(toJson(row));
    return array;
}
nlohmann::json BlockJson(const BlockCountItem& item);
// Throw UsageError when a field is missing or of the wrong type.
ProtectFileItem ItemFromJson(const nlohmann::json& value);
BlockCountItem BlockFromJson(const nlohmann::json& value);

// An empty path is not a path (the store would key it 0): refused with
// UsageError before anything is written.
void RequirePaths(const std::vector<std::string>& paths);
