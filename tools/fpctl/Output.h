// Standard output as UTF-8 bytes: plain lines, aligned tables and JSON.
// Bytes go out through fwrite in binary mode, never through the wide console
// functions, so a pipe reads exactly what a console shows. Text lines are
// printed through Printable(): a value holding a line break or an escape
// sequence can neither forge a row nor reach the terminal; JSON is exact.
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

// One line of text; control characters in it are escaped.
void PrintLine(const std::string& utf8);
// Text of our own as it is, line breaks included (help and usage).
void PrintText(const std::string& utf8);
void PrintJson(const nlohmann::json& document);
// A message for the person at the console, on standard error: each line
// escaped as PrintLine does, the whole cut to a few thousand bytes.
void PrintError(const std::string& utf8);
// Usage text of our own, as it is, on standard error.
void PrintUsage(const std::string& utf8);

// Rows of columns, each column as wide as its widest cell; the last column
// is not padded. Cells are escaped as PrintLine escapes a line. Every cell
// lies in one buffer, so that a list of many rows costs few allocations.
class Table {
public:
    explicit Table(const std::vector<std::string>& header);
    void Add(const std::vector<std::string>& row);
    // The next cell of the row being added, then the row's end.
    void Cell(const std::string& utf8);
    void Cell(const std::wstring& text);
    void EndRow();
    size_t Size() const { return rowEnds_.size() - 1; }  // rows below the header
    void Print() const;

private:
    std::string cells_;               // the escaped cells, one after another
    std::vector<size_t> cellEnds_;    // where each cell ends in cells_
    std::vector<size_t> rowEnds_;     // how many cells the rows up to each hold
    std::vector<size_t> widths_;      // per column
    std::string scratch_;             // the UTF-8 of a wide cell
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
