// The rule tables as fpctl reads and writes them: one call of the store per
// table and action, a failure named after the store's operation, and the
// records' JSON form (their field names), written and read in one place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "interfaces/FileProtectExports.h"

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
// The same as one list: file and folder rows, then extension rows
// (bextention true, their text in filepath).
std::vector<ProtectFileItem> ReadProtectTable(IFileProtectCfgMgr* store);
std::vector<BlockCountItem> ReadBlocks(IFileProtectCfgMgr* store);

// A row of the config table.
struct ConfigRow {
    int32_t id = 0;
    std::wstring text;
};

// Items for paths given on the command line.
std::vector<ProtectFileItem> ItemsFor(const std::vector<std::wstring>& paths, bool isFile,
                                      const std::wstring& mountPoint);
// The mount point a path lies under (C:\ for C:\Data), or empty.
std::wstring MountPointOf(const std::wstring& path);

std::vector<std::wstring> WideAll(const std::vector<std::string>& utf8);

// Each record's fields in key order, named here once for both ways fpctl
// writes JSON (a document built in memory, and JsonWriter for many rows):
// out.Field(name, value) with a bool, an int32_t or a std::wstring.
template <typename Out>
void VisitFields(const ProtectFileItem& item, Out& out) {
    if (item.bextention) {  // an extension row is its text: the store lists nothing else of it
        out.Field("bextention", true);
        out.Field("filepath", item.filepath);
        return;
    }
    out.Field("bFile", item.bFile);
    out.Field("bextention", false);
    out.Field("filepath", item.filepath);
    out.Field("mountpoint", item.mountpoint);
}

template <typename Out>
void VisitFields(const BlockCountItem& item, Out& out) {
    out.Field("blockcount", item.blockcount);
    out.Field("filepath", item.filepath);
    out.Field("pathhash", item.pathhash);
}

template <typename Out>
void VisitFields(const ConfigRow& row, Out& out) {
    out.Field("config", row.text);
    out.Field("id", row.id);
}

// Fields into a JSON object in memory.
struct JsonFields {
    nlohmann::json& object;
    void Field(const char* name, bool value) { object[name] = value; }
    void Field(const char* name, int32_t value) { object[name] = value; }
    void Field(const char* name, const std::wstring& value);
};

template <typename Row>
nlohmann::json RowJson(const Row& row) {
    nlohmann::json object = nlohmann::json::object();
    JsonFields fields{object};
    VisitFields(row, fields);
    return object;
}

template <typename Row>
nlohmann::json JsonRows(const std::vector<Row>& rows) {
    nlohmann::json array = nlohmann::json::array();
    for (const Row& row : rows) array.push_back(RowJson(row));
    return array;
}

// The same back. place names the row in messages ("rejectlist row 3").
// Throw UsageError for a field that is missing, unknown, of the wrong type
// or out of the record's range.
enum class RowKind { kProtect, kPathList };
ProtectFileItem PathRowFromJson(const nlohmann::json& value, RowKind kind, const std::string& place);
BlockCountItem BlockRowFromJson(const nlohmann::json& value, const std::string& place);
ConfigRow ConfigRowFromJson(const nlohmann::json& value, const std::string& place);

// Each record as the cells of a text table, under these headers:
// out.Cell(text) with a std::string (UTF-8) or a std::wstring.
std::vector<std::string> Headers(const ProtectFileItem*);
std::vector<std::string> Headers(const BlockCountItem*);
std::vector<std::string> Headers(const ConfigRow*);

template <typename Out>
void VisitCells(const ProtectFileItem& item, Out& out) {
    out.Cell(std::string(item.bextention ? "extension" : item.bFile ? "file" : "folder"));
    out.Cell(item.bextention ? std::wstring() : item.mountpoint);
    out.Cell(item.filepath);
}

template <typename Out>
void VisitCells(const BlockCountItem& item, Out& out) {
    out.Cell(std::to_string(item.blockcount));
    out.Cell(std::to_string(item.pathhash));
    out.Cell(item.filepath);
}

template <typename Out>
void VisitCells(const ConfigRow& row, Out& out) {
    out.Cell(std::to_string(row.id));
    out.Cell(row.text);
}

// "a folder on C:\", "a file on D:\", "an extension": what a row is, for
// messages.
std::string Describe(const ProtectFileItem& item);

// An empty path is not a path (the store would key it 0): refused with
// UsageError before anything is written.
void RequirePaths(const std::vector<std::string>& paths);
