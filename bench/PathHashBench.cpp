// GetPathHash against what its interface forces on any implementation: the
// copy of its by-value argument, and the checksum of the very bytes it
// hashes. The ratio is what the upper-casing and the UTF-8 encoding cost.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/Ratios.h"
#include "tests/support/TestSupport.h"
#include "outside/zqcrc32/ZQCrc32.h"

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
        bytes.push_back(Utf8(path));
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

// The floor: the by-value argument's copy plus the checksum of the same
// bytes, prepared outside the timing.
void BM_ArgumentCopyAndChecksum(benchmark::State& state) {
    const std::vector<std::wstring>& paths = TypicalPaths();
    const std::vector<std::string> bytes = HashedBytes();
    for (auto _ : state)
        for (size_t i = 0; i < paths.size(); ++i) {
            std::wstring copy = paths[i];
            benchmark::DoNotOptimize(copy.data());
            benchmark::DoNotOptimize(
                ZQCrc32(bytes[i].data(), static_cast<uint32_t>(bytes[i].size())));
        }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(paths.size()));
}
BENCHMARK(BM_ArgumentCopyAndChecksum);

}  // namespace

BENCH_RATIO(path_hash_floor, "GetPathHash vs argument copy + checksum", "BM_GetPathHash",
            "BM_ArgumentCopyAndChecksum", 0.85);
