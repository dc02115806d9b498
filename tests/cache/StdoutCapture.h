// Sends this process's standard output to a file while the object lives,
// so a test can read what the library printed (it prints with the runtime's
// printf, which shares the one standard output stream of the process).
#pragma once

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "TestSupport.h"

class StdoutCapture {
public:
    StdoutCapture() {
        static int serial = 0;
        path_ = MakeTempFolder(L"stdout-" + std::to_wstring(++serial)) + L"\\out.txt";
        fflush(stdout);
        saved_ = _dup(1);
        int file = _wopen(path_.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
        _dup2(file, 1);
        _close(file);
    }
    ~StdoutCapture() {
        fflush(stdout);
        _dup2(saved_, 1);
        _close(saved_);
    }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Everything printed so far.
    std::string Text() const {
        fflush(stdout);
        std::ifstream in(path_.c_str(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::wstring path_;
    int saved_ = -1;
};
