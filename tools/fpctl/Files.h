// Reading a whole file for fpctl's own use (an import file, the cache file).
#pragma once

#include <windows.h>

#include <string>

// Opens for reading, sharing only reading. A writer that holds the file open
// exclusively is waited for, 100 ms a try, up to the given number of tries.
// INVALID_HANDLE_VALUE on failure, with the last error set.
HANDLE OpenToRead(const std::wstring& path, int tries);

// Every byte of an open file; closes it.
std::string ReadAllAndClose(HANDLE file);
