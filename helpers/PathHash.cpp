// The path hash that keys every rule table: CRC-32 of the path's UTF-8 bytes
// after upper-casing ASCII letters. Stored files and other processes depend
// on these exact values.
#include <cstring>
#include <cwchar>

#include "Helper.h"
#include "HlpFunc.h"
#include "ZQCrc32.h"

namespace {

// Upper-cases a-z and encodes as UTF-8 in one pass, up to the first NUL,
// into a buffer of the caller's. This is the hot path of every store write;
// it yields exactly the bytes of the platform's converter for well-formed
// text. False for a lone surrogate (the platform's replacement rule then
// decides) or a path that does not fit.
bool EncodeUpperUtf8(const std::wstring& path, unsigned char* out, size_t capacity,
                     size_t* length) {
    size_t n = 0;
    const size_t units = path.size();
    for (size_t i = 0; i < units; ++i) {
        uint32_t c = path[i];
        if (c == 0) break;
        if (n + 4 > capacity) return false;
        if (c < 0x80) {
            out[n++] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 0x20 : c);
        } else if (c < 0x800) {
            out[n++] = static_cast<unsigned char>(0xC0 | (c >> 6));
            out[n++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (c > 0xDBFF || i + 1 >= units || path[i + 1] < 0xDC00 || path[i + 1] > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (path[++i] - 0xDC00);
            out[n++] = static_cast<unsigned char>(0xF0 | (c >> 18));
            out[n++] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
            out[n++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else {
            out[n++] = static_cast<unsigned char>(0xE0 | (c >> 12));
            out[n++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
            out[n++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        }
    }
    *length = n;
    return true;
}

}  // namespace

uint32_t CHlpFunc::GetPathHash(std::wstring path) {
    if (path.empty()) return 0;

    unsigned char bytes[1024];
    size_t length = 0;
    if (EncodeUpperUtf8(path, bytes, sizeof(bytes), &length))
        return ZQCrc32(bytes, static_cast<uint32_t>(length));

    std::wstring upper = Helper()->ToUpper(path);
    char* converted = nullptr;
    if (Helper()->WideToUtf8Buffer(upper, &converted)) {
        uint32_t hash = ZQCrc32(converted, static_cast<uint32_t>(strlen(converted)));
        delete[] converted;
        return hash;
    }
    // Conversion failed: hash the UTF-16 code units (little-endian) instead.
    size_t units = wcslen(upper.c_str());
    return ZQCrc32(upper.c_str(), static_cast<uint32_t>(units * sizeof(wchar_t)));
}
