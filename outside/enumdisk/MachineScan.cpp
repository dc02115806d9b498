#include "MachineScan.h"

#include <windows.h>

#include <winioctl.h>

#include <cstdio>
#include <map>
#include <utility>

namespace {

// Closes the device it opened, whichever way the query returns.
class DeviceHandle {
public:
    explicit DeviceHandle(const wchar_t* path)
        : handle_(CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr)) {}
    ~DeviceHandle() {
        if (valid()) CloseHandle(handle_);
    }
    DeviceHandle(const DeviceHandle&) = delete;
    DeviceHandle& operator=(const DeviceHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool IsLocalDriveType(UINT type) {
    return type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

// The storage device under a local volume. Opening a volume for no access
// needs no rights; drives the platform cannot name (mapped folders, shares)
// give false and stay volumes on no disk.
bool QueryStorageNumber(wchar_t letter, STORAGE_DEVICE_NUMBER* number) {
    const wchar_t path[] = {L'\\', L'\\', L'.', L'\\', letter, L':', L'\0'};
    DeviceHandle volume(path);
    if (!volume.valid()) return false;
    DWORD returned = 0;
    return DeviceIoControl(volume.get(), IOCTL_STORAGE_GET_DEVICE_NUMBER, nullptr, 0, number,
                           sizeof(*number), &returned, nullptr) &&
           returned >= sizeof(*number) &&
           (number->DeviceType == FILE_DEVICE_DISK || number->DeviceType == FILE_DEVICE_CD_ROM);
}

EnumVolumeRecord DescribeVolume(const wchar_t* root) {
    EnumVolumeRecord volume{};
    SealRecord(volume);
    volume.driveLetter = static_cast<wchar_t>(towupper(root[0]));
    volume.driveType = GetDriveTypeW(root);
    volume.diskIndex = kNoDisk;
    CopyText(volume.rootPath, root);

    DWORD serial = 0, maxComponent = 0, flags = 0;
    if (GetVolumeInformationW(root, volume.label, 260, &serial, &maxComponent, &flags,
                              volume.fileSystem, 32)) {
        volume.serialNumber = serial;
        volume.fileSystemFlags = flags;
    } else {
        volume.label[0] = volume.fileSystem[0] = L'\0';  // a drive without media
    }
    ULARGE_INTEGER available, total, free;
    if (GetDiskFreeSpaceExW(root, &available, &total, &free)) volume.sizeBytes = total.QuadPart;
    if (!GetVolumeNameForVolumeMountPointW(root, volume.volumeName, 260))
        volume.volumeName[0] = L'\0';

    const wchar_t dosName[] = {volume.driveLetter, L':', L'\0'};
    if (!QueryDosDeviceW(dosName, volume.devicePath, 698)) volume.devicePath[0] = L'\0';
    return volume;
}

EnumDosDeviceRecord DescribeDosDevice(const EnumVolumeRecord& volume) {
    EnumDosDeviceRecord device{};
    SealRecord(device);
    device.driveLetter = volume.driveLetter;
    const wchar_t dosName[] = {volume.driveLetter, L':', L'\0'};
    CopyText(device.dosName, dosName);
    CopyText(device.target, volume.devicePath);
    return device;
}

EnumDiskRecord DescribeDisk(uint32_t diskIndex, DWORD deviceType, DWORD deviceNumber,
                            const std::vector<EnumPartitionRecord>& partitions) {
    EnumDiskRecord disk{};
    SealRecord(disk);
    disk.diskIndex = diskIndex;
    disk.deviceType = deviceType;
    disk.deviceNumber = deviceNumber;
    disk.partitionCount = static_cast<uint32_t>(partitions.size());
    disk.driveType = partitions.empty() ? DRIVE_UNKNOWN : partitions.front().driveType;
    for (const EnumPartitionRecord& partition : partitions) disk.sizeBytes += partition.sizeBytes;
    const bool optical = deviceType == FILE_DEVICE_CD_ROM;
    swprintf(disk.devicePath, 64, optical ? L"\\\\.\\CdRom%lu" : L"\\\\.\\PhysicalDrive%lu",
             deviceNumber);
    swprintf(disk.description, 1198, L"%ls %lu, %u volume(s)", optical ? L"Optical drive" : L"Disk",
             deviceNumber, disk.partitionCount);
    return disk;
}

}  // namespace

DiskLayout ScanMachine() {
    DiskLayout layout;
    wchar_t roots[512] = {};
    DWORD length = GetLogicalDriveStringsW(ARRAYSIZE(roots) - 1, roots);
    if (length == 0 || length >= ARRAYSIZE(roots)) {
        layout.scanError = length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
        return layout;
    }

    // Disks in the order of their device type and number; each one's volumes
    // in partition order.
    using DeviceKey = std::pair<DWORD, DWORD>;
    std::map<DeviceKey, std::multimap<DWORD, uint32_t>> volumesByDevice;
    for (const wchar_t* root = roots; *root; root += wcslen(root) + 1) {
        EnumVolumeRecord volume = DescribeVolume(root);
        STORAGE_DEVICE_NUMBER number{};
        const auto volumeIndex = static_cast<uint32_t>(layout.volumes.size());
        if (IsLocalDriveType(volume.driveType) && QueryStorageNumber(volume.driveLetter, &number)) {
            volume.partitionNumber = number.PartitionNumber;
            const DeviceKey device{number.DeviceType, number.DeviceNumber};
            volumesByDevice[device].emplace(number.PartitionNumber, volumeIndex);
        }
        layout.volumes.push_back(volume);
        if (volume.devicePath[0]) layout.dosDevices.push_back(DescribeDosDevice(volume));
    }

    for (const auto& [device, volumes] : volumesByDevice) {
        const auto diskIndex = static_cast<uint32_t>(layout.disks.size());
        std::vector<EnumPartitionRecord> partitions;
        for (const auto& [partitionNumber, volumeIndex] : volumes) {
            EnumVolumeRecord& volume = layout.volumes[volumeIndex];
            volume.diskIndex = diskIndex;
            partitions.push_back(PartitionOfVolume(volume, volumeIndex));
        }
        layout.disks.push_back(DescribeDisk(diskIndex, device.first, device.second, partitions));
        layout.partitions.push_back(std::move(partitions));
    }
    return layout;
}
