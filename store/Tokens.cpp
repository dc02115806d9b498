#include "Tokens.h"

std::vector<std::wstring> SplitTokens(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> tokens;
    size_t start = 0;
    while (start < text.size()) {
        if (text[start] == separator) {
            ++start;
            continue;
        }
        size_t end = text.find(separator, start);
        if (end == std::wstring::npos) end = text.size();
        tokens.push_back(text.substr(start, end - start));
        start = end;
    }
    return tokens;
}
