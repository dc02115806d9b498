#include "Output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "Text.h"

OutputSetup::OutputSetup() {
    _setmode(_fileno(stdout), _O_BINARY);
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

void PrintLine(const std::string& utf8) {
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    fputc('\n', stdout);
}

void PrintJson(const nlohmann::json& document) {
    // Texts come from the UTF-16 conversion and are valid UTF-8; replacing
    // keeps a broken byte from ending the output half-way all the same.
    PrintLine(document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace));
}

void PrintError(const std::string& utf8) {
    fflush(stdout);
    fwrite(utf8.data(), 1, utf8.size(), stderr);
    fputc('\n', stderr);
    fflush(stderr);
}

void Table::Print() const {
    std::vector<size_t> widths;
    for (const auto& row : rows_) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    for (const auto& row : rows_) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]) + 2, ' ');
        }
        PrintLine(line);
    }
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
