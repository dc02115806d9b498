// Runs the real fpctl.exe (beside the test program) and hands back its exit
// code and standard output, read through a pipe as any script would.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

struct FpctlResult {
    int exitCode = -1;
    std::string out;  // UTF-8
    nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

FpctlResult RunFpctl(const std::vector<std::wstring>& arguments);

std::string Utf8Of(const std::wstring& text);
// A fresh file name under the temporary folder.
std::wstring TempFile(const std::wstring& name);
// The JSON document in a file (null when it cannot be read).
nlohmann::json ReadJson(const std::wstring& path);
// Writes bytes to a file; false on failure.
bool WriteBytes(const std::wstring& path, const std::string& bytes);
