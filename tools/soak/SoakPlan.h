// What the parent and its workers agree on: the options of a run, the names
// of the shared objects, the rows a worker may touch, the kinds of operation
// and the clock that orders journal lines across processes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct SoakOptions {
    int seconds = 60;
    int workers = 4;
    double killEvery = 3.0;  // seconds between kills; 0 means no kills
    uint64_t seed = 0;
    std::string focus = "all";  // or one area: counts, lists, cache, lock
};

// Everything that one run shares lives in its own folder, named after the
// parent; the workers are told the folder and derive the rest.
struct SoakRun {
    std::wstring folder;
    uint32_t parentId = 0;

    std::wstring CacheFile() const { return folder + L"\\cache.xml"; }
    std::wstring CounterFile() const { return folder + L"\\counter.txt"; }
    std::wstring Journal(int worker) const {
        return folder + L"\\journal-w" + std::to_wstring(worker) + L".log";
    }
    std::wstring WorkerOutput(int worker) const {
        return folder + L"\\output-w" + std::to_wstring(worker) + L".txt";
    }
    std::wstring CounterLockName() const {
        return L"fileprotect-soak-" + std::to_wstring(parentId) + L"-counter";
    }
    std::wstring StopEventName() const {
        return L"fileprotect-soak-" + std::to_wstring(parentId) + L"-stop";
    }
};

// The run of the parent with this process id; its folder lies under the
// temporary folder, which the parent and its workers share.
SoakRun SoakRunOf(uint32_t parentId);

// The rule database is machine-wide: the soak touches only rows under this
// prefix, and removes them (and nothing else) when a run starts.
constexpr wchar_t kSoakPrefix[] = L"C:\\soak\\";
constexpr int kBlockPaths = 4;  // few, so that writers collide on them

std::wstring BlockPath(int index);
// One row of a group that a worker adds and deletes as a whole. The name
// carries the group's size, so any reader can tell a whole group from part
// of one. `table` is "reject" or "protect".
std::wstring GroupRowPath(const wchar_t* table, int worker, int group, int index, int size);
// Reads the worker, group and size back from a row's path; false for a path
// that is not a group row of `table`.
bool ParseGroupRow(const std::wstring& path, const wchar_t* table, int* worker, int* group,
                   int* size);
bool IsSoakPath(const std::wstring& path);

// Operation kinds, as written in the journal.
enum class OpKind {
    kAddCount,      // AddBlockCount
    kIncCount,      // IncreaseBlockCount
    kAddCountList,  // AddBlockCountList
    kReadCounts,    // GetBlockList
    kAddReject,     // AddRejectList of one group
    kDelReject,     // DeleteRejectList of one group
    kReadRejects,   // GetRejectList
    kAddProtect,    // AddProtectFile of one group
    kDelProtect,    // DeleteProtectFile of one group
    kReadProtects,  // GetProtectFileList
    kAddId,         // AddPathId
    kAddIds,        // AddPathIds
    kTakeIds,       // TakePathIds
    kLockIncrement, // read-increment-write of the counter file under the named lock
    kCount
};
const char* OpName(OpKind kind);
// The area of an operation: "counts", "lists", "cache" or "lock".
const char* OpArea(OpKind kind);
bool OpFromName(const std::string& name, OpKind* kind);

// Microseconds on the machine's monotonic clock, comparable between the
// processes of one run.
int64_t NowMicros();

std::string Narrow(const std::wstring& text);
std::wstring Wide(const std::string& text);
