// Small things the rule-table tests share.
#pragma once

#include <string>

#include "TestSupport.h"

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

inline bool Logged(const LogCapture& log, const std::string& needle) {
    for (const std::string& line : log.Lines())
        if (line.find(needle) != std::string::npos) return true;
    return false;
}

// While it lives, deleting the row of `path` from `table` fails with an
// error that is not a constraint violation (as a full disk or an I/O error
// would), so tests can see how an operation treats a failing delete.
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

inline ProtectFileItem PathItem(const std::wstring& path, const std::wstring& mount, bool file) {
    ProtectFileItem item;
    item.filepath = path;
    item.mountpoint = mount;
    item.bFile = file;
    return item;
}
