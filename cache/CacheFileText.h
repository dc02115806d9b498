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

// Stands in for every byte the parser must not see. It is never part of
// well-formed UTF-8 and never comes out of a character reference, so any
// node that holds it after parsing held a damaged byte; the parser reads it
// as one byte, like any other that is not a lead byte.
constexpr char kDamageMark = '\xFF';

// The length of the well-formed UTF-8 sequence at `text` (shortest form, no
// surrogate, nothing above U+10FFFF), or 0 when none starts there.
size_t Utf8SequenceLength(const unsigned char* text, size_t available);

// True when the bytes are well-formed UTF-8.
bool IsWellFormedUtf8(const char* text, size_t length);

// Replaces with kDamageMark every byte that starts no well-formed UTF-8
// sequence and the '&' of every numeric character reference that is not
// digits up to a ';'. True when anything was replaced.
bool MarkDamage(std::string& text);

// True when no element of the text (line ends already normalised, cut at its
// first zero byte) nests deeper than kMaxCacheNesting.
bool NestsWithinLimit(const std::string& text);
