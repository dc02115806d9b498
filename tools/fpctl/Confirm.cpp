#include <windows.h>

#include <cstdio>
#include <string>

#include "Fpctl.h"
#include "Output.h"
#include "Text.h"

namespace {

// A person can answer only when both the question and the keyboard are a
// console; a script's pipe or file gets the refusal instead of a prompt that
// nobody reads.
bool OnConsole() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
           GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode);
}

std::string ReadAnswer() {
    wchar_t buffer[64] = {};
    DWORD got = 0;
    if (!ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), buffer, 63, &got, nullptr)) return std::string();
    std::wstring answer(buffer, got);
    while (!answer.empty() && (answer.back() == L'\n' || answer.back() == L'\r' || answer.back() == L' '))
        answer.pop_back();
    return Utf8(answer);
}

}  // namespace

void RequireConfirmation(const Context& context, const std::string& what) {
    if (context.yes) return;
    if (!OnConsole()) throw UsageError("this would " + what + "; give --yes to do it without a question");
    PrintUsage("fpctl: this will " + what + ". Go on? [y/N]");
    const std::string answer = ReadAnswer();
    if (answer != "y" && answer != "Y" && answer != "yes" && answer != "YES")
        throw UsageError("not confirmed; nothing was changed");
}
