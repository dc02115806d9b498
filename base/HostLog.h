// One line to the host process's logger, headed by the tag that says where
// it was written. The logger is fetched anew for every line and its result
// ignored, as the host library expects.
#pragma once

#include "outside/objectlog/ObjectLog.h"

// The tag is returned by value: each caller gets its own copy, so a logger
// still reading one line's tag never sees another thread rebuild it.
struct LogLocation {
    char text[128];
};

// "<store source file name>(<line>)", e.g. "FileProtectCfgMgr.cpp(172)".
LogLocation MakeLogLocation(int line);

// Compile-time path of the store's source file; every tag names that file.
extern const char kStoreSourcePath[];

// Line numbers passed to MakeLogLocation; they tell the logging places apart.
enum LogLine : int {
    kLogCreateDbFail = 172,
    kLogCreateTablesFail = 178,
    kLogStatementFail = 1829,
    kLogCreateEventFail = 2337,
    kLogCreateEventExFail = 2356,
    kLogOpenEventFail = 2376,
};

template <typename... Values>
void WriteLog(LogLine line, const char* format, Values... values) {
    LogLocation tag = MakeLogLocation(line);
    GetObjectLog()->Log(format, tag.text, values...);
}
