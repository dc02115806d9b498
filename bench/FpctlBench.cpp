// fpctl against the sqlite3 shell on the same file: listing 100,000
// protected rows, and exporting every table with them. Each iteration is a
// whole process from start to exit, its output written to a file, Wine's
// start of a process included on both sides. The ratio is what fpctl's
// route (the library's load, InitDb and list call, the conversions, the
// table or JSON printing) costs against the shell's own query and print.
#include <benchmark/benchmark.h>

#include <sqlite3.h>

#include <chrono>
#include <string>

#include "bench/Ratios.h"
#include "tests/support/TestSupport.h"

namespace {

constexpr int kRows = 100000;

// The rows, written raw in one transaction (keys and texts as the store
// writes them): filling them through the store takes far longer than either
// side's run, and other benchmarks empty the tables between runs.
bool FillProtectTable(int count) {
    FreshStore();
    Db db;
    sqlite3_stmt* insert = nullptr;
    if (!db.Exec("BEGIN") ||
        sqlite3_prepare_v2(db.handle(), "INSERT INTO fileprotect VALUES (?1, ?2, 0, 'C:\\', 1)", -1, &insert,
                           nullptr) != SQLITE_OK)
        return false;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) {
        const std::wstring path =
            L"C:\\Bench\\Folder" + std::to_wstring(i % 97) + L"\\document " + std::to_wstring(i) + L".docx";
        const std::string text = Utf8(path);
        sqlite3_bind_int(insert, 1, static_cast<int32_t>(getHlpObj()->GetPathHash(path)));
        sqlite3_bind_text(insert, 2, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    return db.Exec(ok ? "COMMIT" : "ROLLBACK") && ok;
}

// Runs program (beside the benchmark) with its standard output written to a
// file, and times it from start to exit.
void TimeProcess(benchmark::State& state, const wchar_t* program, const std::wstring& arguments) {
    if (!FillProtectTable(kRows)) state.SkipWithError("filling fileprotect failed");
    const std::wstring folder = MakeTempFolder(L"bench-fpctl");
    for (auto _ : state) {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE output = CreateFileW((folder + L"\\out.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        const auto start = std::chrono::steady_clock::now();
        HANDLE child = StartChild(program, arguments, output);
        const int exitCode = WaitChild(child);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        CloseHandle(output);
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
        if (exitCode != 0) state.SkipWithError("the program failed");
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

std::wstring Database() { return L"\"" + fileprotect::RuleDatabasePath(getHlpObj()) + L"\""; }

std::wstring ExportFile() { return L"\"" + MakeTempFolder(L"bench-export") + L"\\rules.json\""; }

void BM_FpctlProtectList(benchmark::State& state) { TimeProcess(state, L"fpctl", L"protect list"); }

void BM_ShellProtectList(benchmark::State& state) {
    TimeProcess(state, L"sqlite3_shell",
                L"-readonly " + Database() + L" \"SELECT bFile, mountpoint, filepath FROM fileprotect\"");
}

void BM_FpctlExport(benchmark::State& state) { TimeProcess(state, L"fpctl", L"export " + ExportFile()); }

// Every rule table as JSON, as export writes them.
void BM_ShellExport(benchmark::State& state) {
    TimeProcess(state, L"sqlite3_shell",
                L"-readonly -json " + Database() +
                    L" \"SELECT * FROM blocklist; SELECT * FROM config; SELECT * FROM const_whitelist; "
                    L"SELECT * FROM fileprotect; SELECT * FROM rejectlist; SELECT * FROM whitelist\"");
}

BENCHMARK(BM_FpctlProtectList)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShellProtectList)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FpctlExport)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShellExport)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCH_RATIO(fpctl_list, "fpctl protect list, 100,000 rows vs the sqlite3 shell", "BM_FpctlProtectList/iterations:2/manual_time",
            "BM_ShellProtectList/iterations:2/manual_time", 0.50);
BENCH_RATIO(fpctl_export, "fpctl export, 100,000 rows vs the sqlite3 shell's JSON", "BM_FpctlExport/iterations:2/manual_time",
            "BM_ShellExport/iterations:2/manual_time", 0.50);
