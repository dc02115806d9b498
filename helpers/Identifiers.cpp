// GUID texts and list differences.
#include "HlpFunc.h"

std::wstring CHlpFunc::GuidToString(const GUID&) { return std::wstring(); }

bool CHlpFunc::StringToGuid(std::wstring, GUID&) { return false; }

std::vector<std::string> CHlpFunc::DiffListUtf8(std::vector<std::string>, std::vector<std::string>,
                                                int32_t) {
    return {};
}

std::vector<std::wstring> CHlpFunc::DiffList(std::vector<std::wstring>, std::vector<std::wstring>,
                                             int32_t, bool) {
    return {};
}
