// Opening, loading and saving the cache file. Every open is exclusive and
// waits out other openers, so readers and writers that do not take the
// machine-wide lock never see a half-written file.
#pragma once

#include <cstdio>
#include <string>

#include "tinyxml.h"

// A stream opened with no sharing at all (_SH_DENYRW). When another open
// holds the file, the open is tried again every 100 ms, up to 1000 times.
// Failures that waiting cannot mend (missing file or folder, no access) end
// at once. A read ("r" mode) of a missing file fails without trying.
class ExclusiveStream {
public:
    ExclusiveStream(const std::wstring& path, const wchar_t* mode);
    ~ExclusiveStream() { Close(); }

    ExclusiveStream(const ExclusiveStream&) = delete;
    ExclusiveStream& operator=(const ExclusiveStream&) = delete;

    FILE* Get() const { return file_; }
    // True when the stream was open and everything written reached the file.
    bool Close();

private:
    FILE* file_ = nullptr;
};

enum class LoadResult {
    kLoaded,       // a document with a root element
    kEmpty,        // nothing in the file: the document is the empty skeleton
    kUnavailable,  // missing, or held by others past every retry
    kUnusable,     // malformed, or without any element: leave it alone
};

// Reads the whole file as UTF-8 (line ends normalised, a byte-order mark
// accepted).
LoadResult LoadCacheFile(const std::wstring& path, TiXmlDocument& document);

// Prints the document into the file, truncating it first (text mode, so
// lines end with CR LF). True only when the whole text was written.
// If writing failed after the file was truncated, `previous` (when given) is
// written back, so the items that were there survive.
bool SaveCacheFile(const std::wstring& path, const TiXmlDocument& document,
                   const TiXmlDocument* previous = nullptr);

// The file's content with no items: the declaration and an empty root.
void MakeEmptyCacheDocument(TiXmlDocument& document);
