// Standard output as UTF-8 bytes: plain lines, aligned tables and JSON.
// Bytes go out through fwrite in binary mode, never through the wide console
// functions, so a pipe reads exactly what a console shows. Text is printed
// through Printable(): a value holding a line break or an escape sequence can
// neither forge a row nor reach the terminal; JSON is exact.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "Fpctl.h"

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
void PrintJson(const Json& document);
// A message for the person at the console, on standard error: each line
// escaped as PrintLine does, the whole cut to a few thousand bytes.
void PrintError(const std::string& utf8);
// Usage text of our own, as it is, on standard error.
void PrintUsage(const std::string& utf8);

// A column of a text table: its header and its cell in a row.
struct Column {
    std::string header;
    std::function<std::string(const Json& row)> cell;
};
// The column of an object row's field (empty where the row lacks it), or of
// an array row's element: a text as it is, anything else as JSON.
Column Field(std::string header, std::string name);
Column Field(std::string header, size_t index);

// Rows (a JSON array) as a table: the headers, then a line per row, each
// column as wide as its widest cell, the last one not padded, every cell
// escaped as PrintLine escapes a line.
void PrintTable(const Json& rows, const std::vector<Column>& columns);
// With --json the rows themselves, else their table.
void PrintRows(const Context& context, const Json& rows, const std::vector<Column>& columns);
// With --json the document, else the line of text.
void Report(const Context& context, const std::string& text, const Json& document);

// A JSON value on one line, as a message or a dry run quotes it.
std::string OneLine(const Json& value);
// "1 path" / "3 paths".
std::string Count(size_t n, const std::string& noun);
// A warning for the person at the console (standard error, both with and
// without --json): something was done, but not all of what was asked.
void Warn(const std::string& text);

// The text with every character that would move the cursor, end the line,
// talk to the terminal or hide itself written as an escape: \n \r \t, \x1b
// for the other C0 controls and DEL, \u0085 for C1 controls, line and
// paragraph separators, direction marks and overrides, and the byte-order
// mark. A backslash stays as it is, since
// every Windows path has them: text output is for reading, --json is exact.
std::string Printable(const std::string& utf8);
// Printable(utf8), cut after about limit bytes with a note of how much was
// left out: a value quoted in a message.
std::string Shown(const std::string& utf8, size_t limit = 200);
inline std::string Shown(const std::wstring& text, size_t limit = 200) {
    return Shown(fileprotect::Utf8(text), limit);
}
