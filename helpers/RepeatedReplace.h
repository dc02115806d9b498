// Replacing the leftmost occurrence of a pattern again and again, searching
// from the start each time, until none is left, with the rewrites that
// would never end told apart from the ones that merely end large.
#pragma once

#include <string>

// Stores the final text in *result and gives true; gives false, with
// *result untouched, when the rewriting provably never ends. The pattern
// must not be empty and the replacement must not contain it.
bool ReplaceUntilNoneLeft(const std::wstring& text, const std::wstring& pattern,
                          const std::wstring& replacement, std::wstring* result);
