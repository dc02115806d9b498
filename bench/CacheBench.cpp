// Appends to the cache file through the library, from one and from four
// processes at once, against the same XML appended by bare TinyXML (no lock,
// no exclusive open, no retry) in this process, saved in place and, as safe
// against kills, by renaming over the file. All count appended items;
// the timer runs only while items are appended, not while processes start.
// And one append in this process with items already waiting in the file,
// against one with none waiting: an append should cost the same however many
// items wait for the taker.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench/GatedChildren.h"
#include "bench/Ratios.h"
#include "tests/support/TestSupport.h"
#include "tinyxml.h"

namespace {

constexpr int kItemsPerProcess = 100;
constexpr char kEmptyCacheFile[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<PathItem />\n";

std::wstring BenchFile() {
    static const std::wstring folder = MakeTempFolder(L"bench-cache");
    return folder + L"\\cache.xml";
}

void WriteEmptyCacheFile(const std::wstring& path) {
    FILE* file = _wfopen(path.c_str(), L"w");
    if (!file) return;
    fputs(kEmptyCacheFile, file);
    fclose(file);
}

// Each iteration: a fresh file, `processes` appending cache_child children that all
// wait at a gate, then the time from opening the gate until every child has
// reported its last append.
void BM_CacheAppendProcesses(benchmark::State& state) {
    const int processes = static_cast<int>(state.range(0));
    const std::wstring path = BenchFile();
    for (auto _ : state) {
        DeleteFileW(path.c_str());
        if (!getFileProtectCacheMgr()->InitCacheFile(path, L"bench")) {
            state.SkipWithError("cache file not created");
            return;
        }
        auto arguments = [&](int i, const GateNames& gate) {
            return L"append \"" + path + L"\" b" + std::to_wstring(i) + L" " +
                   std::to_wstring(kItemsPerProcess) + L" " + gate.ready + L" " + gate.go +
                   L" single " + gate.done;
        };
        if (!TimeGatedChildren(state, L"cache_child", processes, arguments)) return;
    }
    state.SetItemsProcessed(state.iterations() * processes * kItemsPerProcess);
}
BENCHMARK(BM_CacheAppendProcesses)->Arg(1)->Arg(4)->Iterations(3)->UseManualTime();

// Prints the document over the file: how a bare loop saves.
bool SaveInPlace(const TiXmlDocument& document, const std::wstring& path) {
    FILE* out = _wfopen(path.c_str(), L"w+");
    if (!out) return false;
    document.Print(out, 0);
    return fclose(out) == 0;
}

// Prints the document beside the file and renames it over the file: the
// usual way to survive being killed mid-save, as the library does.
bool SaveByReplacing(const TiXmlDocument& document, const std::wstring& path) {
    const std::wstring partial = path + L".tmp";
    return SaveInPlace(document, partial) &&
           MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// The same appends as bare TinyXML: load, add one item, save.
template <bool (*Save)(const TiXmlDocument&, const std::wstring&)>
void BM_TinyXmlAppend(benchmark::State& state) {
    const int items = static_cast<int>(state.range(0));
    const std::wstring path = BenchFile();
    for (auto _ : state) {
        WriteEmptyCacheFile(path);
        auto start = std::chrono::steady_clock::now();
        for (int n = 0; n < items; ++n) {
            TiXmlDocument document;
            FILE* in = _wfopen(path.c_str(), L"rb");
            if (!in) break;
            bool loaded = document.LoadFile(in, TIXML_ENCODING_UTF8);
            fclose(in);
            if (!loaded || !document.RootElement()) break;
            TiXmlElement* item = new TiXmlElement("Item");
            item->SetAttribute("pathid", ("b0-" + std::to_string(n)).c_str());
            document.RootElement()->LinkEndChild(item);
            if (!Save(document, path)) break;
        }
        auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    state.SetItemsProcessed(state.iterations() * items);
}
// One process appends as many items as the bare loop; four processes end with
// a file as long as the longer loop's.
BENCHMARK_TEMPLATE(BM_TinyXmlAppend, SaveInPlace)->Arg(kItemsPerProcess)
    ->Arg(4 * kItemsPerProcess)->Iterations(3)->UseManualTime();
BENCHMARK_TEMPLATE(BM_TinyXmlAppend, SaveByReplacing)->Arg(kItemsPerProcess)->Iterations(3)
    ->UseManualTime();

// A file as the library writes it, holding `count` items like path hashes.
std::string FileWithItems(int count) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n";
    if (count == 0) return text + "<PathItem />\r\n";
    text += "<PathItem>\r\n";
    for (int n = 0; n < count; ++n)
        text += "    <Item pathid=\"" + std::to_string(-2147483647 + 85899 * n) + "\" />\r\n";
    return text + "</PathItem>\r\n";
}

// Each iteration: the file with `waiting` items written anew (untimed), then
// one AddPathId timed.
void BM_CacheAppendBacklog(benchmark::State& state) {
    const std::wstring path = BenchFile();
    const std::string content = FileWithItems(static_cast<int>(state.range(0)));
    IProtectFileCacheFileMgr* cache = getFileProtectCacheMgr();
    if (!WriteBytes(path, content) || !cache->InitCacheFile(path, L"bench")) {
        state.SkipWithError("cache file not written");
        return;
    }
    for (auto _ : state) {
        if (!WriteBytes(path, content)) {
            state.SkipWithError("cache file not written");
            return;
        }
        auto start = std::chrono::steady_clock::now();
        cache->AddPathId("-1234567890");
        auto elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(elapsed).count());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CacheAppendBacklog)->Arg(0)->Arg(1000)->Arg(10000)->Arg(50000)->Iterations(40)
    ->UseManualTime();

}  // namespace

BENCH_RATIO(cache_append_backlog, "one append, none waiting vs 50,000 waiting",
            "BM_CacheAppendBacklog/50000/iterations:40/manual_time",
            "BM_CacheAppendBacklog/0/iterations:40/manual_time", 0.33);
BENCH_RATIO(cache_append_1p, "cache appends, 1 process vs bare TinyXML",
            "BM_CacheAppendProcesses/1/iterations:3/manual_time",
            "BM_TinyXmlAppend<SaveInPlace>/100/iterations:3/manual_time", 0);
BENCH_RATIO(cache_append_1p_killsafe, "cache appends, 1 process vs TinyXML saving by rename",
            "BM_CacheAppendProcesses/1/iterations:3/manual_time",
            "BM_TinyXmlAppend<SaveByReplacing>/100/iterations:3/manual_time", 0.90);
BENCH_RATIO(cache_append_4p, "cache appends, 4 processes vs bare TinyXML",
            "BM_CacheAppendProcesses/4/iterations:3/manual_time",
            "BM_TinyXmlAppend<SaveInPlace>/400/iterations:3/manual_time", 0);
