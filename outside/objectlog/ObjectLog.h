// The host logger, as the library sees it: an object with virtual operations
// whose fourth operation writes one printf-style line.
#pragma once

#include <cstddef>

#ifdef OBJECTLOG_BUILDING_DLL
#define OBJECTLOG_API extern "C" __declspec(dllexport)
#else
#define OBJECTLOG_API extern "C" __declspec(dllimport)
#endif

class IObjectLog {
public:
    // Sends later lines to the file at path (appended), or to standard error
    // for a null or empty path. The initial target comes from the environment
    // variable OBJECTLOG_FILE, so child processes log to the same file.
    virtual void SetOutputFile(const wchar_t* path) = 0;  // 0
    // Number of lines this process has logged so far.
    virtual size_t LineCount() = 0;                       // 1
    virtual void Reserved() = 0;                          // 2
    virtual int Log(const char* format, ...) = 0;         // 3
};

OBJECTLOG_API IObjectLog* GetObjectLog();
