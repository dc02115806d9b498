// UTF-16 to UTF-8 in one pass, for the hot paths that would otherwise go
// through the platform's converter twice (length, then bytes) and a by-value
// interface call. For well-formed text the bytes are exactly the platform's
// (code page 65001, flags 0); a lone surrogate is left to the platform,
// whose replacement rule then decides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

// Eight UTF-16 units at once when all are ASCII other than NUL (the bulk of
// every path): their bytes into out, a-z raised with upperAscii. False, with
// nothing written, for any other unit among them. (SSE2 is part of x86-64.)
inline bool EncodeEightAscii(const wchar_t* text, bool upperAscii, unsigned char* out) {
    static_assert(sizeof(wchar_t) == 2, "UTF-16 units");
    __m128i units;
    memcpy(&units, text, sizeof(units));
    // As signed 16-bit lanes, 0x8000 and up are negative: one range test.
    const __m128i ascii = _mm_and_si128(_mm_cmpgt_epi16(units, _mm_setzero_si128()),
                                        _mm_cmplt_epi16(units, _mm_set1_epi16(0x80)));
    if (_mm_movemask_epi8(ascii) != 0xFFFF) return false;
    if (upperAscii) {
        const __m128i lower = _mm_and_si128(_mm_cmpgt_epi16(units, _mm_set1_epi16('a' - 1)),
                                            _mm_cmplt_epi16(units, _mm_set1_epi16('z' + 1)));
        units = _mm_sub_epi16(units, _mm_and_si128(lower, _mm_set1_epi16(0x20)));
    }
    const __m128i bytes = _mm_packus_epi16(units, units);
    memcpy(out, &bytes, 8);
    return true;
}

// Encodes text[0..units) up to its first NUL into out. With upperAscii, a-z
// become A-Z on the way (the path hash's form). False for a lone surrogate,
// or when out (capacity bytes) might not hold the result: 3 bytes per unit
// plus 4 always suffice.
inline bool EncodeUtf8(const wchar_t* text, size_t units, bool upperAscii, unsigned char* out,
                       size_t capacity, size_t* length) {
    // With room for the worst case, 3 bytes a unit, no unit needs a check.
    const bool roomy = capacity >= 4 && units <= (capacity - 4) / 3;
    size_t n = 0;
    for (size_t i = 0; i < units; ++i) {
        if (roomy && i + 8 <= units && EncodeEightAscii(text + i, upperAscii, out + n)) {
            i += 7;
            n += 8;
            continue;
        }
        uint32_t c = text[i];
        if (!roomy && n + 4 > capacity) return false;
        if (c - 1 < 0x7F) {  // ASCII but NUL: most of every path
            out[n++] = static_cast<unsigned char>(upperAscii && c - 'a' < 26 ? c - 0x20 : c);
            continue;
        }
        if (c == 0) break;
        if (c < 0x800) {
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
