// What the parent of a soak run and its workers agree on: the options, the
// objects one run shares, the rows a worker may touch, the operations it
// mixes, the journal it keeps of them, and the clock that orders journal
// lines across processes.
#pragma once

#include <fmt/format.h>
#include <fmt/xchar.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "interfaces/FileProtectHost.h"
#include "interfaces/StoreTypes.h"

struct SoakOptions {
    int seconds = 60;
    int workers = 4;
    double killEvery = 3.0;  // seconds between kills; 0 means no kills
    uint64_t seed = 0;
    std::string focus = "all";  // or one area: counts, lists, cache, lock
};

// What one run shares lives in a folder of its own under the temporary
// folder; it and the run's kernel objects are named after the parent.
struct SoakRun {
    explicit SoakRun(uint32_t parent);

    uint32_t parentId;
    std::wstring name;
    std::wstring folder;

    std::wstring File(const std::wstring& file) const { return folder + L"\\" + file; }
    std::wstring Journal(int worker) const { return File(fmt::format(L"journal-w{}.log", worker)); }
    // The worker's standard output and error.
    std::wstring Output(int worker) const { return File(fmt::format(L"output-w{}.txt", worker)); }
};
constexpr wchar_t kCacheFile[] = L"cache.xml";
constexpr wchar_t kCounterFile[] = L"counter.txt";

// The parent (Supervisor.cpp): runs, kills and replaces workers, then
// judges what they did. The exit code of the program: 0 only when every
// check passed.
int RunSoak(const SoakOptions& options);

// A worker (Worker.cpp): runs until the parent sets the stop event or goes
// away. `focus` is "all" or the one area whose operations it mixes.
int RunWorker(const SoakRun& run, int worker, uint64_t seed, const std::string& focus);
enum WorkerExit : int {
    kWorkerStopped = 0,      // stopped when told to
    kWorkerNoLibrary = 10,   // the library did not load or the store did not open
    kWorkerNoJournal = 11,   // its journal could not be written
    kWorkerParentGone = 12,  // the parent ended without stopping it
    kKilledExitCode = 0xDEAD,
};
// What either side prints when the store does not open.
constexpr char kStoreClosed[] = "soak: the rule store does not open (InitDb failed)\n";

// The rule database is machine-wide: the soak touches only rows under this
// prefix, and removes them (and nothing else) when a run starts.
constexpr wchar_t kSoakPrefix[] = L"C:\\soak\\";

// A few shared paths, so that writers collide on them.
constexpr int kBlockPaths = 4;
using BlockCounts = std::array<int64_t, kBlockPaths>;
std::wstring BlockPath(int index);
BlockCounts CountsOf(const std::vector<BlockCountItem>& rows);

// Every kind of operation a worker mixes, in the order of the figures table.
enum class Op {
    kAddCount, kIncCount, kAddCountList, kReadCounts,
    kAddReject, kDelReject, kReadRejects, kAddProtect, kDelProtect, kReadProtects,
    kAddId, kAddIds, kTakeIds, kLockIncrement,
};
struct OpInfo {
    Op op;
    int weight;        // how often a worker picks it, against the others
    const char* name;  // in the journal and the figures
    const char* area;  // what --focus selects
};
constexpr OpInfo kOps[] = {
    {Op::kAddCount, 10, "add-count", "counts"},          // AddBlockCount
    {Op::kIncCount, 10, "inc-count", "counts"},          // IncreaseBlockCount
    {Op::kAddCountList, 8, "add-count-list", "counts"},  // AddBlockCountList of two paths
    {Op::kReadCounts, 5, "read-counts", "counts"},       // GetBlockList
    {Op::kAddReject, 8, "add-reject", "lists"},          // AddRejectList of one group
    {Op::kDelReject, 5, "del-reject", "lists"},          // DeleteRejectList of one group
    {Op::kReadRejects, 4, "read-rejects", "lists"},      // GetRejectList
    {Op::kAddProtect, 6, "add-protect", "lists"},        // AddProtectFile of one group
    {Op::kDelProtect, 4, "del-protect", "lists"},        // DeleteProtectFile of one group
    {Op::kReadProtects, 3, "read-protects", "lists"},    // GetProtectFileList
    {Op::kAddId, 8, "add-id", "cache"},                  // AddPathId
    {Op::kAddIds, 5, "add-ids", "cache"},                // AddPathIds
    {Op::kTakeIds, 3, "take-ids", "cache"},              // TakePathIds
    {Op::kLockIncrement, 8, "lock-increment", "lock"},   // the counter file, under the named lock
};
constexpr bool InOpOrder() {
    for (size_t i = 0; i < std::size(kOps); ++i)
        if (static_cast<size_t>(kOps[i].op) != i) return false;
    return std::size(kOps) == static_cast<size_t>(Op::kLockIncrement) + 1;
}
static_assert(InOpOrder(), "kOps holds every Op once, in the enum's order");
inline const OpInfo& InfoOf(Op op) { return kOps[static_cast<size_t>(op)]; }

// The two rule tables whose rows a worker adds and deletes in groups of one
// to three, one call per group. A row's path carries its group's size, so
// any reader can tell a whole group from part of one.
struct GroupTable {
    const wchar_t* name;  // in the rows' paths
    Op add, del;
};
constexpr GroupTable kRejectTable{L"reject", Op::kAddReject, Op::kDelReject};
constexpr GroupTable kProtectTable{L"protect", Op::kAddProtect, Op::kDelProtect};
std::vector<std::wstring> GroupRows(const GroupTable& table, int worker, int group, int size);
// Reads the worker, group and size back from a row's path; false for a path
// that is not a group row of `table`.
bool ParseGroupRow(const std::wstring& path, const GroupTable& table, int* worker, int* group,
                   int* size);

// The counter that workers increment under the named lock. It is written
// aside and renamed over the old one, so a holder killed while writing
// leaves the old value, never a cut one.
bool ReadCounter(const std::wstring& path, long* value);
bool WriteCounter(const std::wstring& path, long value);

// Microseconds on the machine's monotonic clock, comparable between the
// processes of one run.
int64_t NowMicros();

// What a file holds; empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);

// The journal of one worker: each operation as one JSON line before the
// call (outcome "pending") and again after it ("done" or "refused", with
// what it handed back), so the parent can tell acknowledged operations from
// the one a kill left in doubt. Fields at their defaults are left out:
//
//   {"ids":["w1-8","w1-9"],"op":"add-ids","outcome":"pending","seq":7,"started":...}
//   {"ended":...,"ids":["w1-8","w1-9"],"op":"add-ids","outcome":"done","seq":7,"started":...}
//
// A line is whole once it ends in a line feed; a kill can leave a cut last
// line, which the reader ignores.
enum class Outcome { kPending, kDone, kRefused };

struct JournalOp {
    int64_t seq = 0;
    Op op = Op::kReadCounts;
    int64_t started = 0;
    int64_t ended = 0;  // when it was answered
    Outcome outcome = Outcome::kPending;
    // What it worked on and what it got back, as far as its kind has them.
    std::vector<std::pair<int, int>> adds;  // (block path, count) per addition
    int group = 0, size = 0;                // the group of rows added or deleted
    std::vector<std::string> ids;           // cache ids added, or handed out to a take
    long value = 0;                         // the counter value written under the lock
    int attempts = 0;                       // Lock calls it took
    std::vector<std::string> anomalies;     // what a listing showed that breaks a promise
};

// Appends the operation as it stands to a journal opened for writing. False
// when the line could not be written: the worker must then stop, since it
// can no longer tell what it did.
bool WriteJournal(const fileprotect::Handle& journal, const JournalOp& op);

struct WorkerJournal {
    std::vector<JournalOp> ops;  // in the order they were begun
    int unreadableLines = 0;
};
WorkerJournal ReadJournal(const std::wstring& path);
// Operations acknowledged so far (for the progress line).
int64_t CountDone(const std::wstring& path);
