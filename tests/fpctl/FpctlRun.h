// Running fpctl.exe as a script would: the arguments given exactly, standard
// output and standard error read back, no console to answer questions. The
// rule database is the machine's: the tests use paths of their own under
// C:\fpctl-test, and the whole store is exported first and put back at the
// end.
#pragma once

#include <windows.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

using Args = std::vector<std::wstring>;
using Paths = std::vector<std::string>;

extern const std::wstring kRoot;  // C:\fpctl-test\ .
extern const std::wstring kLong;  // a path too long for any statement

struct Result {
    int exitCode = -1;
    std::string out;  // UTF-8
    std::string err;  // messages for people
    nlohmann::json Json() const { return nlohmann::json::parse(out, nullptr, false); }
};

Result RunFpctl(const Args& arguments);
// Starts it and returns at once, for tests that watch it work or kill it;
// standard output and error go nowhere.
HANDLE StartFpctl(const Args& arguments);

// A file name in a fresh folder of this run.
std::wstring TempFile(const std::wstring& name);
nlohmann::json ReadJson(const std::wstring& path);
// Writes the document to a file of this run and returns its name.
std::wstring JsonFile(const std::wstring& name, const nlohmann::json& document);

// The rows a list command gives as JSON, and the paths of those under kRoot.
nlohmann::json Rows(Args listCommand);
Paths Listed(const Args& listCommand);

// Every table as export writes it.
nlohmann::json Exported();
