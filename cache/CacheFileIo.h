// Opening, loading and saving the cache file. Every change of the file runs
// inside one exclusive open of it, so the file itself orders all processes,
// whether or not they could take the machine-wide lock.
//
// A save is made safe against the saver being killed: the new content is
// written to "<file>.tmp" beside the file, which is renamed to "<file>.new"
// once it is complete, and only then is the file rewritten in place, after
// which "<file>.new" is deleted. Whoever opens the file next and finds
// "<file>.new" finishes that save first; a "<file>.tmp" left behind was never
// complete and is deleted. Only the holder of the file's exclusive open
// touches these two. (The file itself is never replaced by a rename: Windows
// refuses to rename over a file that is open.)
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "KernelHandle.h"
#include "tinyxml.h"

// A file larger than this is not parsed but treated as damaged: the format
// is one flat list of short items, far below it.
constexpr long long kMaxCacheFileBytes = 64ll * 1024 * 1024;

class HeldCacheFile {
public:
    // Opens an existing file with no sharing at all. While another open holds
    // it the open is tried again every 100 ms, up to 1000 times; failures that
    // waiting cannot mend (missing file or folder, no access) end at once.
    // Then finishes a save that a killed holder left complete beside it; if
    // that cannot be done the file is not held.
    explicit HeldCacheFile(const std::wstring& path);

    HeldCacheFile(const HeldCacheFile&) = delete;
    HeldCacheFile& operator=(const HeldCacheFile&) = delete;

    bool Held() const { return file_.Held(); }

    // Reads the document. A blank file reads as the empty list. A damaged one
    // (unparseable, without a root, nested too deeply, too large) is copied
    // aside to "<file>.damaged-<n>" and reads as the empty list, so the next
    // save replaces it; false only when it could not be kept aside (or read).
    bool Load(TiXmlDocument& document);

    // Prints the document as the file's content (text mode: lines end with
    // CR LF). True once the new content is complete beside the file: from
    // then on it is the file's content, even if this process dies before the
    // file itself is rewritten.
    bool Save(const TiXmlDocument& document);

    // Makes the file zero bytes long, as safely as a save.
    bool Clear();

private:
    // Writes the content beside the file and marks it complete.
    bool WriteCompleteContent(const std::function<void(FILE*)>& print);
    // Copies a complete content found beside the file into it.
    bool FinishCompletedSave();
    // Copies the complete content open as `complete` into the file, then
    // marks it to be deleted when closed.
    bool CopyCompleteContent(HANDLE complete);
    // Copies the file's bytes to a new file beside it.
    bool KeepAside();
    std::wstring Beside(const wchar_t* suffix) const { return path_ + suffix; }

    std::wstring path_;
    KernelHandle file_;
};

// The file's content with no items: the declaration and an empty root.
void MakeEmptyCacheDocument(TiXmlDocument& document);
