#include "Output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "Text.h"

OutputSetup::OutputSetup() {
    _setmode(_fileno(stdout), _O_BINARY);
    // Lists of many rows go out in large writes, not one per line.
    setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
        savedCodePage_ = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
    }
}

OutputSetup::~OutputSetup() {
    fflush(stdout);
    if (savedCodePage_ != 0) SetConsoleOutputCP(savedCodePage_);
}

namespace {

void Write(FILE* stream, const std::string& bytes) {
    fwrite(bytes.data(), 1, bytes.size(), stream);
    fputc('\n', stream);
}

constexpr size_t kPart = 1 << 16;

// A message may quote a whole file's worth of text (a parser's "last read"):
// the person at the console gets its start.
constexpr size_t kMessageLimit = 4000;

}  // namespace

void PrintLine(const std::string& utf8) { Write(stdout, Printable(utf8)); }

void PrintText(const std::string& utf8) { Write(stdout, utf8); }

void PrintJson(const nlohmann::json& document) {
    // Texts come from the UTF-16 conversion and are valid UTF-8; replacing
    // keeps a broken byte from ending the output half-way all the same.
    Write(stdout, document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
}

void PrintError(const std::string& utf8) {
    size_t size = utf8.size();
    while (size > 0 && utf8[size - 1] == '\n') --size;
    std::string message;
    size_t start = 0;
    while (start <= size && message.size() < kMessageLimit) {
        size_t end = utf8.find('\n', start);
        if (end == std::string::npos || end > size) end = size;
        if (!message.empty()) message += '\n';
        message += Shown(utf8.substr(start, end - start), kMessageLimit);
        start = end + 1;
    }
    PrintUsage(message);
}

void PrintUsage(const std::string& utf8) {
    fflush(stdout);
    Write(stderr, utf8);
    fflush(stderr);
}

Table::Table(const std::vector<std::string>& header) { Add(header); }

void Table::Add(const std::vector<std::string>& row) {
    for (const std::string& cell : row) Cell(cell);
    EndRow();
}

void Table::Cell(const std::string& utf8) {
    const size_t start = cells_.size();
    AppendPrintable(utf8.data(), utf8.size(), cells_);
    const size_t column = cellEnds_.size() - (rowEnds_.empty() ? 0 : rowEnds_.back());
    if (widths_.size() <= column) widths_.resize(column + 1, 0);
    widths_[column] = std::max(widths_[column], DisplayWidth(cells_.data() + start, cells_.size() - start));
    cellEnds_.push_back(cells_.size());
}

void Table::Cell(const std::wstring& text) {
    Utf8Into(text, scratch_);
    Cell(scratch_);
}

void Table::EndRow() { rowEnds_.push_back(cellEnds_.size()); }

void Table::Print() const {
    std::string text;  // written out in parts, not a line at a time
    size_t cell = 0;
    for (size_t rowEnd : rowEnds_) {
        for (size_t column = 0; cell < rowEnd; ++cell, ++column) {
            const size_t start = cell == 0 ? 0 : cellEnds_[cell - 1];
            const size_t size = cellEnds_[cell] - start;
            text.append(cells_, start, size);
            // Padding is counted in characters, as the widths are.
            if (cell + 1 < rowEnd) text.append(widths_[column] - DisplayWidth(cells_.data() + start, size) + 2, ' ');
        }
        text += '\n';
        if (text.size() >= kPart) {
            fwrite(text.data(), 1, text.size(), stdout);
            text.clear();
        }
    }
    fwrite(text.data(), 1, text.size(), stdout);  // the cells are escaped already
}

LibraryMessages::LibraryMessages() {
    fflush(stdout);
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"fpc", 0, path)) return;
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    captureFd_ = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY);
    if (captureFd_ < 0) {
        CloseHandle(file);
        return;
    }
    savedStdout_ = _dup(_fileno(stdout));
    if (savedStdout_ < 0 || _dup2(captureFd_, _fileno(stdout)) != 0) {
        if (savedStdout_ >= 0) _close(savedStdout_);
        savedStdout_ = -1;
    }
}

LibraryMessages::~LibraryMessages() {
    Messages();
    if (captureFd_ >= 0) _close(captureFd_);
}

std::string LibraryMessages::Messages() {
    std::string text;
    if (savedStdout_ < 0) return text;
    fflush(stdout);
    _dup2(savedStdout_, _fileno(stdout));
    _close(savedStdout_);
    savedStdout_ = -1;
    _lseek(captureFd_, 0, SEEK_SET);
    char buffer[4096];
    int got = 0;
    while ((got = _read(captureFd_, buffer, sizeof(buffer))) > 0) text.append(buffer, got);
    return text;
}
