// The source-location tag at the head of every log line.
#pragma once

// The tag is returned by value: each caller gets its own copy, so a logger
// still reading one line's tag never sees another thread rebuild it.
struct LogLocation {
    char text[128];
};

// "<store source file name>(<line>)", e.g. "FileProtectCfgMgr.cpp(172)".
LogLocation MakeLogLocation(int line);

// Compile-time path of the store's source file; every tag names that file.
extern const char kStoreSourcePath[];
