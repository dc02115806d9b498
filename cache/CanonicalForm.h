// The form in which the library itself prints the cache file: the
// declaration, the root "PathItem" and one line per item, each line ended by
// CR LF. A file in exactly this form is what TinyXML would print again after
// reading it, so a change can rewrite just the file's end, and reading it
// needs no parser: the fast scan below accepts this form and nothing else;
// every other form goes to TinyXML.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// One item of the file: its pathid, or none for an item without one.
using CacheItem = std::optional<std::string>;

constexpr char kCacheDeclarationLine[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n";
constexpr char kEmptyRootLine[] = "<PathItem />\r\n";
constexpr char kOpenRootLine[] = "<PathItem>\r\n";
constexpr char kCloseRootLine[] = "</PathItem>\r\n";

// Where the parts of a file in canonical form start.
struct CanonicalLayout {
    size_t rootAt = 0;   // the root's first line
    size_t closeAt = 0;  // "</PathItem>", or the root's only line when it has no items
    bool hasItems = false;
};

// True when `bytes` are exactly the canonical form; then `layout` tells
// where its parts are and, when `items` is given, the items are appended to
// it as the parser would read them. Every pathid must be well-formed UTF-8.
bool ScanCanonical(const std::string& bytes, CanonicalLayout& layout,
                   std::vector<CacheItem>* items);

// The line the library prints for one item, CR LF included. The pathid is
// encoded by TinyXML's own attribute printer.
std::string CanonicalItemLine(const CacheItem& item);
