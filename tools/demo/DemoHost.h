// What the parts of the demo host share: the library and a way to print.
#pragma once

#include <fmt/format.h>
#include <fmt/xchar.h>

#include <cstdio>
#include <string>
#include <utility>

#include "interfaces/FileProtectHost.h"

// Prints one line formatted by fmt, as UTF-8.
template <typename... Args>
void Say(fmt::wformat_string<Args...> format, Args&&... args) {
    const std::wstring line = fmt::format(format, std::forward<Args>(args)...);
    std::printf("%s\n", fileprotect::Utf8(line).c_str());
    std::fflush(stdout);
}

using fileprotect::Library;
// Opens the rule store and shows its tables and switches.
void DemoRules(const Library& library);
