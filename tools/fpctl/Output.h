// Standard output as UTF-8 bytes: plain lines, aligned tables and JSON.
// Bytes go out through fwrite in binary mode, never through the wide console
// functions, so a pipe reads exactly what a console shows.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// Puts standard output into binary mode and, on a console, switches it to
// UTF-8 until the object ends.
class OutputSetup {
public:
    OutputSetup();
    ~OutputSetup();
    OutputSetup(const OutputSetup&) = delete;
    OutputSetup& operator=(const OutputSetup&) = delete;

private:
    unsigned int savedCodePage_ = 0;
};

void PrintLine(const std::string& utf8);
void PrintJson(const nlohmann::json& document);
// A message for the person at the console (errors, usage), on standard error.
void PrintError(const std::string& utf8);

// Rows of columns, each column as wide as its widest cell; the last column
// is not padded.
class Table {
public:
    explicit Table(std::vector<std::string> header) { rows_.push_back(std::move(header)); }
    void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    size_t Size() const { return rows_.size() - 1; }
    void Print() const;

private:
    std::vector<std::vector<std::string>> rows_;
};

// While it lives, what the library prints on standard output (the cache
// manager's own messages) goes to a temporary file instead, so it cannot mix
// with fpctl's output; Messages() gives it back.
class LibraryMessages {
public:
    LibraryMessages();
    ~LibraryMessages();
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;
    // Ends the diversion and returns what was printed meanwhile.
    std::string Messages();

private:
    int savedStdout_ = -1;
    int captureFd_ = -1;
};
