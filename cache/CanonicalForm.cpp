#include "cache/CanonicalForm.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "cache/CacheFileText.h"
#include "tinyxml.h"

namespace {

constexpr char kItemStart[] = "    <Item ";
constexpr char kNoIdEnd[] = "/>\r\n";
constexpr char kIdName[] = "pathid=";
constexpr char kItemEnd[] = " />\r\n";

// How the printer treats each byte of a pathid: printed as it is, printed as
// an entity (so never as it is), or the first byte of a longer UTF-8 sequence.
enum ByteClass : unsigned char { kPlain, kEscaped, kLead };

struct ByteClasses {
    ByteClass of[256];
    constexpr ByteClasses() : of() {
        for (int c = 0; c < 256; ++c)
            of[c] = c >= 0x80 ? kLead
                    : c < 0x20 || c == '&' || c == '<' || c == '>' || c == '"' || c == '\''
                        ? kEscaped
                        : kPlain;
    }
};
constexpr ByteClasses kClasses;

// Compares byte by byte: with the length known here the compiler unrolls it,
// where a call to memcmp would cost more than the comparison itself.
template <size_t N>
bool Take(const char*& at, const char* end, const char (&literal)[N]) {
    constexpr size_t length = N - 1;
    if (static_cast<size_t>(end - at) < length) return false;
    for (size_t i = 0; i < length; ++i)
        if (at[i] != literal[i]) return false;
    at += length;
    return true;
}

template <typename Word>
Word Load(const char* at) {
    Word word;
    memcpy(&word, at, sizeof(word));
    return word;
}

// The same bytes as `literal` (of 4 bytes or more) at `at`, compared a word
// at a time; the last word may overlap the one before it.
template <size_t N>
bool SameWords(const char* at, const char (&literal)[N]) {
    constexpr size_t length = N - 1;
    static_assert(length >= 4, "one word at least");
    using Word = std::conditional_t<length >= 8, uint64_t, uint32_t>;
    for (size_t i = 0; i + sizeof(Word) <= length; i += sizeof(Word))
        if (Load<Word>(at + i) != Load<Word>(literal + i)) return false;
    return Load<Word>(at + length - sizeof(Word)) == Load<Word>(literal + length - sizeof(Word));
}

// Nearly every line holds a pathid of plain characters (a path hash): read
// it with a few word compares and one look-up per value byte. The text's
// terminating zero is not plain, so the walk over the value needs no bound.
// Any other line is left to the full reading.
bool TakeUsualLine(const char*& at, const char* end, std::string* value) {
    static const char kHead[] = "    <Item pathid=\"";
    static const char kTail[] = "\" />\r\n";
    if (static_cast<size_t>(end - at) < sizeof(kHead) - 1 + sizeof(kTail) - 1 ||
        !SameWords(at, kHead))
        return false;
    const char* const run = at + sizeof(kHead) - 1;
    const char* after = run;
    while (kClasses.of[static_cast<unsigned char>(*after)] == kPlain) ++after;
    if (static_cast<size_t>(end - after) < sizeof(kTail) - 1 || !SameWords(after, kTail))
        return false;
    if (value) value->assign(run, after);
    at = after + sizeof(kTail) - 1;
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // the printer writes upper-case digits only
}

// Reads one entity as the printer writes it; gives the byte it stands for,
// or -1 when the printer never writes it so.
int TakeEntity(const char*& at, const char* end) {
    static const struct {
        const char* text;
        size_t length;
        char byte;
    } kNamed[] = {{"&amp;", 5, '&'}, {"&lt;", 4, '<'}, {"&gt;", 4, '>'},
                  {"&quot;", 6, '"'}, {"&apos;", 6, '\''}};
    const size_t left = static_cast<size_t>(end - at);
    for (const auto& named : kNamed) {
        if (left >= named.length && memcmp(at, named.text, named.length) == 0) {
            at += named.length;
            return named.byte;
        }
    }
    // "&#x%02X;" for a control character; never for zero, which ends a
    // pathid before it is printed.
    if (left < 6 || memcmp(at, "&#x", 3) != 0 || at[5] != ';') return -1;
    const int high = HexDigit(at[3]);
    const int low = HexDigit(at[4]);
    if (high < 0 || low < 0) return -1;
    const int byte = high * 16 + low;
    if (byte == 0 || byte >= 0x20) return -1;
    at += 6;
    return byte;
}

// Reads a pathid up to its closing quote (left unread). Double quotes enclose
// a value without '"', single quotes one with it.
bool TakeValue(const char*& at, const char* end, char quote, std::string* value) {
    bool holdsQuote = false;
    while (at < end) {
        const auto c = static_cast<unsigned char>(*at);
        if (kClasses.of[c] == kPlain) {
            const char* run = at;
            do ++at;
            while (at < end && kClasses.of[static_cast<unsigned char>(*at)] == kPlain);
            if (value) value->append(run, at);
        } else if (kClasses.of[c] == kLead) {
            const size_t length =
                Utf8SequenceLength(reinterpret_cast<const unsigned char*>(at), end - at);
            if (length == 0) return false;
            if (value) value->append(at, length);
            at += length;
        } else if (c == '&') {
            const int byte = TakeEntity(at, end);
            if (byte < 0) return false;
            holdsQuote |= byte == '"';
            if (value) value->push_back(static_cast<char>(byte));
        } else {
            return c == static_cast<unsigned char>(quote) && holdsQuote == (quote == '\'');
        }
    }
    return false;
}

}  // namespace

bool ScanCanonical(const std::string& bytes, CanonicalLayout& layout,
                   std::vector<CacheItem>* items) {
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* at = begin;
    if (!Take(at, end, kCacheDeclarationLine)) return false;
    layout.rootAt = static_cast<size_t>(at - begin);
    if (Take(at, end, kEmptyRootLine)) {
        layout.closeAt = layout.rootAt;
        layout.hasItems = false;
        return at == end;
    }
    if (!Take(at, end, kOpenRootLine)) return false;
    for (bool first = true;; first = false) {
        const char* line = at;
        if (at < end && *at == '<') {
            // A root without items is printed on one line.
            if (first || !Take(at, end, kCloseRootLine) || at != end) return false;
            layout.closeAt = static_cast<size_t>(line - begin);
            layout.hasItems = true;
            return true;
        }
        std::string value;
        if (TakeUsualLine(at, end, items ? &value : nullptr)) {
            if (items) items->push_back(std::move(value));
            continue;
        }
        if (!Take(at, end, kItemStart)) return false;
        if (at < end && *at == '/') {
            if (!Take(at, end, kNoIdEnd)) return false;
            if (items) items->emplace_back();
            continue;
        }
        if (!Take(at, end, kIdName) || at == end) return false;
        const char quote = *at++;
        if (quote != '"' && quote != '\'') return false;
        if (!TakeValue(at, end, quote, items ? &value : nullptr)) return false;
        ++at;  // the closing quote
        if (!Take(at, end, kItemEnd)) return false;
        if (items) items->push_back(std::move(value));
    }
}

std::string CanonicalItemLine(const CacheItem& item) {
    std::string line = kItemStart;
    if (!item) return line + kNoIdEnd;
    TiXmlAttribute("pathid", *item).Print(nullptr, 0, &line);
    return line + kItemEnd;
}
