// Formatting, case, trimming, splitting and replacing. None of these depends
// on a locale: only the ASCII letters a-z ever change case.
#include <cstdarg>
#include <cwchar>
#include <memory>

#include "helpers/HlpFunc.h"
#include "helpers/RepeatedReplace.h"

namespace {

constexpr size_t kFormatCapacity = 4096;  // characters, terminator included

// The platform's own formatter, so a wide %s takes a wide string. A result
// that does not fit yields an empty text instead of a cut or an overflow.
std::wstring FormatInto(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
    if (!format || capacity == 0) return std::wstring();
    int written = _vsnwprintf(buffer, capacity - 1, format, args);
    if (written < 0) return std::wstring();
    buffer[capacity - 1] = L'\0';
    return std::wstring(buffer);
}

template <typename Text>
Text UpperAscii(Text text) {
    for (auto& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<typename Text::value_type>(c - 0x20);
    return text;
}

// Trailing blanks are cut from the text as a C reader sees it (up to its
// first NUL); the counted length follows the cut.
template <typename Text>
Text CutTrailingSpaces(Text text) {
    size_t end = text.find(typename Text::value_type(0));
    if (end == Text::npos) end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    text.resize(end);
    return text;
}

}  // namespace

std::wstring CHlpFunc::FormatString(const wchar_t* format, ...) {
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[kFormatCapacity]());
    va_list args;
    va_start(args, format);
    std::wstring result = FormatInto(buffer.get(), kFormatCapacity, format, args);
    va_end(args);
    return result;
}

std::wstring CHlpFunc::FormatStringN(int32_t maxLength, const wchar_t* format, ...) {
    if (maxLength < 0) return std::wstring();
    const size_t capacity = static_cast<size_t>(maxLength) + 1;
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[capacity]());
    va_list args;
    va_start(args, format);
    std::wstring result = FormatInto(buffer.get(), capacity, format, args);
    va_end(args);
    return result;
}

std::wstring CHlpFunc::ToUpper(std::wstring text) { return UpperAscii(std::move(text)); }

std::string CHlpFunc::ToUpperA(std::string text) { return UpperAscii(std::move(text)); }

std::string CHlpFunc::TrimRightA(std::string text) { return CutTrailingSpaces(std::move(text)); }

std::wstring CHlpFunc::TrimRight(std::wstring text) { return CutTrailingSpaces(std::move(text)); }

std::vector<std::string> CHlpFunc::SplitStringA(std::string text, std::string delimiter) {
    std::vector<std::string> pieces;
    if (text.empty() || delimiter.empty()) return pieces;
    size_t start = 0;
    for (size_t at = text.find(delimiter); at != std::string::npos;
         at = text.find(delimiter, start)) {
        pieces.push_back(text.substr(start, at - start));
        start = at + delimiter.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::wstring CHlpFunc::ReplaceAll(std::wstring text, std::wstring pattern,
                                  std::wstring replacement) {
    if (text.empty() || pattern.empty()) return text;

    // Rescanning from the start never ends when the replacement brings the
    // pattern back; then every occurrence is replaced once, left to right.
    if (replacement.find(pattern) != std::wstring::npos) {
        std::wstring result;
        size_t start = 0;
        for (size_t at = text.find(pattern); at != std::wstring::npos;
             at = text.find(pattern, start)) {
            result.append(text, start, at - start).append(replacement);
            start = at + pattern.size();
        }
        return result.append(text, start, std::wstring::npos);
    }

    // Only a rewrite that would go on for ever gives the empty text.
    std::wstring result;
    if (!ReplaceUntilNoneLeft(text, pattern, replacement, &result)) return std::wstring();
    return result;
}
