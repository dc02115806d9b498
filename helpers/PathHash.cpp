// The path hash that keys every rule table: CRC-32 of the path's UTF-8 bytes
// after upper-casing ASCII letters. Stored files and other processes depend
// on these exact values.
#include <cstring>
#include <cwchar>

#include "base/Helper.h"
#include "helpers/HlpFunc.h"
#include "base/Utf8Encoder.h"
#include "outside/zqcrc32/ZQCrc32.h"

uint32_t CHlpFunc::GetPathHash(std::wstring path) {
    if (path.empty()) return 0;

    // The hot path of every store write: one pass, no allocation.
    unsigned char bytes[1024];
    size_t length = 0;
    if (EncodeUtf8(path.data(), path.size(), true, bytes, sizeof(bytes), &length))
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
