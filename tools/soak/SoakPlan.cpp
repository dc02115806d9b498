#include "SoakPlan.h"

#include <cstdio>
#include <cwchar>

namespace {

const char* const kOpNames[] = {
    "add-count",   "inc-count",   "add-count-list", "read-counts", "add-reject",
    "del-reject",  "read-rejects", "add-protect",   "del-protect", "read-protects",
    "add-id",      "add-ids",      "take-ids",      "lock-increment",
};
static_assert(sizeof(kOpNames) / sizeof(kOpNames[0]) == static_cast<size_t>(OpKind::kCount),
              "one name per operation kind");

}  // namespace

SoakRun SoakRunOf(uint32_t parentId) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    SoakRun run;
    run.parentId = parentId;
    run.folder = std::wstring(temp) + L"fileprotect-soak-" + std::to_wstring(parentId);
    return run;
}

std::wstring BlockPath(int index) {
    return std::wstring(kSoakPrefix) + L"block\\" + std::to_wstring(index);
}

std::wstring GroupRowPath(const wchar_t* table, int worker, int group, int index, int size) {
    return std::wstring(kSoakPrefix) + table + L"\\w" + std::to_wstring(worker) + L"\\g" +
           std::to_wstring(group) + L"-" + std::to_wstring(index) + L"of" + std::to_wstring(size);
}

bool ParseGroupRow(const std::wstring& path, const wchar_t* table, int* worker, int* group,
                   int* size) {
    const std::wstring head = std::wstring(kSoakPrefix) + table + L"\\w";
    if (path.compare(0, head.size(), head) != 0) return false;
    int index = 0;
    wchar_t tail = 0;
    // The trailing %lc catches anything after the size.
    int fields = swscanf(path.c_str() + head.size(), L"%d\\g%d-%dof%d%lc", worker, group, &index,
                         size, &tail);
    return fields == 4 && index >= 1 && index <= *size;
}

bool IsSoakPath(const std::wstring& path) {
    return path.compare(0, wcslen(kSoakPrefix), kSoakPrefix) == 0;
}

const char* OpName(OpKind kind) { return kOpNames[static_cast<int>(kind)]; }

const char* OpArea(OpKind kind) {
    if (kind <= OpKind::kReadCounts) return "counts";
    if (kind <= OpKind::kReadProtects) return "lists";
    if (kind <= OpKind::kTakeIds) return "cache";
    return "lock";
}

bool OpFromName(const std::string& name, OpKind* kind) {
    for (int i = 0; i < static_cast<int>(OpKind::kCount); ++i) {
        if (name == kOpNames[i]) {
            *kind = static_cast<OpKind>(i);
            return true;
        }
    }
    return false;
}

int64_t NowMicros() {
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<int64_t>(now.QuadPart / frequency * 1000000 +
                                now.QuadPart % frequency * 1000000 / frequency);
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                            nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}
