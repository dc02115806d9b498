#include "Text.h"

#include <windows.h>

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &result[0], bytes, nullptr, nullptr);
    return result;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int length = static_cast<int>(utf8.size());
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring result(units > 0 ? units : 0, L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &result[0], units);
    return result;
}

size_t DisplayWidth(const std::string& utf8) {
    size_t width = 0;
    for (unsigned char byte : utf8)
        if ((byte & 0xC0) != 0x80) ++width;
    return width;
}
