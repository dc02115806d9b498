// How a change of the cache file survives the changer being killed at any
// moment. The file is never replaced by a side file (other programs hold
// side files open, folders refuse new files, names pass the path limits);
// each change is written into the file itself, in two steps:
//  1. The changed part (the new content from some offset on) is written past
//     the file's end: a zero byte, the part, and a footer that says where it
//     goes and carries its checksum.
//  2. The part is written at its offset and the file cut to its new length.
// Until step 1 is complete the bytes past the old end begin with a zero byte,
// and every reader of the format stops at the first zero byte: the file still
// reads as its old content. Once step 1 is complete the change is made: the
// next opener finds the footer at the file's end and finishes step 2 before
// anything else. The part is placed beyond where step 2 writes, so step 2
// never overwrites the part it copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kJournalFooterSize = 32;

// The bytes to write at `fileSize` (the file's length now) for a change that
// keeps the first `offset` bytes and writes `tail` after them.
std::string JournalRecord(uint64_t fileSize, uint64_t offset, const std::string& tail);

// What a footer at the end of a file says.
struct JournalEntry {
    uint64_t offset = 0;    // where the part goes
    uint64_t partAt = 0;    // where the part lies in the file now
    uint64_t partSize = 0;
    uint64_t checksum = 0;
};

// Reads a file's last kJournalFooterSize bytes; false when they are no
// footer, or one that does not fit a file of `fileSize` bytes.
bool ReadJournalFooter(const char* footer, uint64_t fileSize, JournalEntry& entry);

// True when `part`, read from entry.partAt, is all there as it was written.
bool JournalPartIsComplete(const JournalEntry& entry, const std::string& part);
