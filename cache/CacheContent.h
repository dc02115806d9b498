// CacheContent: what one cache file holds, read once per change, and the
// changes an append or a take make of it. A file in the library's own form
// is read by a fast scan and changed at its end only; any other form is read
// and printed again by TinyXML, as a plain load-change-print would, with the
// same bytes as the result.
//
// Damage is kept as small as it can be: an item (or other node) that holds a
// byte that is not UTF-8, a character reference that is not a character, or
// a reference cut short is left out, and the other items stay. Only a file
// that cannot be read as a document at all counts as damaged as a whole; it
// reads as the empty list. Either way the caller keeps the file as it was
// beside it before it writes anything, and what is written is always what
// the reader accepts.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cache/CanonicalForm.h"

class TiXmlDocument;

// A new content for the file: its first `offset` bytes kept, then `tail`.
struct CacheEdit {
    size_t offset = 0;
    std::string tail;
};

class CacheContent {
public:
    // Reads the file's bytes. `collectItems` when Items() will be asked for.
    CacheContent(const std::string& bytes, bool collectItems);
    // A file too large to be the list it should be: damaged as a whole.
    static CacheContent TooLarge();

    ~CacheContent();
    CacheContent(CacheContent&&) noexcept;
    CacheContent& operator=(CacheContent&&) noexcept;

    // Nothing but blanks: the empty list, as a file just created or cleared.
    bool Blank() const { return blank_; }
    // Not readable as a document at all; reads as the empty list.
    bool Damaged() const { return damage_ == Damage::kWhole; }
    // Some parts were left out because they were damaged.
    bool PartlyDamaged() const { return damage_ == Damage::kParts; }

    // Every item, in the file's order (when collected).
    const std::vector<CacheItem>& Items() const { return items_; }
    // What a take hands out: every pathid that is not empty, in order.
    std::vector<std::string> IdsHandedOut() const;

    // The file with the items appended after the last one.
    CacheEdit Append(const std::vector<CacheItem>& items);
    // The file with every item removed (other nodes stay); none when that
    // is the file as it is.
    std::optional<CacheEdit> TakeAll();

private:
    enum class Damage { kNone, kParts, kWhole };
    CacheContent() = default;
    void ReadWithParser(const std::string& bytes);
    void StartEmpty();
    CacheEdit Printed() const;

    CanonicalLayout layout_;
    bool canonical_ = false;
    bool blank_ = false;
    Damage damage_ = Damage::kNone;
    std::unique_ptr<TiXmlDocument> document_;  // every form but the canonical one
    std::vector<CacheItem> items_;
};

// The document as TinyXML prints it to a text-mode stream at depth 0: each
// top-level node followed by a line break, every line break written as CR LF.
std::string PrintedCacheDocument(const TiXmlDocument& document);
