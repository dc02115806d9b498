#include "cache/CacheJournal.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace {

// Begins with a zero byte like the rest of the record, so that no reader
// ever takes it for content; no file of the format ends with it.
constexpr char kMagic[8] = {'\0', 'F', 'P', 'C', 'J', 'R', 'N', '1'};

void PutU64(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t GetU64(const char* in) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(in[i]);
    return value;
}

// 64-bit FNV-1a: enough to tell a part that is all there from one that a
// power cut or a kill left zeros or old bytes in.
uint64_t Checksum(uint64_t offset, const std::string& part) {
    std::string head;
    PutU64(head, offset);
    PutU64(head, part.size());
    uint64_t hash = 14695981039346656037ull;
    for (const std::string* bytes : std::initializer_list<const std::string*>{&head, &part})
        for (char c : *bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

}  // namespace

std::string JournalRecord(uint64_t fileSize, uint64_t offset, const std::string& tail) {
    // Zeros up to where step 2 stops writing, so the part lies beyond it.
    const uint64_t partStart = std::max(fileSize, offset + tail.size());
    std::string record(static_cast<size_t>(partStart - fileSize) + 1, '\0');
    record += tail;
    record.append(kMagic, sizeof(kMagic));
    PutU64(record, offset);
    PutU64(record, tail.size());
    PutU64(record, Checksum(offset, tail));
    return record;
}

bool ReadJournalFooter(const char* footer, uint64_t fileSize, JournalEntry& entry) {
    if (fileSize < kJournalFooterSize + 1 || memcmp(footer, kMagic, sizeof(kMagic)) != 0)
        return false;
    entry.offset = GetU64(footer + 8);
    entry.partSize = GetU64(footer + 16);
    entry.checksum = GetU64(footer + 24);
    if (entry.partSize > fileSize - kJournalFooterSize - 1) return false;
    entry.partAt = fileSize - kJournalFooterSize - entry.partSize;
    // Step 2 writes below the zero byte that precedes the part.
    const uint64_t zeroAt = entry.partAt - 1;
    return entry.partSize <= zeroAt && entry.offset <= zeroAt - entry.partSize;
}

bool JournalPartIsComplete(const JournalEntry& entry, const std::string& part) {
    return part.size() == entry.partSize && Checksum(entry.offset, part) == entry.checksum;
}
