// Per-path block counts: the table blocklist.
#include <cstdint>

#include "store/FileProtectCfgMgr.h"
#include "store/Query.h"
#include "store/Transaction.h"
#include "store/Utf8Text.h"

namespace {

const char kBlockQuery[] = "SELECT pathhash, filepath, blockcount FROM blocklist";
const Statement kBlockRowByKey = {L"SELECT filepath, blockcount FROM blocklist WHERE pathhash = %d",
                                  RowGuard::kNone};
// One text, run two ways: by a path, only that path's row goes; by a hash
// text, the key's row goes, whoever's it is.
const wchar_t kDeleteByKeyText[] = L"DELETE FROM blocklist WHERE pathhash = %d";
const Statement kDeletePathRow = {kDeleteByKeyText, RowGuard::kDelete};
const Statement kDeleteByKey = {kDeleteByKeyText, RowGuard::kNone};
// A new path gets a row; a known one keeps the text of its first report.
const Statement kAddCount = {
    L"INSERT INTO blocklist (pathhash, filepath, blockcount) VALUES(%d, '%s',%d) ON "
    L"CONFLICT(pathhash) DO UPDATE SET blockcount = blockcount + %d",
    RowGuard::kUpsert};
const Statement kAddOne = {
    L"INSERT INTO blocklist (pathhash, filepath, blockcount) VALUES(%d, '%s',1) ON "
    L"CONFLICT(pathhash) DO UPDATE SET blockcount = blockcount + 1",
    RowGuard::kUpsert};

// Sums are stored as 64-bit integers and may have left the 32-bit range of
// the record; they read back as the nearest value it can hold.
int32_t Saturated(int64_t sum) {
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr int64_t kUnsignedLimit = int64_t(1) << 32;

// Reads a path-hash text, as callers pass back what GetBlockList reported,
// like atoi: leading white space, an optional sign, then digits up to the
// first other character; a text without digits reads as 0. A number in the
// signed 32-bit range is the key itself. One from 2^31 to 2^32 - 1 is the
// same hash written unsigned, as GetPathHash returns it, and gives the same
// key. Anything further out names no row that can exist: false.
bool ReadHashText(const std::string& text, int32_t* key) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';

    // Accumulate no further than just past the 32-bit range, so the value
    // can never overflow however many digits follow.
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        if (magnitude <= kUnsignedLimit) magnitude = magnitude * 10 + (text[at] - '0');

    int64_t value = negative ? -magnitude : magnitude;
    if (value >= INT32_MIN && value <= INT32_MAX) {
        *key = static_cast<int32_t>(value);
        return true;
    }
    if (value > INT32_MAX && value < kUnsignedLimit) {
        *key = static_cast<int32_t>(static_cast<uint32_t>(value));
        return true;
    }
    return false;
}

// Reads the current row. False for a row without a path, which the scans
// pass over.
bool ReadBlockRow(const Query& query, BlockCountItem* item) {
    if (!query.Text(1, &item->filepath)) return false;
    item->pathhash = query.Int(0);
    item->blockcount = Saturated(query.Int64(2));
    return true;
}

}  // namespace

bool CFileProtectCfgMgr::GetBlockCount(BlockCountItem& item) {
    MutexLock lock(&mutex_);
    Transaction transaction(db_, Transaction::kRead);
    if (!transaction.begun()) return false;
    // The stored text must match exactly, letter case included; the hash
    // alone would also match other spellings of the path. Every row the
    // store writes lies under the hash of its own text, so the exact text
    // can only be under the argument's hash: one indexed look-up finds it.
    // A row that another program put under some other key is still found
    // by the scan of every row, which a miss falls back to.
    int32_t count = 0;
    bool found = FindBlockCountByKey(item.filepath, &count);
    if (!found) {
        Query query(db_, kBlockQuery);
        if (!query.prepared()) {
            query.LogPrepareFailure();
            return false;
        }
        BlockCountItem row;
        while (!found && query.Step())
            if (ReadBlockRow(query, &row) && row.filepath == item.filepath) {
                count = row.blockcount;
                found = true;
            }
    }
    transaction.Commit();  // a read keeps what it read
    if (found) item.blockcount = count;
    return found;
}

bool CFileProtectCfgMgr::FindBlockCountByKey(const std::wstring& path, int32_t* count) {
    mutex_.AssertHeld();
    sqlite3_stmt* lookup = nullptr;
    if (Prepare(kBlockRowByKey, &lookup) != SQLITE_OK) return false;
    BoundStatement bound(lookup, {PathKey(path)});
    if (bound.bindResult() != SQLITE_OK || sqlite3_step(lookup) != SQLITE_ROW) return false;
    const unsigned char* stored = sqlite3_column_text(lookup, 0);
    if (!stored) return false;
    std::wstring storedPath;
    FromHelperUtf8(reinterpret_cast<const char*>(stored), &storedPath);
    if (storedPath != path) return false;
    *count = Saturated(sqlite3_column_int64(lookup, 1));
    return true;
}

bool CFileProtectCfgMgr::GetBlockList(std::vector<BlockCountItem>& items) {
    MutexLock lock(&mutex_);
    return RunRead(db_, kBlockQuery, [&](Query& query) {
        // Read in place: each row's text is allocated once.
        while (query.Step()) {
            items.emplace_back();
            if (!ReadBlockRow(query, &items.back())) items.pop_back();
        }
    });
}

bool CFileProtectCfgMgr::AddBlockCountList(const std::vector<BlockCountItem>& items) {
    MutexLock lock(&mutex_);
    return AddBlockCountListLocked(items);
}

bool CFileProtectCfgMgr::AddBlockCountListLocked(const std::vector<BlockCountItem>& items) {
    mutex_.AssertHeld();
    return RunAllOrNothing(db_, items, [&](const BlockCountItem& item) {
        return AddBlockCountLocked(item.filepath, item.blockcount);
    });
}

bool CFileProtectCfgMgr::AddBlockCountItem(const BlockCountItem& item) {
    MutexLock lock(&mutex_);
    return AddBlockCountListLocked(std::vector<BlockCountItem>{item});
}

bool CFileProtectCfgMgr::DeleteBlockListItem(const std::wstring& path, bool ownTransaction) {
    MutexLock lock(&mutex_);
    return DeleteBlockListItemLocked(path, ownTransaction);
}

bool CFileProtectCfgMgr::DeleteBlockListItemLocked(const std::wstring& path, bool ownTransaction) {
    mutex_.AssertHeld();
    const int32_t key = PathKey(path);
    auto deleteRow = [&] {
        return ExecFormatted(kDeletePathRow, {key}, {{PathTable::kBlockList, key, path}});
    };
    // Without its own transaction the deletion belongs to the caller's.
    return ownTransaction ? RunOneInTransaction(db_, deleteRow) : deleteRow();
}

bool CFileProtectCfgMgr::DeleteBlockListItems(const std::vector<std::wstring>& paths) {
    MutexLock lock(&mutex_);
    return RunAllOrNothing(db_, paths, [&](const std::wstring& path) {
        return DeleteBlockListItemLocked(path, false);
    });
}

bool CFileProtectCfgMgr::DeleteBlockListByHash(const std::vector<std::string>& hashes) {
    MutexLock lock(&mutex_);
    return RunKeepWhatWasDone(db_, hashes, [&](const std::string& text) {
        int32_t key = 0;
        if (!ReadHashText(text, &key)) return true;  // no stored row has such a key
        return ExecFormatted(kDeleteByKey, {key});
    });
}

bool CFileProtectCfgMgr::DeleteBlockList(const std::vector<std::wstring>& paths) {
    MutexLock lock(&mutex_);
    return RunKeepWhatWasDone(db_, paths, [&](const std::wstring& path) {
        const int32_t key = PathKey(path);
        return ExecFormatted(kDeletePathRow, {key}, {{PathTable::kBlockList, key, path}});
    });
}

bool CFileProtectCfgMgr::ClearBlockList() {
    MutexLock lock(&mutex_);
    return ExecSql(db_, L"DELETE FROM blocklist");
}

bool CFileProtectCfgMgr::AddBlockCount(const std::wstring& path, int32_t count) {
    MutexLock lock(&mutex_);
    return AddBlockCountLocked(path, count);
}

bool CFileProtectCfgMgr::AddBlockCountLocked(const std::wstring& path, int32_t count) {
    mutex_.AssertHeld();
    const int32_t key = PathKey(path);
    return ExecFormatted(kAddCount, {key, path, count, count}, {{PathTable::kBlockList, key, path}});
}

bool CFileProtectCfgMgr::IncreaseBlockCount(const std::wstring& path) {
    MutexLock lock(&mutex_);
    const int32_t key = PathKey(path);
    return ExecFormatted(kAddOne, {key, path}, {{PathTable::kBlockList, key, path}});
}
