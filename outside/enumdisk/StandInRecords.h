// What the stand-in enumerator writes into the records and the stand-in
// disk-manager object reads back. The library's contract leaves record
// content to the two components; a real pair has its own.
#pragma once

#include <cstdint>
#include <cstring>

#include "interfaces/DiskComponents.h"

struct StandInDisk {  // at the start of a disk record
    uint32_t partitionCount;  // sub-records of this disk, which follow in order
};
struct StandInPartition {  // at the start of a sub-record
    wchar_t driveLetter;
};
struct StandInDosDevice {  // at the start of a third-kind record
    wchar_t driveLetter;
    wchar_t target[1024];  // what QueryDosDeviceW reports for the drive
};
// A second-kind record holds its letter where the contract puts it.

// Fills the whole record: content first, zeros after it.
template <typename Record, typename Content>
void WriteRecord(Record* record, const Content& content) {
    static_assert(sizeof(Content) <= sizeof(Record), "content fits the record");
    *record = Record{};
    memcpy(record, &content, sizeof(content));
}

template <typename Content, typename Record>
Content ReadRecord(const Record& record) {
    static_assert(sizeof(Content) <= sizeof(Record), "content fits the record");
    Content content;
    memcpy(&content, &record, sizeof(content));
    return content;
}
