// GUID texts and list differences.
#include <algorithm>
#include <cwchar>
#include <locale>
#include <sstream>

#include "base/Helper.h"
#include "helpers/HlpFunc.h"

namespace {

constexpr size_t kGuidTextLength = 32;

// The key a list entry is compared by. With numeric keys on, an entry that
// begins with a decimal number (a hash as the store writes it, signed) is
// keyed by that number, so hash texts and paths compare alike.
uint32_t ListKey(const std::wstring& entry, bool numericKeys) {
    if (numericKeys) {
        std::wistringstream in(entry);
        in.imbue(std::locale::classic());  // a host's global locale must not change keys
        int32_t number = 0;
        if (in >> number) return static_cast<uint32_t>(number);
    }
    return Helper()->GetPathHash(entry);
}

std::vector<uint32_t> Keys(const std::vector<std::wstring>& entries, bool numericKeys) {
    std::vector<uint32_t> keys;
    keys.reserve(entries.size());
    for (const std::wstring& entry : entries) keys.push_back(ListKey(entry, numericKeys));
    return keys;
}

std::vector<uint32_t> Sorted(std::vector<uint32_t> keys) {
    std::sort(keys.begin(), keys.end());
    return keys;
}

// Appends, in list order, every entry whose key the other list lacks.
void AppendMissing(const std::vector<std::wstring>& entries, const std::vector<uint32_t>& keys,
                   const std::vector<uint32_t>& sortedOtherKeys,
                   std::vector<std::wstring>* result) {
    for (size_t i = 0; i < entries.size(); ++i)
        if (!std::binary_search(sortedOtherKeys.begin(), sortedOtherKeys.end(), keys[i]))
            result->push_back(entries[i]);
}

std::vector<std::wstring> WideEntries(const std::vector<std::string>& utf8) {
    std::vector<std::wstring> wide;
    wide.reserve(utf8.size());
    for (const std::string& entry : utf8) {
        std::wstring converted = Helper()->Utf8ToWide(entry);
        if (!converted.empty()) wide.push_back(std::move(converted));
    }
    return wide;
}

}  // namespace

std::wstring CHlpFunc::GuidToString(const GUID& guid) {
    wchar_t text[MAX_PATH] = {};
    wsprintfW(text, L"%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", guid.Data1, guid.Data2,
              guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
              guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

bool CHlpFunc::StringToGuid(std::wstring text, GUID& guid) {
    if (text.size() != kGuidTextLength) return false;
    // Each field is read into a full unsigned int and narrowed afterwards:
    // %X always stores four bytes, which would overrun the short and byte
    // fields of the GUID. A field that cannot be read stays 0, and so do all
    // after it.
    unsigned int fields[11] = {};
    swscanf(text.c_str(), L"%8X%4X%4X%2X%2X%2X%2X%2X%2X%2X%2X", &fields[0], &fields[1],
            &fields[2], &fields[3], &fields[4], &fields[5], &fields[6], &fields[7], &fields[8],
            &fields[9], &fields[10]);
    GUID parsed = {};
    parsed.Data1 = fields[0];
    parsed.Data2 = static_cast<unsigned short>(fields[1]);
    parsed.Data3 = static_cast<unsigned short>(fields[2]);
    for (int i = 0; i < 8; ++i) parsed.Data4[i] = static_cast<unsigned char>(fields[3 + i]);
    guid = parsed;
    return true;
}

std::vector<std::wstring> CHlpFunc::DiffList(std::vector<std::wstring> first,
                                             std::vector<std::wstring> second, int32_t mode,
                                             bool numericKeys) {
    std::vector<std::wstring> result;
    if (mode != 0 && mode != 1 && mode != 2) return result;
    const std::vector<uint32_t> firstKeys = Keys(first, numericKeys);
    const std::vector<uint32_t> secondKeys = Keys(second, numericKeys);
    // Sorted keys only speed up the membership test; the result keeps list
    // order and keeps duplicates, as a plain scan would.
    if (mode == 0 || mode == 1) AppendMissing(first, firstKeys, Sorted(secondKeys), &result);
    if (mode == 0 || mode == 2) AppendMissing(second, secondKeys, Sorted(firstKeys), &result);
    return result;
}

std::vector<std::string> CHlpFunc::DiffListUtf8(std::vector<std::string> first,
                                                std::vector<std::string> second, int32_t mode) {
    std::vector<std::wstring> wideResult =
        Helper()->DiffList(WideEntries(first), WideEntries(second), mode, false);
    std::vector<std::string> result;
    result.reserve(wideResult.size());
    for (const std::wstring& entry : wideResult) {
        std::string converted = Helper()->WideToUtf8(entry);
        if (!converted.empty()) result.push_back(std::move(converted));
    }
    return result;
}
