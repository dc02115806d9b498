// The helper's two text conversions as the store's per-row paths need them:
// the same results as Helper()->WideToUtf8 and Helper()->Utf8ToWide, without
// the by-value copies, the interface calls, the length-then-convert double
// call and the zero-filled buffer, and into the caller's reused string.
#pragma once

#include <string>

// Helper()->WideToUtf8(text): UTF-8 up to the text's first NUL; a lone
// surrogate becomes what the platform's converter makes of it.
void ToHelperUtf8(const std::wstring& text, std::string* utf8);

// Helper()->Utf8ToWide(bytes) for a NUL-terminated text: the platform's
// reading of the bytes (ill-formed ones included), up to the first NUL.
void FromHelperUtf8(const char* bytes, std::wstring* text);
