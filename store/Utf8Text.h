// The helper's two text conversions and its path hash as the store's per-row
// paths need them: the same results as Helper()->WideToUtf8,
// Helper()->Utf8ToWide and Helper()->GetPathHash, without the by-value
// copies (a heap allocation each), the interface calls, the
// length-then-convert double call and the zero-filled buffer, and into the
// caller's reused string.
#pragma once

#include <cstdint>
#include <string>

// Helper()->WideToUtf8(text): UTF-8 up to the text's first NUL; a lone
// surrogate becomes what the platform's converter makes of it.
void ToHelperUtf8(const std::wstring& text, std::string* utf8);

// Helper()->Utf8ToWide(bytes) for a NUL-terminated text: the platform's
// reading of the bytes (ill-formed ones included), up to the first NUL.
void FromHelperUtf8(const char* bytes, std::wstring* text);

// Helper()->GetPathHash(path): the checksum of the path's UTF-8 with a to z
// upper-cased. A path the one-pass encoder cannot take (a lone surrogate, a
// very long path) goes to the helper itself.
uint32_t HelperPathHash(const std::wstring& path);
