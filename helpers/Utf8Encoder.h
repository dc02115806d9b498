// UTF-16 to UTF-8 in one pass, for the hot paths that would otherwise go
// through the platform's converter twice (length, then bytes) and a by-value
// interface call. For well-formed text the bytes are exactly the platform's
// (code page 65001, flags 0); a lone surrogate is left to the platform,
// whose replacement rule then decides.
#pragma once

#include <cstddef>
#include <cstdint>

// Encodes text[0..units) up to its first NUL into out. With upperAscii, a-z
// become A-Z on the way (the path hash's form). False for a lone surrogate,
// or when out (capacity bytes) might not hold the result: 3 bytes per unit
// plus 4 always suffice.
inline bool EncodeUtf8(const wchar_t* text, size_t units, bool upperAscii, unsigned char* out,
                       size_t capacity, size_t* length) {
    size_t n = 0;
    for (size_t i = 0; i < units; ++i) {
        uint32_t c = text[i];
        if (c == 0) break;
        if (n + 4 > capacity) return false;
        if (c < 0x80) {
            if (upperAscii && c >= 'a' && c <= 'z') c -= 0x20;
            out[n++] = static_cast<unsigned char>(c);
        } else if (c < 0x800) {
            out[n++] = static_cast<unsigned char>(0xC0 | (c >> 6));
            out[n++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (c > 0xDBFF || i + 1 >= units || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
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
