// The path hash that keys every rule table: CRC-32 of the path's UTF-8 bytes
// after upper-casing ASCII letters. Stored files and other processes depend
// on these exact values.
#include <cwchar>

#include "Helper.h"
#include "HlpFunc.h"
#include "ZQCrc32.h"

uint32_t CHlpFunc::GetPathHash(std::wstring path) {
    if (path.empty()) return 0;
    std::wstring upper = Helper()->ToUpper(path);

    char* bytes = nullptr;
    if (Helper()->WideToUtf8Buffer(upper, &bytes)) {
        uint32_t hash = ZQCrc32(bytes, static_cast<uint32_t>(strlen(bytes)));
        delete[] bytes;
        return hash;
    }
    // Conversion failed: hash the UTF-16 code units (little-endian) instead.
    size_t units = wcslen(upper.c_str());
    return ZQCrc32(upper.c_str(), static_cast<uint32_t>(units * sizeof(wchar_t)));
}
