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
