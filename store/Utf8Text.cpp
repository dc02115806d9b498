#include "store/Utf8Text.h"

#include <windows.h>

#include <climits>
#include <cstring>

#include "base/Helper.h"
#include "base/Utf8Encoder.h"
#include "outside/zqcrc32/ZQCrc32.h"

void ToHelperUtf8(const std::wstring& text, std::string* utf8) {
    if (text.size() > INT_MAX / 4) {
        utf8->clear();  // the platform converter's counts cannot hold it
        return;
    }
    utf8->resize(text.size() * 3 + 4);
    auto* out = reinterpret_cast<unsigned char*>(&(*utf8)[0]);
    size_t length = 0;
    if (!EncodeUtf8(text.data(), text.size(), false, out, utf8->size(), &length)) {
        // A lone surrogate: the platform decides its replacement. Only the
        // units before the first NUL count, as the helper's result ends there.
        const size_t units = text.find(L'\0') == std::wstring::npos ? text.size()
                                                                     : text.find(L'\0');
        const int written =
            WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(units), &(*utf8)[0],
                                static_cast<int>(utf8->size()), nullptr, nullptr);
        length = written > 0 ? static_cast<size_t>(written) : 0;
    }
    utf8->resize(length);
}

void FromHelperUtf8(const char* bytes, std::wstring* text) {
    const size_t length = strlen(bytes);
    if (length > INT_MAX) {
        text->clear();
        return;
    }
    text->resize(length);
    // ASCII is its own UTF-16, unit for unit, the way the platform reads it.
    size_t ascii = 0;
    for (; ascii < length && static_cast<unsigned char>(bytes[ascii]) < 0x80; ++ascii)
        (*text)[ascii] = static_cast<wchar_t>(bytes[ascii]);
    if (ascii == length) return;

    // Never more units than bytes: a sequence yields at most one unit per
    // byte it spans, and so does each ill-formed byte's replacement.
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), &(*text)[0],
                                    static_cast<int>(length));
    if (units <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        units = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), nullptr, 0);
        if (units > 0) {
            text->resize(static_cast<size_t>(units));
            units = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), &(*text)[0],
                                        units);
        }
    }
    text->resize(units > 0 ? static_cast<size_t>(units) : 0);
    const size_t nul = text->find(L'\0');
    if (nul != std::wstring::npos) text->resize(nul);
}

uint32_t HelperPathHash(const std::wstring& path) {
    unsigned char bytes[1024];
    size_t length = 0;
    if (!path.empty() && EncodeUtf8(path.data(), path.size(), true, bytes, sizeof(bytes), &length))
        return ZQCrc32(bytes, static_cast<uint32_t>(length));
    return Helper()->GetPathHash(path);
}
