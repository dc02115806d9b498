#include "Text.h"

#include <windows.h>

#include <cstdio>

std::string Utf8(const std::wstring& text) {
    std::string result;
    Utf8Into(text, result);
    return result;
}

void Utf8Into(const std::wstring& text, std::string& out) {
    // One call into room for the longest result: three bytes per UTF-16
    // unit (a pair of surrogates takes four for two).
    out.resize(text.size() * 3);
    if (text.empty()) return;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                          static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(bytes > 0 ? bytes : 0);
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int length = static_cast<int>(utf8.size());
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring result(units > 0 ? units : 0, L'\0');
    if (units > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, &result[0], units);
    return result;
}

size_t DisplayWidth(const char* utf8, size_t size) {
    size_t width = 0;
    for (size_t i = 0; i < size; ++i)
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) ++width;
    return width;
}

namespace {

// Characters above ASCII that a terminal acts on or shows as nothing.
bool Hidden(uint32_t c) {
    return (c >= 0x80 && c <= 0x9F) || c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
}

// The length of the well-formed UTF-8 sequence at text[i] and its code
// point; 0 when the bytes there are not one.
size_t Decode(const char* text, size_t size, size_t i, uint32_t* c) {
    const auto byte = [text](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (lead > 0xF4 || length == 0 || i + length > size) return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    *c = code;
    return length;
}

void AppendEscape(std::string& out, const char* format, unsigned value) {
    char buffer[8];
    snprintf(buffer, sizeof(buffer), format, value);
    out.append(buffer);
}

}  // namespace

std::string Printable(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendPrintable(utf8.data(), utf8.size(), out);
    return out;
}

void AppendPrintable(const char* utf8, size_t size, std::string& out) {
    const auto plain = [utf8](size_t at) { return utf8[at] >= 0x20 && utf8[at] < 0x7F; };
    for (size_t i = 0; i < size;) {
        const unsigned char byte = static_cast<unsigned char>(utf8[i]);
        if (plain(i)) {
            size_t end = i + 1;
            while (end < size && plain(end)) ++end;
            out.append(utf8 + i, end - i);
            i = end;
        } else if (byte == '\n' || byte == '\r' || byte == '\t') {
            out += byte == '\n' ? "\\n" : byte == '\r' ? "\\r" : "\\t";
            ++i;
        } else if (byte < 0x80) {
            AppendEscape(out, "\\x%02x", byte);
            ++i;
        } else {
            uint32_t c = 0;
            const size_t length = Decode(utf8, size, i, &c);
            if (length == 0) {
                AppendEscape(out, "\\x%02x", byte);
                ++i;
            } else {
                if (Hidden(c))
                    AppendEscape(out, "\\u%04x", c);
                else
                    out.append(utf8 + i, length);
                i += length;
            }
        }
    }
}

std::string Shown(const std::string& utf8, size_t limit) {
    if (utf8.size() <= limit) return Printable(utf8);
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;  // whole characters
    return Printable(utf8.substr(0, cut)) + "... (" + std::to_string(utf8.size() - cut) + " more bytes)";
}

std::string SystemError(uint32_t code) {
    std::string text = "error " + std::to_string(code);
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (length > 0 && message) {
        std::wstring wide(message, length);
        while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
            wide.pop_back();
        if (!wide.empty()) text += ": " + Utf8(wide);
    }
    LocalFree(message);
    return text;
}
