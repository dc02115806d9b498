// The parent of a run: starts the workers, kills and replaces them on
// schedule, stops them at the end and has what they did judged.
#include <fmt/format.h>
#include <fmt/xchar.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "interfaces/FileProtectHost.h"
#include "Soak.h"
#include "Verdict.h"

namespace {

constexpr int64_t kMicros = 1000000;
constexpr int64_t kProgressEvery = 5 * kMicros;
constexpr DWORD kSliceMs = 100;
constexpr DWORD kStopWaitMs = 120000;  // a cache open alone may retry for 100 s

class Supervisor {
public:
    explicit Supervisor(const SoakOptions& options)
        : options_(options), run_(GetCurrentProcessId()), random_(options.seed) {}

    int Run() {
        if (!Prepare()) return 2;
        for (int i = 0; i < options_.workers; ++i)
            if (!StartWorker()) return 2;
        const double seconds = RunWorkers();
        Stop();
        const Tally tally = Judge(library_, run_, workers_, seconds);
        if (tally.passed) {
            RemoveSoakRows(store_);
            RemoveRunFolder();
        } else {
            fmt::print("soak: journals kept in {}\n", fileprotect::Utf8(run_.folder));
        }
        store_->CloseDb();
        fmt::print("soak: {} operations, {} kills, {} lost, {} duplicated, integrity {}\n",
                   tally.operations, kills_, tally.lost, tally.duplicated,
                   tally.intact ? "ok" : "FAILED");
        std::fflush(stdout);
        return tally.passed ? 0 : 1;
    }

private:
    bool Prepare() {
        if (!store_->InitDb()) {
            fmt::print("{}", kStoreClosed);
            return false;
        }
        if (!RemoveSoakRows(store_)) {
            fmt::print("soak: the soak's rows of an earlier run cannot be removed\n");
            return false;
        }
        RemoveRunFolder();
        if (!CreateDirectoryW(run_.folder.c_str(), nullptr)) {
            fmt::print("soak: cannot create {}\n", fileprotect::Utf8(run_.folder));
            return false;
        }
        if (!WriteCounter(run_.File(kCounterFile), 0)) return false;
        if (!library_.Cache()->InitCacheFile(run_.File(kCacheFile), L"soak")) return false;
        stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, (run_.name + L"-stop").c_str()));
        return stop_.Valid();
    }

    void RemoveRunFolder() const {
        std::error_code ignored;
        std::filesystem::remove_all(run_.folder, ignored);
    }

    bool StartWorker() {
        WorkerRecord record;
        record.worker = static_cast<int>(workers_.size()) + 1;
        // Each worker's choices follow from the run's seed and its number.
        const uint64_t seed = options_.seed * 0x9E3779B97F4A7C15ull + record.worker;
        wchar_t program[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        std::wstring command = fmt::format(
            L"\"{}\" worker --id {} --parent {} --seed {} --focus {}", std::wstring(program),
            record.worker, run_.parentId, seed, fileprotect::Wide(options_.focus));
        // Its standard output goes to a file of its own: the library prints
        // every id it hands out, which does not belong on the console.
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        const fileprotect::Handle output(
            CreateFileW(run_.Output(record.worker).c_str(), GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr));
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = startup.hStdError = output.Get();
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                            nullptr, &startup, &process)) {
            fmt::print("soak: cannot start a worker (error {})\n", GetLastError());
            return false;
        }
        const fileprotect::Handle thread(process.hThread);
        record.process.Reset(process.hProcess);
        workers_.push_back(std::move(record));
        return true;
    }

    // Runs the workers until the deadline, killing and replacing on
    // schedule, and says for how many seconds they ran.
    double RunWorkers() {
        // The i-th kill falls at a random moment in the half period before
        // i * kill-every, so kills keep their pace but never fall in step
        // with the workers.
        const int64_t start = NowMicros();
        const int64_t length = static_cast<int64_t>(options_.seconds) * kMicros;
        const int64_t period = static_cast<int64_t>(options_.killEvery * kMicros);
        std::uniform_int_distribution<int64_t> early(0, period > 0 ? period / 2 : 0);
        int killNumber = 1;
        auto killTime = [&] {
            return period > 0 && killNumber * period < length
                       ? start + killNumber * period - early(random_)
                       : INT64_MAX;
        };
        int64_t nextKill = killTime();
        int64_t nextProgress = start + kProgressEvery;
        for (int64_t now = start; now < start + length; now = NowMicros()) {
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
        return static_cast<double>(NowMicros() - start) / kMicros;
    }

    void KillOne() {
        std::vector<WorkerRecord*> running;
        for (WorkerRecord& w : workers_)
            if (w.process.Valid() && WaitForSingleObject(w.process.Get(), 0) == WAIT_TIMEOUT)
                running.push_back(&w);
        if (running.empty()) return;
        WorkerRecord& victim = *running[random_() % running.size()];
        if (!TerminateProcess(victim.process.Get(), kKilledExitCode)) return;  // it ended meanwhile
        WaitForSingleObject(victim.process.Get(), INFINITE);
        victim.killedAt = NowMicros();
        victim.killed = true;
        victim.process.Close();
        ++kills_;
        StartWorker();
    }

    // A worker that ends by itself before the stop is a fault; it is
    // replaced so the load stays as asked.
    void NoticeExits(bool stopping) {
        const size_t count = workers_.size();
        for (size_t i = 0; i < count; ++i) {
            WorkerRecord& w = workers_[i];
            if (!w.process.Valid() || WaitForSingleObject(w.process.Get(), 0) != WAIT_OBJECT_0)
                continue;
            DWORD code = 0;
            GetExitCodeProcess(w.process.Get(), &code);
            w.process.Close();
            if (!stopping)
                w.fault = fmt::format("ended by itself during the run, exit code {}", code);
            else if (code != kWorkerStopped) w.fault = fmt::format("ended with exit code {}", code);
            if (!stopping) StartWorker();
        }
    }

    void Stop() {
        SetEvent(stop_.Get());
        for (WorkerRecord& w : workers_) {
            if (!w.process.Valid() ||
                WaitForSingleObject(w.process.Get(), kStopWaitMs) == WAIT_OBJECT_0)
                continue;
            TerminateProcess(w.process.Get(), kKilledExitCode);
            WaitForSingleObject(w.process.Get(), INFINITE);
            w.fault = fmt::format("did not stop within {} s", kStopWaitMs / 1000);
            w.process.Close();
        }
        NoticeExits(true);
    }

    void Progress(int64_t elapsed) {
        int64_t done = 0;
        for (const WorkerRecord& w : workers_) done += CountDone(run_.Journal(w.worker));
        fmt::print("soak: {} s, {} operations, {} kills\n", elapsed / kMicros, done, kills_);
        std::fflush(stdout);
    }

    const SoakOptions options_;
    const SoakRun run_;
    std::mt19937_64 random_;
    const fileprotect::Library library_;  // throws std::runtime_error when it does not load
    IFileProtectCfgMgr* const store_ = library_.Store();
    fileprotect::Handle stop_;
    std::vector<WorkerRecord> workers_;
    int kills_ = 0;
};

}  // namespace

int RunSoak(const SoakOptions& options) {
    fmt::print("soak: seed {} ({} workers, {} s, a kill every {:g} s, focus {})\n", options.seed,
               options.workers, options.seconds, options.killEvery, options.focus);
    std::fflush(stdout);
    try {
        return Supervisor(options).Run();
    } catch (const std::runtime_error& error) {  // the library did not load
        fmt::print("soak: {}\n", error.what());
        return 2;
    }
}
