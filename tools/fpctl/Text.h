// Text between the three places fpctl meets it: UTF-16 from the command line
// and the library, UTF-8 on standard output and in JSON files.
#pragma once

#include <cstdint>
#include <string>

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
// Utf8(text) into out, which keeps its capacity: for many rows in a row.
void Utf8Into(const std::wstring& text, std::string& out);

// Characters a reader sees, for lining up columns (UTF-8 continuation bytes
// do not count).
size_t DisplayWidth(const char* utf8, size_t size);
inline size_t DisplayWidth(const std::string& utf8) { return DisplayWidth(utf8.data(), utf8.size()); }

// The text with every character that would move the cursor, end the line,
// talk to the terminal or hide itself written as an escape: \n \r \t, \x1b
// for the other C0 controls and DEL, \u0085 for C1 controls, line and
// paragraph separators, direction marks and overrides, and the byte-order
// mark; a byte that is not UTF-8 as \xff. A backslash stays as it is, since
// every Windows path has them: text output is for reading, --json is exact.
std::string Printable(const std::string& utf8);
// Printable() of size bytes at utf8, appended to out.
void AppendPrintable(const char* utf8, size_t size, std::string& out);

// Printable(utf8), cut after about limit bytes with a note of how much was
// left out: a value quoted in a message.
std::string Shown(const std::string& utf8, size_t limit = 200);
inline std::string Shown(const std::wstring& text, size_t limit = 200) { return Shown(Utf8(text), limit); }

// "error 5: Access is denied." for a system error code.
std::string SystemError(uint32_t code);
