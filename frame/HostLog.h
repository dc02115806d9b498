// Writes one line to the host process's logger. The logger is fetched anew
// for every line and its result ignored, as the host library expects.
#pragma once

#include "LogLocation.h"
#include "ObjectLog.h"

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
