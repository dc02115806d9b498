// UTF-16 <-> UTF-8 with the platform's converters. Both directions ask for the
// length first and convert into a zero-filled buffer one unit longer, so the
// result is terminated without relying on the platform to write a NUL.
#include <climits>
#include <memory>

#include "base/Helper.h"
#include "helpers/HlpFunc.h"

bool CHlpFunc::WideToUtf8Buffer(std::wstring text, char** buffer) {
    if (text.empty() || !buffer || text.size() > INT_MAX) return false;
    const int units = static_cast<int>(text.size());
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;

    char* bytes = new char[static_cast<size_t>(length) + 1]();
    if (WideCharToMultiByte(CP_UTF8, 0, text.data(), units, bytes, length, nullptr, nullptr) == 0) {
        delete[] bytes;
        return false;
    }
    *buffer = bytes;
    return true;
}

std::string CHlpFunc::WideToUtf8(std::wstring text) {
    char* bytes = nullptr;
    if (!Helper()->WideToUtf8Buffer(text, &bytes)) return std::string();
    std::string result(bytes);  // up to the first NUL, like every C reader
    delete[] bytes;
    return result;
}

std::wstring CHlpFunc::Utf8ToWide(std::string text) {
    if (text.empty() || text.size() > INT_MAX) return std::wstring();
    const int bytes = static_cast<int>(text.size());
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, nullptr, 0);
    if (length <= 0) return std::wstring();

    std::unique_ptr<wchar_t[]> units(new wchar_t[static_cast<size_t>(length) + 1]());
    if (MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, units.get(), length) == 0)
        return std::wstring();
    return std::wstring(units.get());
}
