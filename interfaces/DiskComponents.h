// The library's contract with the two outside components behind the disk
// manager: the disk enumerator (export CreateEnumDisk of the disk-logic
// library) and the disk-manager object (export CreateDdmManager of the
// disk-manager library). Only what the library calls is named; "unused" slots
// are placeholders that keep the called operations at their positions, which
// are binding because each side is built separately. tests/disks pins them.
//
// Records are fixed-size blocks that the library copies whole and never reads,
// except for one drive letter (EnumVolumeRecord). Their content is the two
// components' business. A drive letter is one UTF-16 code unit; '*' is none.
//
// Thread safety: the library uses both objects from the thread that called
// the disk manager; it promises nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "SharedRuntime.h"

struct EnumDiskRecord {  // one per disk
    unsigned char bytes[2560];
};
struct EnumPartitionRecord {  // one per disk and sub-index
    unsigned char bytes[512];
};
struct EnumVolumeRecord {  // the second kind; also what a volume item shows
    unsigned char head[4];
    wchar_t driveLetter;  // the one field the library reads
    unsigned char rest[2554];
};
struct EnumDosDeviceRecord {  // the third kind
    unsigned char bytes[2564];
};

static_assert(sizeof(EnumDiskRecord) == 2560, "disk record size");
static_assert(sizeof(EnumPartitionRecord) == 512, "sub-record size");
static_assert(sizeof(EnumVolumeRecord) == 2560, "second-kind record size");
static_assert(sizeof(EnumDosDeviceRecord) == 2564, "third-kind record size");
static_assert(offsetof(EnumVolumeRecord, driveLetter) == 4, "volume letter offset");

constexpr wchar_t kNoDriveLetter = L'*';

// The disk enumerator. The library calls Enumerate() once, right after
// creation, then reads the counts and fills one record per index (each fill
// writes the whole record), and finally deletes the enumerator through this
// interface: the virtual destructor (slots 0 and 1 under g++) is the contract.
class IEnumDisk {
public:
    virtual ~IEnumDisk() = default;                                  // 0, 1
    virtual void Unused2() {}                                        // 2
    virtual uint32_t Enumerate() = 0;                                // 3: result unused
    virtual void Unused4() {}                                        // 4
    virtual uint32_t GetDiskCount() = 0;                             // 5
    virtual uint32_t GetVolumeCount() = 0;                           // 6: second kind
    virtual uint32_t GetPartitionCount(uint32_t diskIndex) = 0;      // 7
    virtual uint32_t GetDosDeviceCount() = 0;                        // 8: third kind
    virtual void GetDisk(uint32_t diskIndex, EnumDiskRecord* record) = 0;  // 9
    virtual void GetPartition(uint32_t diskIndex, uint32_t partitionIndex,
                              EnumPartitionRecord* record) = 0;      // 10
    virtual void GetVolume(uint32_t index, EnumVolumeRecord* record) = 0;  // 11
    virtual void GetDosDevice(uint32_t index, EnumDosDeviceRecord* record) = 0;  // 12
};

// A collection the disk-manager object hands out, walked with First() and then
// Next() until null, one walk at a time. Collections and their items belong to
// the disk-manager object and end with it.
template <typename Item>
class IDdmCollection {
public:
    virtual void Unused0() {} virtual void Unused1() {} virtual void Unused2() {}  // 0-2
    virtual void Unused3() {} virtual void Unused4() {}  // 3-4
    virtual Item* First() = 0;  // 5: null when empty
    virtual Item* Next() = 0;   // 6: null after the last

protected:
    ~IDdmCollection() = default;
};

// An item of a disk's sub-collection.
class IDdmPartition {
public:
    virtual void Unused0() {} virtual void Unused1() {} virtual void Unused2() {}  // 0-2
    virtual void Unused3() {} virtual void Unused4() {} virtual void Unused5() {}  // 3-5
    virtual void Unused6() {} virtual void Unused7() {} virtual void Unused8() {}  // 6-8
    virtual void Unused9() {} virtual void Unused10() {} virtual void Unused11() {}  // 9-11
    virtual void Unused12() {}  // 12
    virtual wchar_t GetDriveLetter() = 0;  // 13

protected:
    ~IDdmPartition() = default;
};
using IDdmPartitionCollection = IDdmCollection<IDdmPartition>;

// An item of the disk collection.
class IDdmDisk {
public:
    virtual void Unused0() {} virtual void Unused1() {} virtual void Unused2() {}  // 0-2
    virtual void Unused3() {} virtual void Unused4() {} virtual void Unused5() {}  // 3-5
    virtual void Unused6() {} virtual void Unused7() {} virtual void Unused8() {}  // 6-8
    virtual void Unused9() {}  // 9
    virtual IDdmPartitionCollection* GetPartitions() = 0;  // 10: or null

protected:
    ~IDdmDisk() = default;
};
using IDdmDiskCollection = IDdmCollection<IDdmDisk>;

// An item of the volume collection.
class IDdmVolume {
public:
    virtual void Unused0() {} virtual void Unused1() {} virtual void Unused2() {}  // 0-2
    virtual void Unused3() {} virtual void Unused4() {}  // 3-4
    virtual const EnumVolumeRecord* GetRecord() = 0;  // 5: never null

protected:
    ~IDdmVolume() = default;
};
using IDdmVolumeCollection = IDdmCollection<IDdmVolume>;

// The disk-manager object. The library calls Load() once with the records of
// one enumeration (arrays in this order; sub-records in disk order, within a
// disk in sub-index order), reads the two collections, and ends the object
// with Release(); the object is not touched afterwards.
class IDdmManager {
public:
    virtual void Load(const std::vector<EnumDiskRecord>& disks,
                      const std::vector<EnumVolumeRecord>& volumes,
                      const std::vector<EnumPartitionRecord>& partitions,
                      const std::vector<EnumDosDeviceRecord>& dosDevices) = 0;  // 0
    virtual void Unused1() {}  // 1
    virtual void Release() = 0;  // 2
    virtual void Unused3() {} virtual void Unused4() {} virtual void Unused5() {}  // 3-5
    virtual void Unused6() {} virtual void Unused7() {} virtual void Unused8() {}  // 6-8
    virtual void Unused9() {} virtual void Unused10() {}  // 9-10
    virtual IDdmVolumeCollection* GetVolumeCollection() = 0;  // 11: or null
    virtual void Unused12() {} virtual void Unused13() {} virtual void Unused14() {}  // 12-14
    virtual void Unused15() {} virtual void Unused16() {} virtual void Unused17() {}  // 15-17
    virtual void Unused18() {}  // 18
    virtual IDdmDiskCollection* GetDiskCollection() = 0;  // 19: or null

protected:
    ~IDdmManager() = default;  // ended by Release()
};

// The components' exports, each a new object per call. A stand-in defines
// DISK_COMPONENT_API as its export before including this header.
#ifndef DISK_COMPONENT_API
#define DISK_COMPONENT_API extern "C" __declspec(dllimport)
#endif
DISK_COMPONENT_API IEnumDisk* CreateEnumDisk();
DISK_COMPONENT_API IDdmManager* CreateDdmManager();
