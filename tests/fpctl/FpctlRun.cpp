#include "tests/fpctl/FpctlRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using nlohmann::json;

const std::wstring kRoot = L"C:\\fpctl-test\\";
const std::wstring kLong = kRoot + std::wstring(1100, L'x');

namespace {

// Quoted so that CommandLineToArgvW gives the argument back unchanged.
std::wstring Quote(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted.append(backslashes * 2, L'\\') + L"\"";
}

std::string ReadAll(HANDLE pipe) {
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(pipe);
    return bytes;
}

// Standard input is left unset: fpctl finds no console to ask on.
HANDLE Start(const Args& arguments, HANDLE out, HANDLE err) {
    const std::wstring exe = ProgramFolder() + L"\\fpctl.exe";
    std::wstring commandLine = Quote(exe);
    for (const std::wstring& argument : arguments) commandLine += L" " + Quote(argument);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

}  // namespace

Result RunFpctl(const Args& arguments) {
    Result result;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) return result;
    if (!CreatePipe(&errRead, &errWrite, &inherit, 0)) return result;
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE child = Start(arguments, outWrite, errWrite);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    std::thread errors([&result, errRead] { result.err = ReadAll(errRead); });
    result.out = ReadAll(outRead);
    errors.join();
    result.exitCode = WaitChild(child);
    return result;
}

HANDLE StartFpctl(const Args& arguments) { return Start(arguments, nullptr, nullptr); }

std::wstring TempFile(const std::wstring& name) {
    static const std::wstring folder = MakeTempFolder(L"fpctl");
    return folder + L"\\" + name;
}

json ReadJson(const std::wstring& path) { return json::parse(ReadBytes(path), nullptr, false); }

std::wstring JsonFile(const std::wstring& name, const json& document) {
    const std::wstring file = TempFile(name);
    EXPECT_TRUE(WriteBytes(file, document.dump()));
    return file;
}

json Rows(Args listCommand) {
    listCommand.push_back(L"--json");
    Result result = RunFpctl(listCommand);
    EXPECT_EQ(0, result.exitCode) << result.err;
    return result.Json();
}

Paths Listed(const Args& listCommand) {
    Paths paths;
    for (const auto& row : Rows(listCommand)) {
        std::string path = row.at("filepath").get<std::string>();
        if (path.rfind(Utf8(kRoot), 0) == 0) paths.push_back(path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

json Exported() {
    static int count = 0;
    const std::wstring file = TempFile(L"exported" + std::to_wstring(++count) + L".json");
    const Result result = RunFpctl({L"export", file});
    EXPECT_EQ(0, result.exitCode) << result.err;
    return ReadJson(file);
}

namespace {

class KeepStore : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(0, RunFpctl({L"export", TempFile(L"backup.json")}).exitCode); }
    void TearDown() override {
        EXPECT_EQ(0, RunFpctl({L"import", TempFile(L"backup.json"), L"--replace", L"--yes"}).exitCode);
    }
};
const auto* const kKeepStore = ::testing::AddGlobalTestEnvironment(new KeepStore);

}  // namespace
