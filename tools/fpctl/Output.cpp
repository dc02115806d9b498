#include "Output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

using fileprotect::Utf8;
using fileprotect::Wide;

namespace {

// Large output goes out in parts of this size, not a line at a time.
constexpr size_t kPart = 1 << 16;

// A message may quote a whole file's worth of text (a parser's "last read"):
// the person at the console gets its start.
constexpr size_t kMessageLimit = 4000;

void Write(FILE* stream, const std::string& bytes) {
    fwrite(bytes.data(), 1, bytes.size(), stream);
    fputc('\n', stream);
}

// Characters a reader sees, for lining up columns (UTF-8 continuation bytes
// do not count).
size_t DisplayWidth(const std::string& utf8) {
    return std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

// Characters that move the cursor, end a line, talk to the terminal or show
// as nothing.
bool Hidden(wchar_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

// Printable() of utf8, appended to out.
void AppendPrintable(const std::string& utf8, std::string& out) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
        out += utf8;  // most cells of a list: nothing to escape
        return;
    }
    const std::wstring text = Wide(utf8);
    size_t start = 0;  // the first character not appended yet
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (!Hidden(c)) continue;
        out += Utf8(text.substr(start, i - start));
        char escape[8];
        snprintf(escape, sizeof(escape), c < 0x80 ? "\\x%02x" : "\\u%04x", static_cast<unsigned>(c));
        out += c == L'\n' ? "\\n" : c == L'\r' ? "\\r" : c == L'\t' ? "\\t" : escape;
        start = i + 1;
    }
    out += Utf8(text.substr(start));
}

// A text cell as it is; a number or a truth value as JSON writes it.
std::string CellText(const Json& value) {
    if (value.is_string()) return value.get<std::string>();
    return value.is_null() ? std::string() : value.dump();
}

// A person can answer only when both the question and the keyboard are a
// console; a script's pipe or file gets the refusal instead of a prompt that
// nobody reads.
bool OnConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
           GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode);
}

std::string ReadAnswer() {
    wchar_t buffer[64] = {};
    DWORD got = 0;
    if (!ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), buffer, 63, &got, nullptr)) return std::string();
    std::wstring answer(buffer, got);
    while (!answer.empty() && (answer.back() == L'\n' || answer.back() == L'\r' || answer.back() == L' '))
        answer.pop_back();
    return Utf8(answer);
}

}  // namespace

OutputSetup::OutputSetup() {
    _setmode(_fileno(stdout), _O_BINARY);
    // Lists of many rows go out in large writes, not one per line.
    setvbuf(stdout, nullptr, _IOFBF, kPart);
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

void PrintLine(const std::string& utf8) { Write(stdout, Printable(utf8)); }

void PrintText(const std::string& utf8) { Write(stdout, utf8); }

void PrintJson(const Json& document) {
    // Texts come from the UTF-16 conversion and are valid UTF-8; replacing
    // keeps a broken byte from ending the output half-way all the same.
    Write(stdout, document.dump(2, ' ', false, Json::error_handler_t::replace));
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

Column Field(std::string header, std::string name) {
    return {std::move(header), [name = std::move(name)](const Json& row) {
                const auto found = row.find(name);
                return found == row.end() ? std::string() : CellText(*found);
            }};
}

Column Field(std::string header, size_t index) {
    return {std::move(header), [index](const Json& row) { return CellText(row.at(index)); }};
}

void PrintTable(const Json& rows, const std::vector<Column>& columns) {
    std::vector<std::string> cells;  // escaped, the headers first, then row by row
    std::vector<size_t> widths(columns.size(), 0);
    const auto add = [&cells, &widths](const std::string& text, size_t column) {
        cells.push_back(Printable(text));
        widths[column] = std::max(widths[column], DisplayWidth(cells.back()));
    };
    for (size_t column = 0; column < columns.size(); ++column) add(columns[column].header, column);
    for (const Json& row : rows)
        for (size_t column = 0; column < columns.size(); ++column) add(columns[column].cell(row), column);

    std::string text;
    for (size_t cell = 0; cell < cells.size(); ++cell) {
        const size_t column = cell % columns.size();
        text += cells[cell];
        if (column + 1 < columns.size())  // padded in characters, as the widths are counted
            text.append(widths[column] - DisplayWidth(cells[cell]) + 2, ' ');
        else
            text += '\n';
        if (text.size() >= kPart || cell + 1 == cells.size()) {
            fwrite(text.data(), 1, text.size(), stdout);
            text.clear();
        }
    }
}

void PrintRows(const Context& context, const Json& rows, const std::vector<Column>& columns) {
    if (context.json)
        PrintJson(rows);
    else
        PrintTable(rows, columns);
}

void Report(const Context& context, const std::string& text, const Json& document) {
    if (context.json)
        PrintJson(document);
    else
        PrintLine(text);
}

std::string OneLine(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string Count(size_t n, const std::string& noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); }

void Warn(const std::string& text) { PrintError("fpctl: " + text); }

std::string Printable(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendPrintable(utf8, out);
    return out;
}

std::string Shown(const std::string& utf8, size_t limit) {
    if (utf8.size() <= limit) return Printable(utf8);
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;  // whole characters
    return Printable(utf8.substr(0, cut)) + "... (" + std::to_string(utf8.size() - cut) + " more bytes)";
}

void RequireConfirmation(const Context& context, const std::string& what) {
    if (context.yes) return;
    if (!OnConsole()) throw UsageError("this would " + what + "; give --yes to do it without a question");
    PrintUsage("fpctl: this will " + what + ". Go on? [y/N]");
    const std::string answer = ReadAnswer();
    if (answer != "y" && answer != "Y" && answer != "yes" && answer != "YES")
        throw UsageError("not confirmed; nothing was changed");
}
