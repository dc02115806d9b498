#include "disks/ProtectDiskMgr.h"

#include "disks/DiskLetters.h"

namespace {

// The four record arrays of one load, in the order the enumerator is read.
struct DiskRecords {
    std::vector<EnumDiskRecord> disks;
    std::vector<EnumPartitionRecord> partitions;
    std::vector<EnumVolumeRecord> volumes;
    std::vector<EnumDosDeviceRecord> dosDevices;
};

// Each kind has one scratch record that every fill of that kind reuses. It
// starts zeroed, so a fill that writes nothing copies zeros, never stale
// stack bytes.
DiskRecords ReadRecords(IEnumDisk& enumerator) {
    DiskRecords records;
    enumerator.Enumerate();
    const uint32_t diskCount = enumerator.GetDiskCount();
    const uint32_t volumeCount = enumerator.GetVolumeCount();
    const uint32_t dosDeviceCount = enumerator.GetDosDeviceCount();

    EnumDiskRecord disk{};
    EnumPartitionRecord partition{};
    for (uint32_t d = 0; d < diskCount; ++d) {
        enumerator.GetDisk(d, &disk);
        records.disks.push_back(disk);
        const uint32_t partitionCount = enumerator.GetPartitionCount(d);
        for (uint32_t p = 0; p < partitionCount; ++p) {
            enumerator.GetPartition(d, p, &partition);
            records.partitions.push_back(partition);
        }
    }

    EnumVolumeRecord volume{};
    for (uint32_t v = 0; v < volumeCount; ++v) {
        enumerator.GetVolume(v, &volume);
        records.volumes.push_back(volume);
    }
    EnumDosDeviceRecord dosDevice{};
    for (uint32_t i = 0; i < dosDeviceCount; ++i) {
        enumerator.GetDosDevice(i, &dosDevice);
        records.dosDevices.push_back(dosDevice);
    }
    return records;
}

}  // namespace

// Ends both components. The fields are cleared at once, so nothing ever
// points at an object that was released, even if the next creation fails.
void CProtectFileProtectDiskMgr::DropComponents() {
    if (diskManager_) {
        IDdmManager* manager = diskManager_;
        diskManager_ = nullptr;
        manager->Release();
    }
    if (enumerator_) {
        IEnumDisk* enumerator = enumerator_;
        enumerator_ = nullptr;
        delete enumerator;
    }
}

// Returns null, holding nothing, when either outside factory gives null: a
// disk manager without the disks, or disks without a manager, would list
// nothing true.
IDdmManager* CProtectFileProtectDiskMgr::LoadDiskManager() {
    DropComponents();
    diskManager_ = CreateDdmManager();
    enumerator_ = CreateEnumDisk();
    if (!diskManager_ || !enumerator_) {
        DropComponents();
        return nullptr;
    }

    DiskRecords records = ReadRecords(*enumerator_);
    diskManager_->Load(records.disks, records.volumes, records.partitions, records.dosDevices);
    return diskManager_;
}

void CProtectFileProtectDiskMgr::Release() {
    DropComponents();
    delete this;
}

std::vector<wchar_t> CProtectFileProtectDiskMgr::GetDiskLetters(IDdmManager* diskManager) {
    IDdmManager* manager = diskManager ? diskManager : diskManager_;
    if (!manager) return {};
    return CollectDriveLetters(*manager);
}
