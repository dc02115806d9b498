// Checking that a key holds no other path's row before a write uses it.
#include "BoundStatement.h"
#include "FileProtectCfgMgr.h"
#include "Utf8Text.h"

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

// The hash upper-cases ASCII letters and nothing else, so two texts that
// differ only there are one path; any other difference is another path.
bool SamePath(const unsigned char* stored, int storedLength, const std::string& path) {
    if (storedLength < 0 || static_cast<size_t>(storedLength) != path.size()) return false;
    for (size_t i = 0; i < path.size(); ++i)
        if (UpperAscii(static_cast<char>(stored[i])) != UpperAscii(path[i])) return false;
    return true;
}

}  // namespace

const wchar_t* KeyLookupFormat(PathTable table) {
    switch (table) {
        case PathTable::kFileProtect:
            return L"SELECT filepath FROM fileprotect WHERE pathhash = %d";
        case PathTable::kRejectList:
            return L"SELECT filepath FROM rejectlist WHERE pathhash = %d";
        case PathTable::kWhiteList:
            return L"SELECT filepath FROM whitelist WHERE pathhash = %d";
        case PathTable::kConstWhiteList:
            return L"SELECT filepath FROM const_whitelist WHERE pathhash = %d";
        case PathTable::kBlockList:
            break;
    }
    return L"SELECT filepath FROM blocklist WHERE pathhash = %d";
}

int CFileProtectCfgMgr::CheckClaims(std::initializer_list<KeyClaim> claims,
                                    std::initializer_list<SqlValue> values) {
    for (const KeyClaim& claim : claims) {
        if (claim.path.empty()) return SQLITE_MISUSE;  // no rule is ever about no path
        sqlite3_stmt* lookup = nullptr;
        int rc = Prepare(KeyLookupFormat(claim.table), &lookup);
        if (rc != SQLITE_OK) return rc;
        BoundStatement bound(lookup, {claim.key});
        rc = bound.bindResult();
        if (rc == SQLITE_OK) rc = sqlite3_step(lookup);
        if (rc == SQLITE_DONE) continue;  // a free key
        if (rc != SQLITE_ROW) return rc;
        const unsigned char* stored = sqlite3_column_text(lookup, 0);
        // A row without a path text belongs to no other path.
        if (stored && !SamePath(stored, sqlite3_column_bytes(lookup, 0), ClaimUtf8(claim, values)))
            return SQLITE_CONSTRAINT_PRIMARYKEY;
    }
    return SQLITE_OK;
}

const std::string& CFileProtectCfgMgr::ClaimUtf8(const KeyClaim& claim,
                                                 std::initializer_list<SqlValue> values) {
    // Values are converted before the claims are checked (ExecFormatted).
    size_t index = 0;
    for (const SqlValue& value : values) {
        if (value.isText() && &value.text() == &claim.path) return valueUtf8_[index];
        ++index;
    }
    ToHelperUtf8(claim.path, &claimUtf8_);
    return claimUtf8_;
}
