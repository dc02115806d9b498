#include "Supervisor.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "SoakLibrary.h"
#include "Verdict.h"
#include "Worker.h"

namespace {

constexpr int64_t kMicros = 1000000;
constexpr int64_t kProgressEvery = 5 * kMicros;
constexpr DWORD kSliceMs = 100;
constexpr DWORD kStopWaitMs = 120000;  // a cache open alone may retry for 100 s

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring DatabasePath() {
    wchar_t folder[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder);
    return std::wstring(folder) + L"\\TevraZQ\\FileProtect.db";
}

void DeleteFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

// Removes the rows under the soak's prefix, and only those: the rule
// database is shared by everything on the machine.
bool RemoveSoakRows(IFileProtectCfgMgr* store) {
    std::vector<BlockCountItem> counts;
    std::vector<ProtectFileItem> rejects, files;
    std::vector<std::wstring> extensions, paths;
    bool ok = store->GetBlockList(counts);
    for (const BlockCountItem& item : counts)
        if (IsSoakPath(item.filepath)) paths.push_back(item.filepath);
    ok = ok && store->DeleteBlockList(paths);
    paths.clear();
    ok = ok && store->GetRejectList(rejects);
    for (const ProtectFileItem& item : rejects)
        if (IsSoakPath(item.filepath)) paths.push_back(item.filepath);
    ok = ok && store->DeleteRejectList(paths);
    paths.clear();
    ok = ok && store->GetProtectFileList(files, extensions);
    for (const ProtectFileItem& item : files)
        if (IsSoakPath(item.filepath)) paths.push_back(item.filepath);
    ok = ok && store->DeleteProtectFile(paths, false);
    return ok;
}

// "w<worker>-<number>", as workers name their cache ids.
bool IsSoakId(const std::string& id) {
    int worker = 0, number = 0, length = 0;
    return sscanf(id.c_str(), "w%d-%d%n", &worker, &number, &length) == 2 &&
           static_cast<size_t>(length) == id.size() && std::isdigit(static_cast<unsigned char>(id.back()));
}

// The ids the library printed for a worker's takes, less those its journal
// has: what its last take handed out before the kill.
std::vector<std::string> PrintedInDoubt(const WorkerRecord& worker, const std::wstring& output) {
    std::string text;
    if (FILE* file = _wfopen(output.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t got; (got = fread(buffer, 1, sizeof(buffer), file)) > 0;) text.append(buffer, got);
        fclose(file);
    }
    std::multiset<std::string> journalled;
    for (const JournalOp& op : worker.journal.ops)
        if (op.kind == OpKind::kTakeIds && op.outcome == Outcome::kDone)
            journalled.insert(op.results.begin(), op.results.end());
    // The library prints "pathHash=<id>" per id with nothing between them.
    static const std::string kMark = "pathHash=";
    std::vector<std::string> ids;
    // Only an id followed by the next mark is whole: the kill may have cut
    // the last one short.
    for (size_t at = text.find(kMark); at != std::string::npos;) {
        const size_t begin = at + kMark.size();
        const size_t next = text.find(kMark, begin);
        if (next == std::string::npos) break;
        std::string id = text.substr(begin, next - begin);
        auto known = journalled.find(id);
        if (known != journalled.end()) journalled.erase(known);
        else if (IsSoakId(id)) ids.push_back(id);  // not Wine's noise on the same file
        at = next;
    }
    return ids;
}

// Where a worker's standard output goes: the library prints every id it
// hands out, which belongs in the worker's own file, not on the console.
HANDLE OpenInheritableOutput(const std::wstring& path) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

class Supervisor {
public:
    explicit Supervisor(const SoakOptions& options)
        : options_(options), run_(SoakRunOf(GetCurrentProcessId())), random_(options.seed) {}

    int Run();

private:
    bool Prepare();
    bool StartWorker();
    void KillOne();
    void NoticeExits(bool stopping);
    void Stop();
    void Progress(int64_t elapsed);
    FinalState Collect();
    std::string IntegrityCheck();
    void CleanUp(bool passed);

    const SoakOptions options_;
    const SoakRun run_;
    std::mt19937_64 random_;
    SoakLibrary library_;
    HANDLE stop_ = nullptr;
    std::vector<std::unique_ptr<WorkerRecord>> workers_;
    int kills_ = 0;
};

bool Supervisor::Prepare() {
    if (!library_.Load()) return false;
    if (!RemoveSoakRows(library_.store)) {
        printf("soak: the soak's rows of an earlier run cannot be removed\n");
        return false;
    }
    DeleteFolder(run_.folder);
    if (!CreateDirectoryW(run_.folder.c_str(), nullptr)) {
        printf("soak: cannot create %s\n", Narrow(run_.folder).c_str());
        return false;
    }
    FILE* counter = _wfopen(run_.CounterFile().c_str(), L"wb");
    if (!counter) return false;
    fprintf(counter, "0");
    fclose(counter);
    if (!library_.cache->InitCacheFile(run_.CacheFile(), L"soak")) return false;
    stop_ = CreateEventW(nullptr, TRUE, FALSE, run_.StopEventName().c_str());
    return stop_ != nullptr;
}

bool Supervisor::StartWorker() {
    auto record = std::make_unique<WorkerRecord>();
    record->worker = static_cast<int>(workers_.size()) + 1;
    // Each worker's choices follow from the run's seed and its number.
    const uint64_t seed = options_.seed * 0x9E3779B97F4A7C15ull + record->worker;
    std::wstring command = L"\"" + OwnPath() + L"\" worker --id " +
                           std::to_wstring(record->worker) + L" --parent " +
                           std::to_wstring(run_.parentId) + L" --seed " + std::to_wstring(seed) +
                           L" --focus " + Wide(options_.focus);
    HANDLE output = OpenInheritableOutput(run_.WorkerOutput(record->worker));
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    const bool started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
    if (!started) {
        printf("soak: cannot start a worker (error %lu)\n", GetLastError());
        return false;
    }
    CloseHandle(process.hThread);
    record->process = process.hProcess;
    workers_.push_back(std::move(record));
    return true;
}

void Supervisor::KillOne() {
    std::vector<WorkerRecord*> running;
    for (auto& w : workers_)
        if (w->process && WaitForSingleObject(w->process, 0) == WAIT_TIMEOUT) running.push_back(w.get());
    if (running.empty()) return;
    WorkerRecord* victim = running[random_() % running.size()];
    if (!TerminateProcess(victim->process, kKilledExitCode)) return;  // it ended meanwhile
    WaitForSingleObject(victim->process, INFINITE);
    victim->killedAt = NowMicros();
    victim->killed = true;
    CloseHandle(victim->process);
    victim->process = nullptr;
    ++kills_;
    StartWorker();
}

// A worker that ends by itself before the stop is a fault; it is replaced so
// the load stays as asked.
void Supervisor::NoticeExits(bool stopping) {
    const size_t count = workers_.size();
    for (size_t i = 0; i < count; ++i) {
        WorkerRecord& w = *workers_[i];
        if (!w.process || WaitForSingleObject(w.process, 0) != WAIT_OBJECT_0) continue;
        DWORD code = 0;
        GetExitCodeProcess(w.process, &code);
        CloseHandle(w.process);
        w.process = nullptr;
        if (!stopping) w.fault = "ended by itself during the run, exit code " + std::to_string(code);
        else if (code != kWorkerStopped) w.fault = "ended with exit code " + std::to_string(code);
        if (!stopping) StartWorker();
    }
}

void Supervisor::Stop() {
    SetEvent(stop_);
    for (auto& w : workers_) {
        if (!w->process) continue;
        if (WaitForSingleObject(w->process, kStopWaitMs) != WAIT_OBJECT_0) {
            TerminateProcess(w->process, kKilledExitCode);
            WaitForSingleObject(w->process, INFINITE);
            w->fault = "did not stop within " + std::to_string(kStopWaitMs / 1000) + " s";
            CloseHandle(w->process);
            w->process = nullptr;
        }
    }
    NoticeExits(true);
}

void Supervisor::Progress(int64_t elapsed) {
    int64_t done = 0;
    for (auto& w : workers_) done += CountDone(run_.Journal(w->worker));
    printf("soak: %lld s, %lld operations, %d kills\n", static_cast<long long>(elapsed / kMicros),
           static_cast<long long>(done), kills_);
    fflush(stdout);
}

std::string Supervisor::IntegrityCheck() {
    sqlite3* db = nullptr;
    std::string rows;
    if (sqlite3_open_v2(Narrow(DatabasePath()).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_busy_timeout(db, 60000);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) ==
            SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                const unsigned char* text = sqlite3_column_text(statement, 0);
                rows += (rows.empty() ? "" : "; ") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
            }
        }
        sqlite3_finalize(statement);
    }
    if (rows.empty()) rows = std::string("not run: ") + (db ? sqlite3_errmsg(db) : "no connection");
    sqlite3_close(db);
    return rows;
}

FinalState Supervisor::Collect() {
    FinalState state;
    IFileProtectCfgMgr* store = library_.store;
    std::vector<BlockCountItem> counts;
    state.countsRead = store->GetBlockList(counts);
    for (const BlockCountItem& item : counts)
        for (int p = 0; p < kBlockPaths; ++p)
            if (item.filepath == BlockPath(p)) state.counts[p] = item.blockcount;
    std::vector<ProtectFileItem> rejects, files;
    std::vector<std::wstring> extensions;
    state.rejectsRead = store->GetRejectList(rejects);
    for (const ProtectFileItem& item : rejects)
        if (IsSoakPath(item.filepath)) state.rejects.insert(item.filepath);
    state.protectsRead = store->GetProtectFileList(files, extensions);
    for (const ProtectFileItem& item : files)
        if (IsSoakPath(item.filepath)) state.protects.insert(item.filepath);
    for (const std::wstring& extension : extensions)
        if (IsSoakPath(extension)) state.protects.insert(extension);

    // The take prints every id on standard output; keep them off the console.
    fflush(stdout);
    const int console = _dup(1);
    const int nowhere = _open("NUL", _O_WRONLY);
    if (nowhere >= 0) _dup2(nowhere, 1);
    library_.cache->TakePathIds(state.remainingIds);
    fflush(stdout);
    if (console >= 0) _dup2(console, 1);
    if (nowhere >= 0) _close(nowhere);
    if (console >= 0) _close(console);
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (GetFileAttributesExW(run_.CacheFile().c_str(), GetFileExInfoStandard, &attributes))
        state.cacheBytesAfterTake = attributes.nFileSizeLow;

    if (FILE* counter = _wfopen(run_.CounterFile().c_str(), L"rb")) {
        state.counterRead = fscanf(counter, "%ld", &state.counter) == 1;
        fclose(counter);
    }
    state.integrity = IntegrityCheck();
    return state;
}

void Supervisor::CleanUp(bool passed) {
    if (!passed) {
        printf("soak: journals kept in %s\n", Narrow(run_.folder).c_str());
        return;
    }
    RemoveSoakRows(library_.store);
    DeleteFolder(run_.folder);
}

int Supervisor::Run() {
    printf("soak: seed %llu (%d workers, %d s, a kill every %g s, focus %s)\n",
           static_cast<unsigned long long>(options_.seed), options_.workers, options_.seconds,
           options_.killEvery, options_.focus.c_str());
    fflush(stdout);
    if (!Prepare()) return 2;
    for (int i = 0; i < options_.workers; ++i)
        if (!StartWorker()) return 2;

    // The i-th kill falls at a random moment in the half period before
    // i * kill-every, so kills keep their pace but never fall in step with
    // the workers.
    const int64_t start = NowMicros();
    const int64_t deadline = start + static_cast<int64_t>(options_.seconds) * kMicros;
    const int64_t period = static_cast<int64_t>(options_.killEvery * kMicros);
    std::uniform_int_distribution<int64_t> early(0, period > 0 ? period / 2 : 0);
    const int64_t length = deadline - start;
    int killNumber = 1;
    auto killTime = [&] {
        return period > 0 && killNumber * period < length
                   ? start + killNumber * period - early(random_)
                   : INT64_MAX;
    };
    int64_t nextKill = killTime();
    int64_t nextProgress = start + kProgressEvery;
    for (int64_t now = start; now < deadline; now = NowMicros()) {
        NoticeExits(false);
        if (now >= nextKill) {
            KillOne();
            ++killNumber;
            nextKill = killTime();
        }
        if (now >= nextProgress) {
            Progress(now - start);
            nextProgress += kProgressEvery;
        }
        Sleep(kSliceMs);
    }
    const double seconds = static_cast<double>(NowMicros() - start) / kMicros;
    Stop();

    std::vector<WorkerRecord> records;
    for (auto& w : workers_) {
        ReadJournal(run_.Journal(w->worker), &w->journal);
        const JournalOp* inDoubt = w->InDoubt();
        if (inDoubt && inDoubt->kind == OpKind::kTakeIds)
            w->printedInDoubt = PrintedInDoubt(*w, run_.WorkerOutput(w->worker));
        records.push_back(*w);
    }
    const FinalState state = Collect();
    IHlpFunc* helper = library_.helper;
    const Tally tally = Judge(records, state, seconds,
                              [helper](const std::wstring& path) { return helper->GetPathHash(path); });
    const bool intact = state.integrity == "ok";
    const bool passed = tally.passed && tally.lost == 0 && tally.duplicated == 0 && intact;
    CleanUp(passed);
    library_.store->CloseDb();
    printf("soak: %lld operations, %d kills, %lld lost, %lld duplicated, integrity %s\n",
           static_cast<long long>(tally.operations), kills_, static_cast<long long>(tally.lost),
           static_cast<long long>(tally.duplicated), intact ? "ok" : "FAILED");
    fflush(stdout);
    return passed ? 0 : 1;
}

}  // namespace

int RunSoak(const SoakOptions& options) { return Supervisor(options).Run(); }
