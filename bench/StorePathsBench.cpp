// Adding many protected paths in one call, against raw SQLite doing the same
// inserts: one prepared statement, bound values, one transaction, into the
// same schema with the same pragmas in a database of its own. The ratio is
// what the store's per-row work (hash, limit check, conversion, binding)
// costs on top of SQLite itself. A second baseline is what a host would
// write itself instead of calling the store, starting from the same records.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <string>
#include <vector>

#include "bench/Ratios.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kPaths = 10000;

std::vector<ProtectFileItem> BenchItems(int count) {
    std::vector<ProtectFileItem> items(count);
    for (int i = 0; i < count; ++i) {
        items[i].filepath = L"C:\\Bench\\Folder" + std::to_wstring(i % 97) + L"\\document " +
                            std::to_wstring(i) + L".docx";
        items[i].mountpoint = L"C:\\";
        items[i].bFile = true;
    }
    return items;
}

void BM_StoreAddProtectFile(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<ProtectFileItem> items = BenchItems(count);
    IFileProtectCfgMgr* store = FreshStore();
    for (auto _ : state) {
        state.PauseTiming();
        store->ClearProtectAll();
        state.ResumeTiming();
        if (!store->AddProtectFile(items, false)) state.SkipWithError("AddProtectFile failed");
    }
    state.SetItemsProcessed(state.iterations() * count);
    store->ClearProtectAll();
}
BENCHMARK(BM_StoreAddProtectFile)->Arg(kPaths)->Unit(benchmark::kMillisecond);

// The same rows as the store writes them, prepared outside the timing so the
// baseline is SQLite's work alone.
struct RawRow {
    int32_t key;
    std::string path;
    std::string mountpoint;
    int file;
};

sqlite3* OpenRawDatabase() {
    std::wstring file = MakeTempFolder(L"bench-raw") + L"\\raw.db";
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(Utf8(file).c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        return db;
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                 "PRAGMA wal_autocheckpoint=50; "
                 "create table if not exists 'fileprotect' (pathhash INT PRIMARY KEY, filepath "
                 "TEXT, bextention INT, mountpoint TEXT, bFile INT)",
                 nullptr, nullptr, nullptr);
    return db;
}

// The timed part of both baselines: one transaction, one prepared upsert,
// and per row what bindRow(insert, row) binds to it. False when a row fails.
template <typename Row, typename BindRow>
bool UpsertRows(sqlite3* db, const std::vector<Row>& rows, BindRow bindRow) {
    sqlite3_exec(db, "BEGIN TRANSACTION;", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO fileprotect (pathhash, filepath, bextention, mountpoint, "
                       "bFile) VALUES(?, ?, ?, ?, ?) ON CONFLICT(pathhash) DO UPDATE SET "
                       "bextention = excluded.bextention",
                       -1, &insert, nullptr);
    bool ok = insert != nullptr;
    for (const Row& row : rows) {
        if (!ok) break;
        bindRow(insert, row);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    return ok;
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

void BM_RawSqliteInsert(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<RawRow> rows;
    for (const ProtectFileItem& item : BenchItems(count))
        rows.push_back({static_cast<int32_t>(getHlpObj()->GetPathHash(item.filepath)),
                        Utf8(item.filepath), Utf8(item.mountpoint), item.bFile ? 1 : 0});
    sqlite3* db = OpenRawDatabase();

    for (auto _ : state) {
        state.PauseTiming();
        sqlite3_exec(db, "DELETE FROM fileprotect", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        const bool ok = UpsertRows(db, rows, [](sqlite3_stmt* insert, const RawRow& row) {
            sqlite3_bind_int(insert, 1, row.key);
            BindText(insert, 2, row.path);
            sqlite3_bind_int(insert, 3, 0);
            BindText(insert, 4, row.mountpoint);
            sqlite3_bind_int(insert, 5, row.file);
        });
        if (!ok) state.SkipWithError("raw insert failed");
    }
    state.SetItemsProcessed(state.iterations() * count);
    sqlite3_close(db);
}
BENCHMARK(BM_RawSqliteInsert)->Arg(kPaths)->Unit(benchmark::kMillisecond);

// What a host would write itself for the same records in the same process,
// instead of calling AddProtectFile: a connection of its own to the store's
// database file, one transaction, one prepared upsert, and per row the
// helper's path hash and the platform's UTF-8 of each text, bound.
void BM_HostAddProtectFile(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::vector<ProtectFileItem> items = BenchItems(count);
    IFileProtectCfgMgr* store = FreshStore();
    IHlpFunc* helper = getHlpObj();
    sqlite3* db = nullptr;
    sqlite3_open_v2(Utf8(fileprotect::RuleDatabasePath(getHlpObj())).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    std::string path;
    std::string mountpoint;
    auto utf8 = [](const std::wstring& text, std::string* out) {
        out->resize(text.size() * 3 + 1);
        const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                               &(*out)[0], static_cast<int>(out->size()), nullptr, nullptr);
        out->resize(length > 0 ? static_cast<size_t>(length) : 0);
    };

    for (auto _ : state) {
        state.PauseTiming();
        store->ClearProtectAll();
        state.ResumeTiming();
        const bool ok = UpsertRows(db, items, [&](sqlite3_stmt* insert, const ProtectFileItem& item) {
            utf8(item.filepath, &path);
            utf8(item.mountpoint, &mountpoint);
            sqlite3_bind_int(insert, 1, static_cast<int32_t>(helper->GetPathHash(item.filepath)));
            BindText(insert, 2, path);
            sqlite3_bind_int(insert, 3, 0);
            BindText(insert, 4, mountpoint);
            sqlite3_bind_int(insert, 5, item.bFile ? 1 : 0);
        });
        if (!ok) state.SkipWithError("host insert failed");
    }
    state.SetItemsProcessed(state.iterations() * count);
    sqlite3_close(db);
    store->ClearProtectAll();
}
BENCHMARK(BM_HostAddProtectFile)->Arg(kPaths)->Unit(benchmark::kMillisecond);

}  // namespace

BENCH_RATIO(add_paths_host, "AddProtectFile of 10,000 paths vs a host's own code",
            "BM_StoreAddProtectFile/10000", "BM_HostAddProtectFile/10000", 0.90);
BENCH_RATIO(add_paths_floor, "AddProtectFile of 10,000 paths vs raw SQLite",
            "BM_StoreAddProtectFile/10000", "BM_RawSqliteInsert/10000", 0.80);
