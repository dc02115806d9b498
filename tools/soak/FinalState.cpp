#include <fcntl.h>
#include <io.h>
#include <sqlite3.h>

#include <cstdio>
#include <regex>

#include "Verdict.h"

namespace {

bool IsSoakPath(const std::wstring& path) {
    return path.compare(0, std::size(kSoakPrefix) - 1, kSoakPrefix) == 0;
}

template <typename Row>
std::vector<std::wstring> SoakPathsOf(const std::vector<Row>& rows) {
    std::vector<std::wstring> paths;
    for (const Row& row : rows)
        if (IsSoakPath(row.filepath)) paths.push_back(row.filepath);
    return paths;
}

// The take prints every id on standard output; this keeps them off the
// console.
std::vector<std::string> TakeQuietly(IProtectFileCacheFileMgr* cache) {
    std::vector<std::string> ids;
    std::fflush(stdout);
    const int console = _dup(1);
    const int nowhere = _open("NUL", _O_WRONLY);
    if (nowhere >= 0) _dup2(nowhere, 1);
    cache->TakePathIds(ids);
    std::fflush(stdout);
    if (console >= 0) _dup2(console, 1);
    if (nowhere >= 0) _close(nowhere);
    if (console >= 0) _close(console);
    return ids;
}

// The rows of PRAGMA integrity_check on a connection of the soak's own.
std::string IntegrityCheck(const std::wstring& database) {
    sqlite3* db = nullptr;
    std::string rows;
    if (sqlite3_open_v2(fileprotect::Utf8(database).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_busy_timeout(db, 60000);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr);
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(statement, 0);
            rows += (rows.empty() ? "" : "; ") +
                    std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        sqlite3_finalize(statement);
    }
    if (rows.empty()) rows = std::string("not run: ") + (db ? sqlite3_errmsg(db) : "no connection");
    sqlite3_close(db);
    return rows;
}

}  // namespace

bool RemoveSoakRows(IFileProtectCfgMgr* store) {
    std::vector<BlockCountItem> counts;
    std::vector<ProtectFileItem> rejects, files;
    std::vector<std::wstring> extensions;
    return store->GetBlockList(counts) && store->DeleteBlockList(SoakPathsOf(counts)) &&
           store->GetRejectList(rejects) && store->DeleteRejectList(SoakPathsOf(rejects)) &&
           store->GetProtectFileList(files, extensions) &&
           store->DeleteProtectFile(SoakPathsOf(files), false);
}

FinalState ReadFinalState(const fileprotect::Library& library, const SoakRun& run) {
    IFileProtectCfgMgr* store = library.Store();
    FinalState state;
    std::vector<BlockCountItem> counts;
    state.countsRead = store->GetBlockList(counts);
    state.counts = CountsOf(counts);
    std::vector<ProtectFileItem> rejects, files;
    std::vector<std::wstring> extensions;
    state.rejectsRead = store->GetRejectList(rejects);
    for (const std::wstring& path : SoakPathsOf(rejects)) state.rejects.insert(path);
    state.protectsRead = store->GetProtectFileList(files, extensions);
    for (const std::wstring& path : SoakPathsOf(files)) state.protects.insert(path);
    for (const std::wstring& extension : extensions)
        if (IsSoakPath(extension)) state.protects.insert(extension);

    state.remainingIds = TakeQuietly(library.Cache());
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (GetFileAttributesExW(run.File(kCacheFile).c_str(), GetFileExInfoStandard, &attributes))
        state.cacheBytesAfterTake = attributes.nFileSizeLow;
    if (FILE* counter = _wfopen(run.File(kCounterFile).c_str(), L"rb")) {
        state.counterRead = fscanf(counter, "%ld", &state.counter) == 1;
        fclose(counter);
    }
    state.integrity = IntegrityCheck(library.RuleDatabasePath());
    return state;
}

std::vector<std::string> PrintedInDoubt(const WorkerRecord& worker, const SoakRun& run) {
    const std::string text = ReadWholeFile(run.File(OutputFile(worker.worker)));
    std::multiset<std::string> journalled;
    for (const JournalOp& op : worker.journal.ops)
        if (op.op == Op::kTakeIds && op.outcome == Outcome::kDone)
            journalled.insert(op.ids.begin(), op.ids.end());
    // The library prints "pathHash=<id>" per id with nothing between them;
    // the ids it printed beyond those journalled are what the last take
    // handed out before the kill.
    static const std::string kMark = "pathHash=";
    static const std::regex kSoakId("w[0-9]+-[0-9]+");  // not Wine's noise on the same file
    std::vector<std::string> ids;
    for (size_t at = text.find(kMark); at != std::string::npos;) {
        const size_t begin = at + kMark.size();
        at = text.find(kMark, begin);
        // Only an id followed by the next mark is whole: the kill may have
        // cut the last one short.
        if (at == std::string::npos) break;
        const std::string id = text.substr(begin, at - begin);
        auto known = journalled.find(id);
        if (known != journalled.end()) journalled.erase(known);
        else if (std::regex_match(id, kSoakId)) ids.push_back(id);
    }
    return ids;
}
