// Small things the rule-table tests share.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

using Wides = std::vector<std::wstring>;
using Items = std::vector<ProtectFileItem>;
using Rows = std::vector<std::string>;

// The key a path's row carries in the tables: its hash as a signed number.
inline int32_t StoredKey(const std::wstring& path) {
    return static_cast<int32_t>(getHlpObj()->GetPathHash(path));
}

inline std::string KeyText(const std::wstring& path) { return std::to_string(StoredKey(path)); }

// A path whose statements cannot fit the store's statement limit.
inline std::wstring OverLongPath() { return L"C:\\Long\\" + std::wstring(1100, L'x'); }

// A path whose hash is 2^31 or more, so its key is stored negative.
inline std::wstring PathWithHighHash() {
    for (int i = 0;; ++i) {
        std::wstring path = L"C:\\High\\" + std::to_wstring(i) + L".txt";
        if (getHlpObj()->GetPathHash(path) >= 0x80000000u) return path;
    }
}

// A path that starts with `prefix` and has the hash of `target`: a forged
// collider, as anyone can make one. The checksum is affine in the bits of a
// text of fixed length, so flipping single bits of a suffix shows how each
// moves the hash, and the flips that move it onto the target's hash are one
// linear solve away. The suffix letters stay within '@'..'O', which neither
// upper-casing nor UTF-8 changes. Empty if no solution exists (it always
// does for a checksum of this kind).
inline std::wstring ForgedCollider(const std::wstring& target, const std::wstring& prefix) {
    IHlpFunc* helper = getHlpObj();
    const size_t kLetters = 12;  // 48 bits to choose for 32 to meet
    std::wstring base = prefix + std::wstring(kLetters, L'@');
    const uint32_t start = helper->GetPathHash(base);

    // basis[b]: a combination of flips (a bit set per flip) whose effect on
    // the hash has its highest set bit at b.
    struct Row {
        uint32_t effect = 0;
        uint64_t flips = 0;
    };
    Row basis[32];
    auto reduce = [&basis](Row row, bool insert) {
        for (int bit = 31; bit >= 0; --bit) {
            if (!(row.effect >> bit & 1)) continue;
            if (basis[bit].effect == 0) {
                if (insert) basis[bit] = row;
                return row;
            }
            row.effect ^= basis[bit].effect;
            row.flips ^= basis[bit].flips;
        }
        return row;
    };
    for (size_t flip = 0; flip < kLetters * 4; ++flip) {
        std::wstring probe = base;
        probe[prefix.size() + flip / 4] ^= static_cast<wchar_t>(1u << (flip % 4));
        reduce({helper->GetPathHash(probe) ^ start, uint64_t(1) << flip}, true);
    }
    Row solved = reduce({helper->GetPathHash(target) ^ start, 0}, false);
    if (solved.effect != 0) return std::wstring();
    for (size_t flip = 0; flip < kLetters * 4; ++flip)
        if (solved.flips >> flip & 1)
            base[prefix.size() + flip / 4] ^= static_cast<wchar_t>(1u << (flip % 4));
    return base;
}

inline bool Logged(const LogCapture& log, const std::string& needle) {
    for (const std::string& line : log.Lines())
        if (line.find(needle) != std::string::npos) return true;
    return false;
}

// While it lives, deleting the row of `path` from `table` fails with an
// error that is not a constraint violation (as a full disk or an I/O error
// would: SQLite's too-big code, 18), so tests can see how an operation
// treats a failing delete.
class RefusedDelete {
public:
    RefusedDelete(const std::string& table, const std::wstring& path) {
        db_.Exec("DROP TRIGGER IF EXISTS refused_delete");
        db_.Exec("CREATE TRIGGER refused_delete BEFORE DELETE ON " + table +
                 " WHEN old.pathhash = " + KeyText(path) +
                 " BEGIN SELECT zeroblob(2000000000); END");
    }
    ~RefusedDelete() { db_.Exec("DROP TRIGGER IF EXISTS refused_delete"); }
    RefusedDelete(const RefusedDelete&) = delete;
    RefusedDelete& operator=(const RefusedDelete&) = delete;

private:
    Db db_;
};

// The block count of the row whose text is exactly `path`, or -1.
inline int32_t CountOf(const std::wstring& path) {
    BlockCountItem item = Block(path, -1);
    return getFileProtectDbMgr()->GetBlockCount(item) ? item.blockcount : -1;
}

inline Wides PathsOf(const Items& items) {
    Wides paths;
    for (const ProtectFileItem& item : items) paths.push_back(item.filepath);
    return paths;
}

// The reject list or one of the two white lists, which behave alike; adding
// to and listing "fileprotect" adds and lists protected files and folders.
struct PathList {
    std::string table;
    bool Reject() const { return table == "rejectlist"; }
    bool Const() const { return table == "const_whitelist"; }
    bool Add(const Items& items) const {
        IFileProtectCfgMgr* s = getFileProtectDbMgr();
        if (table == "fileprotect") return s->AddProtectFile(items, false);
        return Reject() ? s->AddRejectList(items) : s->AddWhiteList(items, Const());
    }
    bool Get(Items& items) const {
        IFileProtectCfgMgr* s = getFileProtectDbMgr();
        Wides extensions;
        if (table == "fileprotect") return s->GetProtectFileList(items, extensions);
        return Reject() ? s->GetRejectList(items) : s->GetWhiteList(items, Const());
    }
    bool Delete(const Wides& paths) const {
        IFileProtectCfgMgr* s = getFileProtectDbMgr();
        return Reject() ? s->DeleteRejectList(paths) : s->DeleteWhiteList(paths, Const());
    }
    bool Clear() const {
        IFileProtectCfgMgr* s = getFileProtectDbMgr();
        return Reject() ? s->ClearRejectList() : s->ClearWhiteList(Const());
    }
    Wides Paths() const {
        Items items;
        EXPECT_TRUE(Get(items));
        return PathsOf(items);
    }
};

inline std::vector<PathList> AllPathLists() {
    return {{"rejectlist"}, {"whitelist"}, {"const_whitelist"}};
}

// The path texts of a table, in its own order.
inline Rows StoredPaths(const std::string& table) {
    return Db().Column("SELECT filepath FROM " + table);
}

// Files (items carry their path as the mount point too, so both are checked).
inline Items ItemsOf(const Wides& paths) {
    Items items;
    for (const std::wstring& path : paths) items.push_back(PathItem(path, path, true));
    return items;
}

// Every operation that writes or deletes rows by path, as a host calls it: a
// batch operation gets all paths in one call, a single-path one a call per
// path until the first that fails.
struct PathOperation {
    std::string name;
    std::string table;
    bool keepsEarlier;    // a failing path leaves the earlier paths' work done
    size_t textsPerPath;  // texts a write stores per path (the mount point too)
    std::function<bool(const Wides&)> run;
};

// A single-path operation called once per path until one fails.
template <typename One>
std::function<bool(const Wides&)> EachUntilFailure(One one) {
    return [one](const Wides& paths) {
        for (const std::wstring& path : paths)
            if (!one(path)) return false;
        return true;
    };
}

inline std::vector<PathOperation> PathWrites() {
    IFileProtectCfgMgr* s = getFileProtectDbMgr();
    using Path = const std::wstring&;
    std::vector<PathOperation> writes = {
        {"AddProtectFile", "fileprotect", true, 2,
         [s](const Wides& p) { return s->AddProtectFile(ItemsOf(p), false); }},
        {"AddProtectExtension", "fileprotect", true, 1,
         [s](const Wides& p) { return s->AddProtectExtension(p); }},
        {"AddBlockCountList", "blocklist", false, 1,
         [s](const Wides& p) {
             std::vector<BlockCountItem> blocks;
             for (const std::wstring& path : p) blocks.push_back(Block(path, 1));
             return s->AddBlockCountList(blocks);
         }},
        {"AddBlockCountItem", "blocklist", true, 1,
         EachUntilFailure([s](Path x) { return s->AddBlockCountItem(Block(x, 1)); })},
        {"AddBlockCount", "blocklist", true, 1,
         EachUntilFailure([s](Path x) { return s->AddBlockCount(x, 1); })},
        {"IncreaseBlockCount", "blocklist", true, 1,
         EachUntilFailure([s](Path x) { return s->IncreaseBlockCount(x); })},
    };
    for (const PathList& list : AllPathLists())
        writes.push_back({"Add " + list.table, list.table, false, 2,
                          [list](const Wides& p) { return list.Add(ItemsOf(p)); }});
    return writes;
}

inline std::vector<PathOperation> PathDeletes() {
    IFileProtectCfgMgr* s = getFileProtectDbMgr();
    using Path = const std::wstring&;
    std::vector<PathOperation> deletes = {
        {"DeleteProtectFile", "fileprotect", true, 0,
         [s](const Wides& p) { return s->DeleteProtectFile(p, false); }},
        {"DeleteBlockList", "blocklist", true, 0, [s](const Wides& p) { return s->DeleteBlockList(p); }},
        {"DeleteBlockListItems", "blocklist", false, 0,
         [s](const Wides& p) { return s->DeleteBlockListItems(p); }},
        {"DeleteBlockListItem", "blocklist", true, 0,
         EachUntilFailure([s](Path x) { return s->DeleteBlockListItem(x, true); })},
        {"DeleteBlockListItem in the caller's transaction", "blocklist", true, 0,
         EachUntilFailure([s](Path x) { return s->DeleteBlockListItem(x, false); })},
        // By the text of each path's key: the key itself, whoever's row it holds.
        {"DeleteBlockListByHash", "blocklist", true, 0,
         [s](const Wides& p) {
             std::vector<std::string> keys;
             for (const std::wstring& path : p) keys.push_back(KeyText(path));
             return s->DeleteBlockListByHash(keys);
         }},
    };
    for (const PathList& list : AllPathLists())
        deletes.push_back({"Delete " + list.table, list.table, true, 0,
                           [list](const Wides& p) { return list.Delete(p); }});
    return deletes;
}
