// Stand-in host logger: one line per call, stamped with local time, process
// and thread, appended to a file or written to standard error.
#include "outside/objectlog/ObjectLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

class ObjectLog final : public IObjectLog {
public:
    ObjectLog() {
        wchar_t path[MAX_PATH] = {};
        DWORD n = GetEnvironmentVariableW(L"OBJECTLOG_FILE", path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) path_ = path;
    }

    void SetOutputFile(const wchar_t* path) override {
        std::lock_guard<std::mutex> guard(mutex_);
        path_ = path ? path : L"";
    }

    size_t LineCount() override {
        std::lock_guard<std::mutex> guard(mutex_);
        return lines_;
    }

    void Reserved() override {}

    int Log(const char* format, ...) override {
        if (!format) return 0;
        char body[4096];
        va_list args;
        va_start(args, format);
        // A line too long for the buffer is cut, never dropped.
        _vsnprintf(body, sizeof(body) - 1, format, args);
        va_end(args);
        body[sizeof(body) - 1] = '\0';

        SYSTEMTIME now;
        GetLocalTime(&now);
        char line[4200];
        int len = _snprintf(line, sizeof(line) - 1,
                            "%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu:%lu] %s\r\n",
                            now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                            now.wSecond, now.wMilliseconds, GetCurrentProcessId(),
                            GetCurrentThreadId(), body);
        if (len < 0) len = static_cast<int>(sizeof(line) - 1);

        std::lock_guard<std::mutex> guard(mutex_);
        ++lines_;
        return Write(line, static_cast<DWORD>(len)) ? len : 0;
    }

private:
    // Appending with FILE_APPEND_DATA keeps lines from several processes whole.
    bool Write(const char* text, DWORD length) {
        if (path_.empty()) {
            fwrite(text, 1, length, stderr);
            return true;
        }
        HANDLE file = CreateFileW(path_.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        BOOL ok = WriteFile(file, text, length, &written, nullptr);
        CloseHandle(file);
        return ok && written == length;
    }

    std::mutex mutex_;
    std::wstring path_;
    size_t lines_ = 0;
};

}  // namespace

OBJECTLOG_API IObjectLog* GetObjectLog() {
    static ObjectLog log;
    return &log;
}
