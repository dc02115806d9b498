// The two outside components behind the disk manager, as the library sees
// them: the disk enumerator (export CreateEnumDisk of the disk-logic library)
// and the disk-manager object (export CreateDdmManager of the disk-manager
// library), with the records that pass from the first to the second.
//
// Slot order is binding: the library calls these objects by position, and
// the components are built separately. Slots marked "reserved" hold
// operations the library never calls; they keep the called ones in place.
// The table positions assume the g++ (Itanium) layout, where a virtual
// destructor takes two slots; tests/disks/SlotLayoutTest.cpp checks them.
//
// IProtectFileProtectDiskMgr::LoadDiskManager returns null, and holds neither
// component, when either factory returns null; GetDiskLetters(nullptr) is
// then empty until a later load succeeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// ---------------------------------------------------------------------------
// Records. Fixed-size blocks: the library copies them whole and never reads a
// field. Each starts with its own size and ends with kDiskRecordTrailer, so a
// reader can tell a whole record of the expected kind from a cut, stale or
// foreign one (see IsIntactRecord). Texts are NUL-terminated UTF-16, cut to
// fit. A letter is an upper-case UTF-16 code unit, or '*' for none.

constexpr uint32_t kDiskRecordTrailer = 0x4B534944;  // "DISK" in memory
constexpr uint32_t kNoDisk = 0xFFFFFFFFu;            // a volume on no known disk
constexpr wchar_t kNoDriveLetter = L'*';

// One physical disk (or optical drive): enumerator slot 9.
struct EnumDiskRecord {
    uint32_t recordSize;      // sizeof(EnumDiskRecord)
    uint32_t diskIndex;       // position in the enumeration, 0 upward
    uint32_t deviceType;      // FILE_DEVICE_DISK, FILE_DEVICE_CD_ROM, ...
    uint32_t deviceNumber;    // the N of \\.\PhysicalDriveN or \\.\CdRomN
    uint32_t partitionCount;  // partition records that follow for this disk
    uint32_t driveType;       // GetDriveTypeW of its volumes
    uint64_t sizeBytes;       // sum of its volumes' sizes
    wchar_t devicePath[64];   // "\\.\PhysicalDrive0"
    wchar_t description[1198];
    uint32_t trailer;
};

// One partition of a disk, with the volume it carries: enumerator slot 10.
struct EnumPartitionRecord {
    uint32_t recordSize;       // sizeof(EnumPartitionRecord)
    uint32_t diskIndex;        // the disk it lies on
    uint32_t partitionNumber;  // the platform's number, 1 upward
    wchar_t driveLetter;       // or kNoDriveLetter
    wchar_t reserved;
    uint32_t driveType;
    uint32_t serialNumber;
    uint32_t fileSystemFlags;
    uint32_t volumeIndex;      // its second-kind (volume) record
    uint64_t sizeBytes;
    wchar_t fileSystem[32];    // "NTFS"
    wchar_t label[200];
    uint32_t reserved2;
    uint32_t trailer;
};

// One mounted volume, on a disk or not: enumerator slot 11. The letter sits
// at byte offset 4, where the disk manager's volume items are read.
struct EnumVolumeRecord {
    uint32_t recordSize;  // sizeof(EnumVolumeRecord)
    wchar_t driveLetter;  // or kNoDriveLetter
    wchar_t reserved;
    uint32_t driveType;   // DRIVE_FIXED, DRIVE_REMOTE, ...
    uint32_t diskIndex;   // kNoDisk when it lies on no enumerated disk
    uint32_t partitionNumber;
    uint32_t serialNumber;
    uint32_t fileSystemFlags;
    uint32_t reserved2;
    uint64_t sizeBytes;
    wchar_t rootPath[8];      // "C:\"
    wchar_t fileSystem[32];
    wchar_t label[260];
    wchar_t volumeName[260];  // "\\?\Volume{...}\"
    wchar_t devicePath[698];  // "\Device\HarddiskVolume1"
    uint32_t trailer;
};

// One DOS device name and the kernel device it stands for: enumerator slot 12.
struct EnumDosDeviceRecord {
    uint32_t recordSize;   // sizeof(EnumDosDeviceRecord)
    wchar_t driveLetter;
    wchar_t reserved;
    wchar_t dosName[8];    // "C:"
    wchar_t target[1268];  // the first target QueryDosDeviceW reports
    uint32_t trailer;
};

static_assert(sizeof(EnumDiskRecord) == 2560, "disk record size");
static_assert(sizeof(EnumPartitionRecord) == 512, "partition record size");
static_assert(sizeof(EnumVolumeRecord) == 2560, "volume record size");
static_assert(sizeof(EnumDosDeviceRecord) == 2564, "DOS device record size");
static_assert(offsetof(EnumVolumeRecord, driveLetter) == 4, "volume letter offset");
static_assert(offsetof(EnumDiskRecord, trailer) == 2556, "disk record trailer");
static_assert(offsetof(EnumDosDeviceRecord, trailer) == 2560, "DOS device record trailer");

template <typename Record>
void SealRecord(Record& record) {
    record.recordSize = sizeof(Record);
    record.trailer = kDiskRecordTrailer;
}

template <typename Record>
bool IsIntactRecord(const Record& record) {
    return record.recordSize == sizeof(Record) && record.trailer == kDiskRecordTrailer;
}

// ---------------------------------------------------------------------------
// The disk enumerator. Enumerate once, then read counts and records; indices
// out of range give a zeroed record, which IsIntactRecord refuses. Owners
// delete it through this interface.
class IEnumDisk {
public:
    virtual ~IEnumDisk() = default;                                        // 0, 1
    virtual uint32_t GetLayoutVersion() = 0;                               // 2
    virtual uint32_t Enumerate() = 0;                                      // 3: disks found
    virtual uint32_t GetLastScanError() = 0;                               // 4
    virtual uint32_t GetDiskCount() = 0;                                   // 5
    virtual uint32_t GetVolumeCount() = 0;                                 // 6
    virtual uint32_t GetPartitionCount(uint32_t diskIndex) = 0;            // 7
    virtual uint32_t GetDosDeviceCount() = 0;                              // 8
    virtual void GetDisk(uint32_t diskIndex, EnumDiskRecord* record) = 0;  // 9
    virtual void GetPartition(uint32_t diskIndex, uint32_t partitionIndex,
                              EnumPartitionRecord* record) = 0;            // 10
    virtual void GetVolume(uint32_t index, EnumVolumeRecord* record) = 0;  // 11
    virtual void GetDosDevice(uint32_t index, EnumDosDeviceRecord* record) = 0;  // 12
};

constexpr uint32_t kEnumDiskLayoutVersion = 1;

// ---------------------------------------------------------------------------
// What the disk-manager object hands out. Collections are walked with First
// and then Next until null, one walk at a time; they and their items belong
// to the disk-manager object and end with it.

template <typename Item>
class IDdmCollection {
public:
    virtual uint32_t GetCount() = 0;            // 0
    virtual Item* GetAt(uint32_t index) = 0;    // 1: null past the end
    virtual void Reserved2() {}                 // 2
    virtual void Reserved3() {}                 // 3
    virtual void Reserved4() {}                 // 4
    virtual Item* First() = 0;                  // 5: null when empty
    virtual Item* Next() = 0;                   // 6: null after the last

protected:
    ~IDdmCollection() = default;
};

// A partition of a disk: an item of a disk's sub-collection.
class IDdmPartition {
public:
    virtual const EnumPartitionRecord* GetRecord() = 0;  // 0
    virtual uint32_t GetDiskIndex() = 0;                 // 1
    virtual uint32_t GetPartitionNumber() = 0;           // 2
    virtual void Reserved3() {}                          // 3
    virtual void Reserved4() {}                          // 4
    virtual void Reserved5() {}                          // 5
    virtual void Reserved6() {}                          // 6
    virtual void Reserved7() {}                          // 7
    virtual void Reserved8() {}                          // 8
    virtual void Reserved9() {}                          // 9
    virtual void Reserved10() {}                         // 10
    virtual void Reserved11() {}                         // 11
    virtual void Reserved12() {}                         // 12
    virtual wchar_t GetDriveLetter() = 0;                // 13: or '*'

protected:
    ~IDdmPartition() = default;
};

using IDdmPartitionCollection = IDdmCollection<IDdmPartition>;

// A disk: an item of the disk collection.
class IDdmDisk {
public:
    virtual const EnumDiskRecord* GetRecord() = 0;        // 0
    virtual uint32_t GetDiskIndex() = 0;                  // 1
    virtual uint32_t GetPartitionCount() = 0;             // 2
    virtual void Reserved3() {}                           // 3
    virtual void Reserved4() {}                           // 4
    virtual void Reserved5() {}                           // 5
    virtual void Reserved6() {}                           // 6
    virtual void Reserved7() {}                           // 7
    virtual void Reserved8() {}                           // 8
    virtual void Reserved9() {}                           // 9
    virtual IDdmPartitionCollection* GetPartitions() = 0;  // 10: null without partitions

protected:
    ~IDdmDisk() = default;
};

using IDdmDiskCollection = IDdmCollection<IDdmDisk>;

// A volume on no enumerated disk (a network share, a mapped folder, ...):
// an item of the volume collection.
class IDdmVolume {
public:
    virtual uint32_t GetVolumeType() = 0;              // 0: a DRIVE_ value
    virtual uint32_t GetDiskIndex() = 0;               // 1: kNoDisk
    virtual void Reserved2() {}                        // 2
    virtual void Reserved3() {}                        // 3
    virtual void Reserved4() {}                        // 4
    virtual const EnumVolumeRecord* GetRecord() = 0;   // 5: never null

protected:
    ~IDdmVolume() = default;
};

using IDdmVolumeCollection = IDdmCollection<IDdmVolume>;

// ---------------------------------------------------------------------------
// The disk-manager object. Load takes the enumerator's records; records that
// are not intact are refused (counted, not kept). Both collections are null
// until the first Load. The object ends with Release; what it handed out
// ends with it.
class IDdmManager {
public:
    virtual bool Load(const std::vector<EnumDiskRecord>& disks,
                      const std::vector<EnumVolumeRecord>& volumes,
                      const std::vector<EnumPartitionRecord>& partitions,
                      const std::vector<EnumDosDeviceRecord>& dosDevices) = 0;  // 0
    virtual bool IsLoaded() = 0;                                                // 1
    virtual void Release() = 0;                                                 // 2
    virtual uint32_t GetDiskCount() = 0;                                        // 3
    virtual uint32_t GetPartitionCount() = 0;                                   // 4
    virtual uint32_t GetVolumeCount() = 0;                                      // 5
    virtual uint32_t GetDosDeviceCount() = 0;                                   // 6
    virtual uint32_t GetRefusedRecordCount() = 0;                               // 7
    virtual const EnumDiskRecord* GetDisk(uint32_t index) = 0;                  // 8
    virtual const EnumPartitionRecord* GetPartition(uint32_t index) = 0;        // 9
    virtual const EnumVolumeRecord* GetVolume(uint32_t index) = 0;              // 10
    virtual IDdmVolumeCollection* GetVolumeCollection() = 0;                    // 11: or null
    virtual const EnumDosDeviceRecord* GetDosDevice(uint32_t index) = 0;        // 12
    virtual const wchar_t* FindDosDeviceTarget(wchar_t driveLetter) = 0;        // 13: null if none
    virtual void Reserved14() {}                                                // 14
    virtual void Reserved15() {}                                                // 15
    virtual void Reserved16() {}                                                // 16
    virtual void Reserved17() {}                                                // 17
    virtual void Reserved18() {}                                                // 18
    virtual IDdmDiskCollection* GetDiskCollection() = 0;                        // 19: or null

protected:
    ~IDdmManager() = default;
};

using CreateEnumDiskFn = IEnumDisk* (*)();
using CreateDdmManagerFn = IDdmManager* (*)();
