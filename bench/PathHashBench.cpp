// GetPathHash against the bare checksum over the very bytes it hashes: what
// the upper-casing, the UTF-8 conversion and the interface calls cost.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "Ratios.h"
#include "TestSupport.h"
#include "ZQCrc32.h"

namespace {

const std::vector<std::wstring>& TypicalPaths() {
    static const std::vector<std::wstring> paths = {
        L"C:\\Users\\Public\\Documents\\Quarterly Report 2024.docx",
        L"C:\\Program Files\\Tevra\\Agent\\bin\\agent.exe",
        L"D:\\Projects\\fileprotect\\store\\ProtectPathTable.cpp",
        L"\\Device\\HarddiskVolume3\\Windows\\System32\\drivers\\etc\\hosts",
        L"E:\\Caf\u00e9\\Men\u00fc\\Preise.xlsx",
        L"C:\\Users\\li\\\u6587\u6863\\\u5408\u540c.pdf",
        L"C:\\Windows\\Temp",
        L".docx",
    };
    return paths;
}

// The bytes GetPathHash feeds the checksum: ASCII upper-cased, UTF-8.
std::vector<std::string> HashedBytes() {
    std::vector<std::string> bytes;
    for (std::wstring path : TypicalPaths()) {
        for (wchar_t& c : path)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 0x20);
        bytes.push_back(Narrow(path));
    }
    return bytes;
}

void BM_GetPathHash(benchmark::State& state) {
    IHlpFunc* helper = getHlpObj();
    const std::vector<std::wstring>& paths = TypicalPaths();
    for (auto _ : state)
        for (const std::wstring& path : paths) benchmark::DoNotOptimize(helper->GetPathHash(path));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(paths.size()));
}
BENCHMARK(BM_GetPathHash);

void BM_BareChecksum(benchmark::State& state) {
    const std::vector<std::string> bytes = HashedBytes();
    for (auto _ : state)
        for (const std::string& b : bytes)
            benchmark::DoNotOptimize(ZQCrc32(b.data(), static_cast<uint32_t>(b.size())));
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_BareChecksum);

// The copy that the by-value argument of every interface call makes: a floor
// under GetPathHash that no implementation can go below.
void BM_PathArgumentCopy(benchmark::State& state) {
    const std::vector<std::wstring>& paths = TypicalPaths();
    for (auto _ : state)
        for (const std::wstring& path : paths) {
            std::wstring copy = path;
            benchmark::DoNotOptimize(copy.data());
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(paths.size()));
}
BENCHMARK(BM_PathArgumentCopy);

}  // namespace

BENCH_RATIO(path_hash_floor, "GetPathHash vs the copy of its by-value argument",
            "BM_GetPathHash", "BM_PathArgumentCopy", 0);
BENCH_RATIO(path_hash, "GetPathHash vs bare checksum of its bytes", "BM_GetPathHash",
            "BM_BareChecksum", 0.5);
