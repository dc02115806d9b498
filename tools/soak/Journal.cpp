#include "Journal.h"

#include <stdexcept>

using nlohmann::json;

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

bool JournalWriter::Open(const std::wstring& path) {
    file_.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return file_.Valid();
}

// One WriteFile per whole line on an unbuffered handle: once it returns, the
// line belongs to the system and survives the death of this process. (A
// FlushFileBuffers would guard against the machine failing as well, which
// the soak does not simulate; it would only make the journal the slowest
// part of every operation.)
bool JournalWriter::Write(const JournalOp& op) {
    json line = op;
    // Defaults (zero, empty) are left out: the reader puts them back, and
    // the parent reads every journal whole for each progress line.
    for (auto field = line.begin(); field != line.end();)
        field = field->empty() || *field == 0 ? line.erase(field) : std::next(field);
    const std::string text = line.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
    DWORD written = 0;
    return WriteFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
}

const JournalOp* WorkerJournal::Pending() const {
    for (const JournalOp& op : ops)
        if (op.outcome == Outcome::kPending) return &op;
    return nullptr;
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
