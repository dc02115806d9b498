// The tables whose rows are keyed by the path hash, and how the store looks
// up the row that a key holds.
#pragma once

enum class PathTable { kFileProtect, kRejectList, kWhiteList, kConstWhiteList, kBlockList };

// "SELECT filepath FROM <table> WHERE pathhash = %d": one indexed look-up.
const wchar_t* KeyLookupFormat(PathTable table);

// The white lists by their selector: true names const_whitelist.
inline PathTable WhiteListTable(bool constList) {
    return constList ? PathTable::kConstWhiteList : PathTable::kWhiteList;
}
