// Checks on the cache file's text made before it reaches the XML parser, and
// on the ids written into it. The parser follows nested elements by
// recursion and trusts lead bytes and character references to say how far
// to skip; these checks keep a hostile or damaged file from overflowing the
// stack or steering the parser where the nesting count cannot follow.
#pragma once

#include <cstddef>
#include <string>

// The format is one flat list (a root and its items), so a few levels are
// plenty; anything deeper is damage.
constexpr int kMaxCacheNesting = 16;

// True when the bytes are well-formed UTF-8: shortest forms only, no
// surrogates, nothing above U+10FFFF.
bool IsWellFormedUtf8(const char* text, size_t length);

// True when the text (line ends already normalised, cut at its first zero
// byte) is well-formed UTF-8, every numeric character reference is complete,
// and no element nests deeper than kMaxCacheNesting. Text the parser would
// reject anyway may pass: the parser stops at its first error.
bool IsSafeToParse(const std::string& text);
