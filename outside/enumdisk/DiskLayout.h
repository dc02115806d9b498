// What one enumeration found, as the records the enumerator hands out.
#pragma once

#include <cwchar>
#include <vector>

#include "DiskComponents.h"

struct DiskLayout {
    std::vector<EnumDiskRecord> disks;
    std::vector<std::vector<EnumPartitionRecord>> partitions;  // per disk, same order
    std::vector<EnumVolumeRecord> volumes;
    std::vector<EnumDosDeviceRecord> dosDevices;
    uint32_t scanError = 0;  // the platform's error code when the scan failed
};

// Copies a text into a fixed field, cut to fit and always terminated.
template <size_t N>
void CopyText(wchar_t (&field)[N], const wchar_t* text) {
    wcsncpy(field, text ? text : L"", N - 1);
    field[N - 1] = L'\0';
}

// The partition record of a volume that lies on a disk: both layouts, the
// machine's and a scripted one, describe partitions this way.
inline EnumPartitionRecord PartitionOfVolume(const EnumVolumeRecord& volume, uint32_t volumeIndex) {
    EnumPartitionRecord partition{};
    SealRecord(partition);
    partition.diskIndex = volume.diskIndex;
    partition.partitionNumber = volume.partitionNumber;
    partition.driveLetter = volume.driveLetter;
    partition.driveType = volume.driveType;
    partition.serialNumber = volume.serialNumber;
    partition.fileSystemFlags = volume.fileSystemFlags;
    partition.volumeIndex = volumeIndex;
    partition.sizeBytes = volume.sizeBytes;
    CopyText(partition.fileSystem, volume.fileSystem);
    CopyText(partition.label, volume.label);
    return partition;
}
