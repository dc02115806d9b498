#include "cache/CacheFileText.h"

#include <cctype>
#include <cstring>

namespace {

// Where the parser skips a numeric reference it looks for the first ';' and
// reads the digits backwards from there; a reference that is not digits up
// to that ';' could make it jump over markup, so its '&' is marked instead.
bool MarkIncompleteReferences(std::string& text) {
    bool marked = false;
    for (size_t at = text.find("&#"); at != std::string::npos; at = text.find("&#", at + 2)) {
        size_t digit = at + 2;
        bool hex = digit < text.size() && text[digit] == 'x';
        if (hex) ++digit;
        size_t end = digit;
        while (end < text.size() && (hex ? isxdigit(static_cast<unsigned char>(text[end]))
                                         : isdigit(static_cast<unsigned char>(text[end]))))
            ++end;
        if (end == digit || end == text.size() || text[end] != ';') {
            text[at] = kDamageMark;
            marked = true;
        }
    }
    return marked;
}

size_t SkipPast(const std::string& text, size_t from, const char* end) {
    size_t found = text.find(end, from);
    return found == std::string::npos ? text.size() : found + strlen(end);
}

bool StartsWith(const std::string& text, size_t at, const char* prefix, bool anyCase = false) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (at + i >= text.size()) return false;
        char c = text[at + i];
        if (anyCase) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        if (c != prefix[i]) return false;
    }
    return true;
}

// The parser reads a quoted value of a declaration only after "name =", and
// reads any other word up to a blank or '>'. When every quote opens right
// after '=' and its value holds no quote, blank or '=', the parser and this
// scan end the declaration at the same '>'. Gives the position after it, or
// npos when the declaration is beyond that simple shape.
size_t SkipDeclaration(const std::string& text, size_t at) {
    size_t end = text.find('>', at);
    if (end == std::string::npos) return text.size();
    for (size_t i = at; i < end; ++i) {
        char quote = text[i];
        if (quote != '"' && quote != '\'') continue;
        if (text[i - 1] != '=') return std::string::npos;
        size_t close = i + 1;
        while (close < end && text[close] != quote) {
            char c = text[close];
            if (c == '"' || c == '\'' || c == '=' || isspace(static_cast<unsigned char>(c)))
                return std::string::npos;
            ++close;
        }
        if (close == end) return std::string::npos;
        i = close;
    }
    return end + 1;
}

bool StartsElement(const std::string& text, size_t at) {
    if (at + 1 >= text.size()) return false;
    unsigned char next = static_cast<unsigned char>(text[at + 1]);
    return next >= 127 || isalpha(next) || next == '_';  // as the parser tells elements apart
}

}  // namespace

// Follows the parser's view of the markup far enough to count how deeply
// elements nest: comments, CDATA and other "<!"/"<?" nodes hold no
// elements, quoted attribute values hide '>' and "/>", "</" closes.
bool NestsWithinLimit(const std::string& text) {
    int depth = 0;
    size_t at = text.find('<');
    while (at != std::string::npos && at < text.size()) {
        if (StartsWith(text, at, "<?xml", true)) {
            at = SkipDeclaration(text, at);
            if (at == std::string::npos) return false;
        } else if (StartsWith(text, at, "<!--")) {
            at = SkipPast(text, at + 4, "-->");
        } else if (StartsWith(text, at, "<![CDATA[")) {
            at = SkipPast(text, at + 9, "]]>");
        } else if (StartsWith(text, at, "</") && depth > 0) {
            --depth;
            at = SkipPast(text, at, ">");
        } else if (!StartsElement(text, at)) {
            at = SkipPast(text, at, ">");  // read up to '>' as an unknown node
        } else {
            if (++depth > kMaxCacheNesting) return false;
            for (++at;; ++at) {
                if (at >= text.size()) return true;  // cut inside a tag: the parser stops
                char c = text[at];
                if (c == '"' || c == '\'') {
                    at = text.find(c, at + 1);
                    if (at == std::string::npos) return true;
                } else if (c == '>') {
                    ++at;
                    break;
                } else if (c == '/') {
                    if (!StartsWith(text, at, "/>")) return true;  // the parser stops here
                    --depth;
                    at += 2;
                    break;
                }
            }
        }
        if (at < text.size()) at = text.find('<', at);
    }
    return true;
}

size_t Utf8SequenceLength(const unsigned char* text, size_t available) {
    const unsigned char lead = text[0];
    if (lead < 0x80) return 1;
    size_t more = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // bounds of the byte after the lead
    if (lead >= 0xC2 && lead <= 0xDF) {
        more = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        more = 2;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        more = 3;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (available <= more) return 0;
    if (text[1] < low || text[1] > high) return 0;
    for (size_t k = 2; k <= more; ++k)
        if (text[k] < 0x80 || text[k] > 0xBF) return 0;
    return more + 1;
}

bool IsWellFormedUtf8(const char* text, size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < length;) {
        const size_t sequence = Utf8SequenceLength(bytes + i, length - i);
        if (sequence == 0) return false;
        i += sequence;
    }
    return true;
}

bool MarkDamage(std::string& text) {
    bool marked = false;
    auto* bytes = reinterpret_cast<unsigned char*>(&text[0]);
    for (size_t i = 0; i < text.size();) {
        const size_t sequence = Utf8SequenceLength(bytes + i, text.size() - i);
        if (sequence > 0) {
            i += sequence;
            continue;
        }
        text[i++] = kDamageMark;
        marked = true;
    }
    return MarkIncompleteReferences(text) || marked;
}
