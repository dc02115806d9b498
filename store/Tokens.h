// Splitting a text into tokens the way wcstok_s does: a run of separators
// counts as one, separators at either end are skipped, and no token is ever
// empty. Used for the switches text and the file-type list.
#pragma once

#include <string>
#include <vector>

std::vector<std::wstring> SplitTokens(const std::wstring& text, wchar_t separator);
