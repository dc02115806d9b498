#include "Soak.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

using nlohmann::json;

SoakRun::SoakRun(uint32_t parent)
    : parentId(parent), name(L"fileprotect-soak-" + std::to_wstring(parent)) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder = temp + name;
}

std::wstring BlockPath(int index) { return fmt::format(L"{}block\\{}", kSoakPrefix, index); }

BlockCounts CountsOf(const std::vector<BlockCountItem>& rows) {
    BlockCounts counts = {};
    for (const BlockCountItem& row : rows)
        for (int p = 0; p < kBlockPaths; ++p)
            if (row.filepath == BlockPath(p)) counts[p] = row.blockcount;
    return counts;
}

std::vector<std::wstring> GroupRows(const GroupTable& table, int worker, int group, int size) {
    std::vector<std::wstring> paths;
    for (int i = 1; i <= size; ++i)
        paths.push_back(fmt::format(L"{}{}\\w{}\\g{}-{}of{}", kSoakPrefix, table.name, worker,
                                    group, i, size));
    return paths;
}

bool ParseGroupRow(const std::wstring& path, const GroupTable& table, int* worker, int* group,
                   int* size) {
    const std::wstring head = std::wstring(kSoakPrefix) + table.name + L"\\w";
    if (path.compare(0, head.size(), head) != 0) return false;
    int index = 0;
    wchar_t tail = 0;
    // The trailing %lc catches anything after the size.
    const int fields = swscanf(path.c_str() + head.size(), L"%d\\g%d-%dof%d%lc", worker, group,
                               &index, size, &tail);
    return fields == 4 && index >= 1 && index <= *size;
}

bool ReadCounter(const std::wstring& path, long* value) {
    const std::string text = ReadWholeFile(path);
    char* end = nullptr;
    *value = std::strtol(text.c_str(), &end, 10);
    return end != text.c_str();
}

bool WriteCounter(const std::wstring& path, long value) {
    const std::wstring aside = path + L".new";
    FILE* file = _wfopen(aside.c_str(), L"wb");
    if (!file) return false;
    const bool printed = fprintf(file, "%ld", value) > 0;
    return fclose(file) == 0 && printed &&
           MoveFileExW(aside.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
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

void to_json(json& line, Op op) { line = InfoOf(op).name; }
void from_json(const json& line, Op& op) {
    for (const OpInfo& info : kOps) {
        if (line != info.name) continue;
        op = info.op;
        return;
    }
    throw std::invalid_argument("no operation is called " + line.dump());
}
NLOHMANN_JSON_SERIALIZE_ENUM(Outcome, {{Outcome::kPending, "pending"},
                                       {Outcome::kDone, "done"},
                                       {Outcome::kRefused, "refused"}})
NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE_WITH_DEFAULT(JournalOp, seq, op, started, ended, outcome, adds,
                                                group, size, ids, value, attempts, anomalies)

// One WriteFile per whole line on an unbuffered handle: once it returns, the
// line belongs to the system and survives the death of this process. (A
// FlushFileBuffers would guard against the machine failing as well, which
// the soak does not simulate; it would only make the journal the slowest
// part of every operation.)
bool WriteJournal(const fileprotect::Handle& journal, const JournalOp& op) {
    json line = op;
    // Defaults (zero, empty) are left out: the reader puts them back, and
    // the parent reads every journal whole for each progress line.
    for (auto field = line.begin(); field != line.end();)
        field = field->empty() || *field == 0 ? line.erase(field) : std::next(field);
    const std::string text = line.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    DWORD written = 0;
    return WriteFile(journal.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
}

WorkerJournal ReadJournal(const std::wstring& path) {
    const std::string content = ReadWholeFile(path);
    WorkerJournal journal;
    size_t begin = 0;
    // Only whole lines count: a cut last line was never acknowledged.
    for (size_t end; (end = content.find('\n', begin)) != std::string::npos; begin = end + 1) {
        JournalOp op;
        try {
            op = json::parse(content.begin() + begin, content.begin() + end).get<JournalOp>();
        } catch (const std::exception&) {  // not JSON, or not an operation
            ++journal.unreadableLines;
            continue;
        }
        // A worker answers its operation before it begins the next one.
        std::vector<JournalOp>& ops = journal.ops;
        if (op.outcome == Outcome::kPending && op.seq > 0) ops.push_back(op);
        else if (!ops.empty() && ops.back().seq == op.seq &&
                 ops.back().outcome == Outcome::kPending)
            ops.back() = op;
        else ++journal.unreadableLines;
    }
    return journal;
}

int64_t CountDone(const std::wstring& path) {
    const std::string content = ReadWholeFile(path);
    int64_t done = 0;
    for (size_t at = 0; (at = content.find("\"outcome\":\"done\"", at)) != std::string::npos; ++at)
        ++done;
    return done;
}
