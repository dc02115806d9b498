#include "Soak.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

SoakRun::SoakRun(uint32_t parent)
    : parentId(parent), name(L"fileprotect-soak-" + std::to_wstring(parent)) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder = temp + name;
}

std::wstring JournalFile(int worker) { return L"journal-w" + std::to_wstring(worker) + L".log"; }
std::wstring OutputFile(int worker) { return L"output-w" + std::to_wstring(worker) + L".txt"; }

std::wstring BlockPath(int index) {
    return std::wstring(kSoakPrefix) + L"block\\" + std::to_wstring(index);
}

BlockCounts CountsOf(const std::vector<BlockCountItem>& rows) {
    BlockCounts counts = {};
    for (const BlockCountItem& row : rows)
        for (int p = 0; p < kBlockPaths; ++p)
            if (row.filepath == BlockPath(p)) counts[p] = row.blockcount;
    return counts;
}

std::wstring GroupRowPath(const GroupTable& table, int worker, int group, int index, int size) {
    return std::wstring(kSoakPrefix) + table.name + L"\\w" + std::to_wstring(worker) + L"\\g" +
           std::to_wstring(group) + L"-" + std::to_wstring(index) + L"of" + std::to_wstring(size);
}

int64_t NowMicros() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

// The C runtime opens a file sharing reading and writing, so a worker may
// still be writing what the parent reads.
std::string ReadWholeFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
