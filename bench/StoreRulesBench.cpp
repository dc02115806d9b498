// Block counts and list reads of the rule store, against raw SQLite doing the
// same work: one prepared statement, bound values. Writes and look-ups run in
// a database of their own with the same schema and pragmas; list reads read
// the store's own file (see StoreFileReader). The ratios are what the store's
// per-call and per-row work (lock, hash, parse, text conversion) costs on top
// of SQLite itself.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <string>
#include <utility>
#include <vector>

#include "bench/Ratios.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kRows = 10000;
const wchar_t kHotPath[] = L"C:\\Bench\\Hot\\Blocked document.docx";

std::wstring RowPath(int i) {
    return L"C:\\Bench\\Folder" + std::to_wstring(i % 97) + L"\\document " + std::to_wstring(i) +
           L".docx";
}

// The same rows with letters beyond ASCII in every path, which no text
// conversion can take as bytes unit for unit.
std::wstring WideRowPath(int i) {
    return L"C:\\Donn\u00e9es\\Dossier " + std::to_wstring(i % 97) + L"\\\u6587\u6863 " +
           std::to_wstring(i) + L" \u00e9t\u00e9.docx";
}

int32_t Key(const std::wstring& path) {
    return static_cast<int32_t>(getHlpObj()->GetPathHash(path));
}

// A database beside the store's, set up the way the store sets up its own.
class RawDatabase {
public:
    RawDatabase() {
        std::wstring file = MakeTempFolder(L"bench-rules") + L"\\raw.db";
        sqlite3_open_v2(Utf8(file).c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr);
        Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=50;"
             "create table if not exists 'blocklist' (pathhash INT PRIMARY KEY, filepath TEXT, "
             "blockcount INT);"
             "create table if not exists 'rejectlist' (pathhash INT PRIMARY KEY, filepath TEXT, "
             "mountpoint TEXT, bFile INT)");
    }
    ~RawDatabase() { sqlite3_close(db_); }
    RawDatabase(const RawDatabase&) = delete;
    RawDatabase& operator=(const RawDatabase&) = delete;

    sqlite3* handle() const { return db_; }
    bool Exec(const char* sql) const {
        return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3* db_ = nullptr;
};

// The rows the store's list benchmarks hold, written raw: keys, texts and
// counts as the store writes them.
// insertSql takes the key as ?1, the path as ?2 and, when it has a third
// parameter, the row's number as ?3.
void FillRaw(const RawDatabase& raw, const char* insertSql, int count) {
    raw.Exec("BEGIN");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(raw.handle(), insertSql, -1, &insert, nullptr);
    const bool numbered = sqlite3_bind_parameter_count(insert) >= 3;
    for (int i = 0; i < count; ++i) {
        std::string path = Utf8(RowPath(i));
        sqlite3_bind_int(insert, 1, Key(RowPath(i)));
        sqlite3_bind_text(insert, 2, path.c_str(), -1, SQLITE_TRANSIENT);
        if (numbered) sqlite3_bind_int(insert, 3, i);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    raw.Exec("COMMIT");
}

void FillRawBlockList(const RawDatabase& raw, int count) {
    FillRaw(raw, "INSERT INTO blocklist VALUES (?1, ?2, ?3)", count);
}

// A text column as the wide text a user of SQLite would make of it.
std::wstring Text16(sqlite3_stmt* query, int column) {
    const void* text = sqlite3_column_text16(query, column);
    if (!text) return std::wstring();
    return std::wstring(static_cast<const wchar_t*>(text),
                        static_cast<size_t>(sqlite3_column_bytes16(query, column)) / 2);
}

const char kRawBlockQuery[] = "SELECT pathhash, filepath, blockcount FROM blocklist";
const char kRawRejectQuery[] = "SELECT pathhash, filepath, mountpoint, bFile FROM rejectlist";

const char* Utf8Column(sqlite3_stmt* query, int column) {
    return reinterpret_cast<const char*>(sqlite3_column_text(query, column));
}

// The list benchmarks' rows, written through the store.
bool FillStoreBlockList(IFileProtectCfgMgr* store, int count) {
    std::vector<BlockCountItem> rows(count);
    for (int i = 0; i < count; ++i) {
        rows[i].filepath = RowPath(i);
        rows[i].blockcount = i;
    }
    return store->AddBlockCountList(rows);
}

// Files on drive C:, as the reject and white lists and the protected files hold them.
template <std::wstring (*Path)(int)>
std::vector<ProtectFileItem> PathRows(int count) {
    std::vector<ProtectFileItem> rows(count);
    for (int i = 0; i < count; ++i) {
        rows[i].filepath = Path(i);
        rows[i].mountpoint = L"C:\\";
        rows[i].bFile = true;
    }
    return rows;
}

template <std::wstring (*Path)(int)>
bool FillStoreRejectList(IFileProtectCfgMgr* store, int count) {
    return store->AddRejectList(PathRows<Path>(count));
}

bool FillStoreWhiteList(IFileProtectCfgMgr* store, int count) {
    return store->AddWhiteList(PathRows<RowPath>(count), false);
}

bool FillStoreProtectFiles(IFileProtectCfgMgr* store, int count) {
    return store->AddProtectFile(PathRows<RowPath>(count), false);
}

// The raw reads run on the store's own database file, filled through the
// store exactly as its list benchmarks fill it, over a connection of their
// own: the same file, pages and rows, so the ratio is the store's per-row
// work alone. (The same rows in a fresh file of their own read markedly
// faster than in the machine's long-used database, whoever reads them.)
class StoreFileReader {
public:
    explicit StoreFileReader(bool (*fill)(IFileProtectCfgMgr*, int), int count)
        : store_(FreshStore()), filled_(fill(store_, count)) {
        sqlite3_open_v2(Utf8(fileprotect::RuleDatabasePath(getHlpObj())).c_str(), &db_, SQLITE_OPEN_READWRITE,
                        nullptr);
    }
    ~StoreFileReader() {
        sqlite3_close(db_);
        FreshStore();
    }
    StoreFileReader(const StoreFileReader&) = delete;
    StoreFileReader& operator=(const StoreFileReader&) = delete;

    bool filled() const { return filled_; }
    sqlite3* handle() const { return db_; }

private:
    IFileProtectCfgMgr* store_;
    bool filled_;
    sqlite3* db_ = nullptr;
};

// Times one raw read of every row per iteration, the way a user of SQLite
// would write it: a read transaction, one prepared query, each row appended
// as the record readRow makes of it; on the store's file, filled by fill.
template <typename Record, typename ReadRow>
void TimeRawRead(benchmark::State& state, bool (*fill)(IFileProtectCfgMgr*, int), const char* sql,
                 ReadRow readRow) {
    const int count = static_cast<int>(state.range(0));
    StoreFileReader raw(fill, count);
    if (!raw.filled()) state.SkipWithError("filling the table failed");
    sqlite3* db = raw.handle();
    for (auto _ : state) {
        std::vector<Record> items;
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt* query = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &query, nullptr);
        while (sqlite3_step(query) == SQLITE_ROW) items.push_back(readRow(query));
        sqlite3_finalize(query);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        if (static_cast<int>(items.size()) != count) state.SkipWithError("read the wrong rows");
        benchmark::DoNotOptimize(items.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// A row of the reject or white list as the record the store returns.
ProtectFileItem PathRecord(sqlite3_stmt* query) {
    ProtectFileItem item;
    item.filepath = Text16(query, 1);
    item.mountpoint = Text16(query, 2);
    item.bFile = sqlite3_column_int(query, 3) != 0;
    return item;
}

// Times one listing by the store per iteration, of `count` rows that fill
// wrote through it; list(store) lists them and answers how many it listed
// (-1 on failure).
template <typename List>
void TimeStoreList(benchmark::State& state, bool (*fill)(IFileProtectCfgMgr*, int), List list) {
    const int count = static_cast<int>(state.range(0));
    IFileProtectCfgMgr* store = FreshStore();
    if (!fill(store, count)) state.SkipWithError("filling the table failed");
    for (auto _ : state)
        if (list(store) != count) state.SkipWithError("the store listed the wrong rows");
    state.SetItemsProcessed(state.iterations() * count);
    FreshStore();
}

// The size of a list the store filled, after keeping the compiler from
// dropping the work that filled it; -1 when the store reported failure.
template <typename List>
int Listed(bool succeeded, const List& list) {
    benchmark::DoNotOptimize(list.data());
    return succeeded ? static_cast<int>(list.size()) : -1;
}

void BM_StoreAddBlockCountHot(benchmark::State& state) {
    IFileProtectCfgMgr* store = FreshStore();
    const std::wstring path = kHotPath;
    for (auto _ : state)
        if (!store->AddBlockCount(path, 1)) state.SkipWithError("AddBlockCount failed");
    state.SetItemsProcessed(state.iterations());
    store->ClearBlockList();
}
BENCHMARK(BM_StoreAddBlockCountHot)->Unit(benchmark::kMicrosecond);

void BM_RawUpsertBlockCountHot(benchmark::State& state) {
    RawDatabase raw;
    const std::string path = Utf8(kHotPath);
    const int32_t key = Key(kHotPath);
    sqlite3_stmt* upsert = nullptr;
    sqlite3_prepare_v2(raw.handle(),
                       "INSERT INTO blocklist (pathhash, filepath, blockcount) VALUES(?1, ?2, ?3) "
                       "ON CONFLICT(pathhash) DO UPDATE SET blockcount = blockcount + ?3",
                       -1, &upsert, nullptr);
    for (auto _ : state) {
        sqlite3_bind_int(upsert, 1, key);
        sqlite3_bind_text(upsert, 2, path.c_str(), static_cast<int>(path.size()), SQLITE_STATIC);
        sqlite3_bind_int(upsert, 3, 1);
        if (sqlite3_step(upsert) != SQLITE_DONE) state.SkipWithError("upsert failed");
        sqlite3_reset(upsert);
    }
    state.SetItemsProcessed(state.iterations());
    sqlite3_finalize(upsert);
}
BENCHMARK(BM_RawUpsertBlockCountHot)->Unit(benchmark::kMicrosecond);

void BM_StoreGetBlockList(benchmark::State& state) {
    TimeStoreList(state, FillStoreBlockList, [](IFileProtectCfgMgr* store) {
        std::vector<BlockCountItem> items;
        return Listed(store->GetBlockList(items), items);
    });
}
BENCHMARK(BM_StoreGetBlockList)->Arg(kRows)->Unit(benchmark::kMillisecond);

struct RawBlockRow {
    int32_t key;
    std::string path;
    int32_t count;
};

void BM_RawReadBlockList(benchmark::State& state) {
    TimeRawRead<RawBlockRow>(state, FillStoreBlockList, kRawBlockQuery, [](sqlite3_stmt* query) {
        return RawBlockRow{sqlite3_column_int(query, 0), Utf8Column(query, 1),
                           sqlite3_column_int(query, 2)};
    });
}
BENCHMARK(BM_RawReadBlockList)->Arg(kRows)->Unit(benchmark::kMillisecond);

// What a user would write instead of calling the store: one prepared query
// in a read transaction, into the records the store returns.
void BM_RawReadBlockListRecords(benchmark::State& state) {
    TimeRawRead<BlockCountItem>(state, FillStoreBlockList, kRawBlockQuery, [](sqlite3_stmt* query) {
        BlockCountItem item;
        item.pathhash = sqlite3_column_int(query, 0);
        item.filepath = Text16(query, 1);
        item.blockcount = sqlite3_column_int(query, 2);
        return item;
    });
}
BENCHMARK(BM_RawReadBlockListRecords)->Arg(kRows)->Unit(benchmark::kMillisecond);

// One look-up per iteration, of the rows in turn, each found.
void BM_StoreGetBlockCount(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    IFileProtectCfgMgr* store = FreshStore();
    std::vector<BlockCountItem> rows(count);
    for (int i = 0; i < count; ++i) {
        rows[i].filepath = RowPath(i);
        rows[i].blockcount = i;
    }
    if (!store->AddBlockCountList(rows)) state.SkipWithError("filling blocklist failed");
    size_t next = 0;
    for (auto _ : state) {
        BlockCountItem& item = rows[next];
        next = next + 1 == rows.size() ? 0 : next + 1;
        if (!store->GetBlockCount(item)) state.SkipWithError("GetBlockCount missed a row");
    }
    state.SetItemsProcessed(state.iterations());
    store->ClearBlockList();
}
BENCHMARK(BM_StoreGetBlockCount)->Arg(kRows)->Unit(benchmark::kMicrosecond);

// The same look-ups raw: the key computed beforehand, one prepared query.
void BM_RawKeyedBlockCount(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    RawDatabase raw;
    FillRawBlockList(raw, count);
    std::vector<int32_t> keys;
    for (int i = 0; i < count; ++i) keys.push_back(Key(RowPath(i)));
    sqlite3_stmt* lookup = nullptr;
    sqlite3_prepare_v2(raw.handle(), "SELECT blockcount FROM blocklist WHERE pathhash = ?", -1,
                       &lookup, nullptr);
    size_t next = 0;
    for (auto _ : state) {
        sqlite3_bind_int(lookup, 1, keys[next]);
        next = next + 1 == keys.size() ? 0 : next + 1;
        if (sqlite3_step(lookup) != SQLITE_ROW) state.SkipWithError("look-up missed a row");
        benchmark::DoNotOptimize(sqlite3_column_int(lookup, 0));
        sqlite3_reset(lookup);
    }
    state.SetItemsProcessed(state.iterations());
    sqlite3_finalize(lookup);
}
BENCHMARK(BM_RawKeyedBlockCount)->Arg(kRows)->Unit(benchmark::kMicrosecond);

template <std::wstring (*Path)(int)>
void BM_StoreGetRejectList(benchmark::State& state) {
    TimeStoreList(state, FillStoreRejectList<Path>, [](IFileProtectCfgMgr* store) {
        std::vector<ProtectFileItem> items;
        return Listed(store->GetRejectList(items), items);
    });
}
BENCHMARK_TEMPLATE(BM_StoreGetRejectList, RowPath)->Name("BM_StoreGetRejectList")->Arg(kRows)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_StoreGetRejectList, WideRowPath)->Name("BM_StoreGetRejectListWide")
    ->Arg(kRows)->Unit(benchmark::kMillisecond);

struct RawPathRow {
    std::string path;
    std::string mountpoint;
    bool file;
};

void BM_RawReadRejectList(benchmark::State& state) {
    TimeRawRead<RawPathRow>(state, FillStoreRejectList<RowPath>, kRawRejectQuery, [](sqlite3_stmt* query) {
        return RawPathRow{Utf8Column(query, 1), Utf8Column(query, 2),
                          sqlite3_column_int(query, 3) != 0};
    });
}
BENCHMARK(BM_RawReadRejectList)->Arg(kRows)->Unit(benchmark::kMillisecond);

template <std::wstring (*Path)(int)>
void BM_RawReadRejectListRecords(benchmark::State& state) {
    TimeRawRead<ProtectFileItem>(state, FillStoreRejectList<Path>, kRawRejectQuery, PathRecord);
}
BENCHMARK_TEMPLATE(BM_RawReadRejectListRecords, RowPath)->Name("BM_RawReadRejectListRecords")
    ->Arg(kRows)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_RawReadRejectListRecords, WideRowPath)
    ->Name("BM_RawReadRejectListRecordsWide")->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_StoreGetWhiteList(benchmark::State& state) {
    TimeStoreList(state, FillStoreWhiteList, [](IFileProtectCfgMgr* store) {
        std::vector<ProtectFileItem> items;
        return Listed(store->GetWhiteList(items, false), items);
    });
}
BENCHMARK(BM_StoreGetWhiteList)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_RawReadWhiteListRecords(benchmark::State& state) {
    TimeRawRead<ProtectFileItem>(state, FillStoreWhiteList,
                                 "SELECT pathhash, filepath, mountpoint, bFile FROM whitelist", PathRecord);
}
BENCHMARK(BM_RawReadWhiteListRecords)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_StoreGetProtectFileList(benchmark::State& state) {
    TimeStoreList(state, FillStoreProtectFiles, [](IFileProtectCfgMgr* store) {
        std::vector<ProtectFileItem> items;
        std::vector<std::wstring> extensions;
        return Listed(store->GetProtectFileList(items, extensions), items);
    });
}
BENCHMARK(BM_StoreGetProtectFileList)->Arg(kRows)->Unit(benchmark::kMillisecond);

// A host's read splits extension rows from the others as the store does.
void BM_RawReadProtectFileRecords(benchmark::State& state) {
    std::vector<std::wstring> extensions;
    TimeRawRead<ProtectFileItem>(
        state, FillStoreProtectFiles,
        "SELECT pathhash, filepath, bextention, mountpoint, bFile FROM fileprotect",
        [&extensions](sqlite3_stmt* query) {
            ProtectFileItem item;
            item.filepath = Text16(query, 1);
            item.bextention = sqlite3_column_int(query, 2) != 0;
            if (item.bextention) extensions.push_back(item.filepath);
            item.mountpoint = Text16(query, 3);
            item.bFile = sqlite3_column_int(query, 4) != 0;
            return item;
        });
}
BENCHMARK(BM_RawReadProtectFileRecords)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_StoreGetProtectPathList(benchmark::State& state) {
    TimeStoreList(state, FillStoreProtectFiles, [](IFileProtectCfgMgr* store) {
        std::vector<std::wstring> paths;
        store->GetProtectPathList(paths);
        return Listed(true, paths);
    });
}
BENCHMARK(BM_StoreGetProtectPathList)->Arg(kRows)->Unit(benchmark::kMillisecond);

void BM_RawReadProtectPaths(benchmark::State& state) {
    TimeRawRead<std::wstring>(state, FillStoreProtectFiles, "SELECT pathhash, filepath FROM fileprotect",
                              [](sqlite3_stmt* query) { return Text16(query, 1); });
}
BENCHMARK(BM_RawReadProtectPaths)->Arg(kRows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCH_RATIO(hot_block_add, "AddBlockCount on a hot path vs raw SQLite upsert",
            "BM_StoreAddBlockCountHot", "BM_RawUpsertBlockCountHot", 0.90);
BENCH_RATIO(block_list_same_output, "GetBlockList, 10,000 rows vs raw into the same records",
            "BM_StoreGetBlockList/10000", "BM_RawReadBlockListRecords/10000", 0.90);
BENCH_RATIO(reject_list_same_output, "GetRejectList, 10,000 rows vs raw into the same records",
            "BM_StoreGetRejectList/10000", "BM_RawReadRejectListRecords/10000", 0.90);
BENCH_RATIO(reject_list_wide_same_output,
            "GetRejectList, 10,000 non-ASCII rows vs raw into the same records",
            "BM_StoreGetRejectListWide/10000", "BM_RawReadRejectListRecordsWide/10000", 0.90);
BENCH_RATIO(white_list_same_output, "GetWhiteList, 10,000 rows vs raw into the same records",
            "BM_StoreGetWhiteList/10000", "BM_RawReadWhiteListRecords/10000", 0.90);
BENCH_RATIO(protect_list_same_output,
            "GetProtectFileList, 10,000 rows vs raw into the same records",
            "BM_StoreGetProtectFileList/10000", "BM_RawReadProtectFileRecords/10000", 0.90);
BENCH_RATIO(protect_paths_same_output,
            "GetProtectPathList, 10,000 rows vs raw into the same texts",
            "BM_StoreGetProtectPathList/10000", "BM_RawReadProtectPaths/10000", 0.90);
BENCH_RATIO(block_list_floor, "GetBlockList, 10,000 rows vs raw narrow read",
            "BM_StoreGetBlockList/10000", "BM_RawReadBlockList/10000", 0.60);
BENCH_RATIO(reject_list_floor, "GetRejectList, 10,000 rows vs raw narrow read",
            "BM_StoreGetRejectList/10000", "BM_RawReadRejectList/10000", 0.60);
BENCH_RATIO(block_count_lookup, "GetBlockCount in 10,000 rows vs raw keyed look-up",
            "BM_StoreGetBlockCount/10000", "BM_RawKeyedBlockCount/10000", 0.50);
