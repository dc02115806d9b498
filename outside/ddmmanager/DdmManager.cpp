// Stand-in disk-manager object: keeps the records it is given and offers
// them as disks with partitions, and volumes on no disk.
#include "DdmManager.h"

#include <windows.h>

#include <cwctype>
#include <map>
#include <memory>
#include <vector>

#include "DiskObjects.h"

namespace {

class DdmManager final : public IDdmManager {
public:
    // Keeps the intact records; refuses the others, and partitions that name
    // no accepted disk. False when anything was refused.
    bool Load(const std::vector<EnumDiskRecord>& disks,
              const std::vector<EnumVolumeRecord>& volumes,
              const std::vector<EnumPartitionRecord>& partitions,
              const std::vector<EnumDosDeviceRecord>& dosDevices) override {
        Clear();
        loaded_ = true;
        std::map<uint32_t, Disk*> disksByIndex;
        for (const EnumDiskRecord& record : disks) {
            if (!IsIntactRecord(record) || disksByIndex.count(record.diskIndex)) {
                ++refused_;
                continue;
            }
            disks_.push_back(std::make_unique<Disk>(record));
            disksByIndex[record.diskIndex] = disks_.back().get();
            diskCollection_.Add(disks_.back().get());
        }
        for (const EnumPartitionRecord& record : partitions) {
            auto disk = disksByIndex.find(record.diskIndex);
            if (!IsIntactRecord(record) || disk == disksByIndex.end()) {
                ++refused_;
                continue;
            }
            partitions_.push_back(disk->second->AddPartition(record));
        }
        for (const EnumVolumeRecord& record : volumes) {
            if (!IsIntactRecord(record)) {
                ++refused_;
                continue;
            }
            volumes_.push_back(std::make_unique<Volume>(record));
            if (!disksByIndex.count(record.diskIndex)) volumeCollection_.Add(volumes_.back().get());
        }
        for (const EnumDosDeviceRecord& record : dosDevices) {
            if (IsIntactRecord(record)) dosDevices_.push_back(record);
            else ++refused_;
        }
        return refused_ == 0;
    }

    bool IsLoaded() override { return loaded_; }
    void Release() override { delete this; }

    uint32_t GetDiskCount() override { return static_cast<uint32_t>(disks_.size()); }
    uint32_t GetPartitionCount() override { return static_cast<uint32_t>(partitions_.size()); }
    uint32_t GetVolumeCount() override { return static_cast<uint32_t>(volumes_.size()); }
    uint32_t GetDosDeviceCount() override { return static_cast<uint32_t>(dosDevices_.size()); }
    uint32_t GetRefusedRecordCount() override { return refused_; }

    const EnumDiskRecord* GetDisk(uint32_t index) override {
        return index < disks_.size() ? disks_[index]->GetRecord() : nullptr;
    }
    const EnumPartitionRecord* GetPartition(uint32_t index) override {
        return index < partitions_.size() ? partitions_[index]->GetRecord() : nullptr;
    }
    const EnumVolumeRecord* GetVolume(uint32_t index) override {
        return index < volumes_.size() ? volumes_[index]->GetRecord() : nullptr;
    }
    const EnumDosDeviceRecord* GetDosDevice(uint32_t index) override {
        return index < dosDevices_.size() ? &dosDevices_[index] : nullptr;
    }

    const wchar_t* FindDosDeviceTarget(wchar_t driveLetter) override {
        for (const EnumDosDeviceRecord& device : dosDevices_)
            if (towupper(device.driveLetter) == towupper(driveLetter)) return device.target;
        return nullptr;
    }

    IDdmVolumeCollection* GetVolumeCollection() override {
        return loaded_ ? &volumeCollection_ : nullptr;
    }
    IDdmDiskCollection* GetDiskCollection() override {
        return loaded_ ? &diskCollection_ : nullptr;
    }

private:
    void Clear() {
        loaded_ = false;
        refused_ = 0;
        diskCollection_.Clear();
        volumeCollection_.Clear();
        partitions_.clear();
        disks_.clear();
        volumes_.clear();
        dosDevices_.clear();
    }

    bool loaded_ = false;
    uint32_t refused_ = 0;
    std::vector<std::unique_ptr<Disk>> disks_;
    std::vector<Partition*> partitions_;  // owned by their disks, in load order
    std::vector<std::unique_ptr<Volume>> volumes_;
    std::vector<EnumDosDeviceRecord> dosDevices_;
    Collection<IDdmDisk> diskCollection_;
    Collection<IDdmVolume> volumeCollection_;
};

bool NullRequested() {
    wchar_t value[8] = {};
    DWORD length = GetEnvironmentVariableW(L"DDMMANAGER_NULL", value, ARRAYSIZE(value));
    return length == 1 && value[0] == L'1';
}

}  // namespace

DDMMANAGER_API IDdmManager* CreateDdmManager() {
    if (NullRequested()) return nullptr;
    return new DdmManager();
}
