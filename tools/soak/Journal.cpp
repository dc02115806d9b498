#include "Journal.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

JournalWriter::~JournalWriter() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool JournalWriter::Open(const std::wstring& path) {
    file_ = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    return file_ != INVALID_HANDLE_VALUE;
}

// One WriteFile per whole line on an unbuffered handle: once it returns, the
// line belongs to the system and survives the death of this process. (A
// FlushFileBuffers would guard against the machine failing as well, which
// the soak does not simulate; it would only make the journal the slowest
// part of every operation.)
bool JournalWriter::Write(const std::string& line) {
    DWORD written = 0;
    return WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

bool JournalWriter::Intent(int64_t seq, OpKind kind, const std::string& args) {
    std::string line = "I " + std::to_string(seq) + " " + std::to_string(NowMicros()) + " " +
                       OpName(kind);
    if (!args.empty()) line += " " + args;
    return Write(line + "\n");
}

bool JournalWriter::Done(int64_t seq, const std::string& results) {
    std::string line = "A " + std::to_string(seq) + " " + std::to_string(NowMicros());
    if (!results.empty()) line += " " + results;
    return Write(line + "\n");
}

bool JournalWriter::Refused(int64_t seq) {
    return Write("F " + std::to_string(seq) + " " + std::to_string(NowMicros()) + "\n");
}

bool JournalWriter::Anomaly(int64_t seq, const std::string& detail) {
    return Write("X " + std::to_string(seq) + " " + detail + "\n");
}

namespace {

std::string ReadWholeFile(const std::wstring& path) {
    std::string content;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return content;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

int64_t Number(const std::string& word) { return strtoll(word.c_str(), nullptr, 10); }

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

}  // namespace

const JournalOp* WorkerJournal::Pending() const {
    for (const JournalOp& op : ops)
        if (op.outcome == Outcome::kPending) return &op;
    return nullptr;
}

bool ReadJournal(const std::wstring& path, WorkerJournal* journal) {
    const std::string content = ReadWholeFile(path);
    size_t begin = 0;
    // Only whole lines count: a cut last line was never acknowledged.
    for (size_t end; (end = content.find('\n', begin)) != std::string::npos; begin = end + 1) {
        const std::vector<std::string> words = Words(content.substr(begin, end - begin));
        if (words.size() < 2) {
            ++journal->unreadableLines;
            continue;
        }
        const std::string& tag = words[0];
        const int64_t seq = Number(words[1]);
        if (tag == "X") {
            std::string detail;
            for (size_t i = 2; i < words.size(); ++i) detail += (i > 2 ? " " : "") + words[i];
            journal->anomalies.push_back(detail);
            continue;
        }
        if (words.size() < 3) {
            ++journal->unreadableLines;
            continue;
        }
        if (tag == "I" && words.size() >= 4) {
            JournalOp op;
            op.seq = seq;
            op.started = Number(words[2]);
            if (!OpFromName(words[3], &op.kind)) {
                ++journal->unreadableLines;
                continue;
            }
            op.args.assign(words.begin() + 4, words.end());
            journal->ops.push_back(op);
        } else if ((tag == "A" || tag == "F") && !journal->ops.empty() &&
                   journal->ops.back().seq == seq) {
            // A worker answers its operation before it begins the next one.
            JournalOp& op = journal->ops.back();
            op.outcome = tag == "A" ? Outcome::kDone : Outcome::kRefused;
            op.ended = Number(words[2]);
            op.results.assign(words.begin() + 3, words.end());
        } else {
            ++journal->unreadableLines;
        }
    }
    return !content.empty();
}

int64_t CountDone(const std::wstring& path) {
    const std::string content = ReadWholeFile(path);
    int64_t done = content.compare(0, 2, "A ") == 0 ? 1 : 0;
    for (size_t at = 0; (at = content.find("\nA ", at)) != std::string::npos; ++at) ++done;
    return done;
}
