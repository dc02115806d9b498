// Text between the three places fpctl meets it: UTF-16 from the command line
// and the library, UTF-8 on standard output and in JSON files.
#pragma once

#include <string>

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// Characters a reader sees, for lining up columns (UTF-8 continuation bytes
// do not count).
size_t DisplayWidth(const std::string& utf8);
