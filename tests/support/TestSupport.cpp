#include "tests/support/TestSupport.h"


#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "outside/objectlog/ObjectLog.h"

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring MakeTempFolder(const std::wstring& name) {
    std::error_code ignored;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path(ignored) /
        (L"fileprotect-" + name + L"-" + std::to_wstring(GetCurrentProcessId()));
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder, ignored);
    return folder.wstring();
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    return !out.fail();
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static int logCaptures = 0;

LogCapture::LogCapture()
    : path_(MakeTempFolder(L"log-" + std::to_wstring(++logCaptures)) + L"\\log.txt") {
    GetObjectLog()->SetOutputFile(path_.c_str());
}

LogCapture::~LogCapture() {
    GetObjectLog()->SetOutputFile(nullptr);
    DeleteFileW(path_.c_str());
}

std::vector<std::string> LogCapture::Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(path_.c_str(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t stamp = line.find("] ");  // the stand-in's "<time> [pid:tid] " prefix
        lines.push_back(stamp == std::string::npos ? line : line.substr(stamp + 2));
    }
    return lines;
}

bool LogCapture::Has(const std::string& line) const {
    const std::vector<std::string> lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void DeleteStoreFiles() {
    getFileProtectDbMgr()->CloseDb();
    std::wstring db = fileprotect::RuleDatabasePath(getHlpObj());
    for (const wchar_t* suffix : {L"", L"-wal", L"-shm"}) DeleteFileW((db + suffix).c_str());
}

IFileProtectCfgMgr* FreshStore() {
    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    store->InitDb();  // reopens: earlier tests may have closed or deleted it
    Db db;
    for (const char* table : {"fileprotect", "rejectlist", "whitelist", "config", "blocklist",
                              "const_whitelist"})
        db.Exec(std::string("DELETE FROM ") + table);
    return store;
}

Db::Db() {
    sqlite3_open_v2(Utf8(fileprotect::RuleDatabasePath(getHlpObj())).c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(db_, 60000);
}

Db::~Db() { sqlite3_close(db_); }

std::vector<std::string> Db::Column(const std::string& sql) const {
    std::vector<std::string> values;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        values.push_back("PREPARE FAILED: " + std::string(sqlite3_errmsg(db_)));
        return values;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        values.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
    }
    sqlite3_finalize(statement);
    return values;
}

std::string Db::Scalar(const std::string& sql) const {
    std::vector<std::string> values = Column(sql);
    return values.empty() ? std::string() : values.front();
}

bool Db::Exec(const std::string& sql) const {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

HANDLE StartChild(const std::wstring& name, const std::wstring& arguments, HANDLE output) {
    std::wstring exe = ProgramFolder() + L"\\" + name + L".exe";
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    if (output) {
        SetHandleInformation(output, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
    }
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, output != nullptr, 0,
                        nullptr, nullptr, &startup, &info))
        return nullptr;
    CloseHandle(info.hThread);
    return info.hProcess;
}

int WaitChild(HANDLE process, DWORD timeoutMs) {
    if (!process) return -1;
    int result = -1;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (GetExitCodeProcess(process, &code)) result = static_cast<int>(code);
    } else {
        TerminateProcess(process, 99);
    }
    CloseHandle(process);
    return result;
}

int RunChild(const std::wstring& name, const std::wstring& arguments, DWORD timeoutMs) {
    return WaitChild(StartChild(name, arguments), timeoutMs);
}
