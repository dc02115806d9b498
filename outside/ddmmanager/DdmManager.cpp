// Stand-in disk-manager object: the records of one enumeration as disks with
// their partitions, and volumes, in the order received.
#define DISK_COMPONENT_API extern "C" __declspec(dllexport)

#include <windows.h>

#include <deque>
#include <utility>
#include <vector>

#include "outside/enumdisk/StandInRecords.h"

namespace {

// Owns its items; a deque keeps handed-out addresses valid while it grows.
template <typename Interface, typename Item>
class Collection final : public IDdmCollection<Interface> {
public:
    Item& Add(Item item) {
        items_.push_back(std::move(item));
        return items_.back();
    }
    Interface* First() override {
        cursor_ = 0;
        return Current();
    }
    Interface* Next() override {
        if (cursor_ < items_.size()) ++cursor_;
        return Current();
    }

private:
    Interface* Current() { return cursor_ < items_.size() ? &items_[cursor_] : nullptr; }

    std::deque<Item> items_;
    size_t cursor_ = 0;
};

class Partition final : public IDdmPartition {
public:
    explicit Partition(wchar_t letter) : letter_(letter) {}
    wchar_t GetDriveLetter() override { return letter_; }

private:
    wchar_t letter_;
};

class Disk final : public IDdmDisk {
public:
    IDdmPartitionCollection* GetPartitions() override { return &partitions; }
    Collection<IDdmPartition, Partition> partitions;
};

class Volume final : public IDdmVolume {
public:
    explicit Volume(const EnumVolumeRecord& record) : record_(record) {}
    const EnumVolumeRecord* GetRecord() override { return &record_; }

private:
    EnumVolumeRecord record_;
};

class DiskManager final : public IDdmManager {
public:
    // Each disk takes as many of the sub-records, in order, as its record counts.
    void Load(const std::vector<EnumDiskRecord>& disks,
              const std::vector<EnumVolumeRecord>& volumes,
              const std::vector<EnumPartitionRecord>& partitions,
              const std::vector<EnumDosDeviceRecord>& /*dosDevices*/) override {
        size_t next = 0;
        for (const EnumDiskRecord& record : disks) {
            Disk& disk = disks_.Add(Disk());
            uint32_t count = ReadRecord<StandInDisk>(record).partitionCount;
            for (; count > 0 && next < partitions.size(); --count, ++next)
                disk.partitions.Add(
                    Partition(ReadRecord<StandInPartition>(partitions[next]).driveLetter));
        }
        for (const EnumVolumeRecord& record : volumes) volumes_.Add(Volume(record));
    }
    void Release() override { delete this; }
    IDdmVolumeCollection* GetVolumeCollection() override { return &volumes_; }
    IDdmDiskCollection* GetDiskCollection() override { return &disks_; }

private:
    Collection<IDdmDisk, Disk> disks_;
    Collection<IDdmVolume, Volume> volumes_;
};

}  // namespace

// Tests set the environment variable DDMMANAGER_NULL to "1", read here at each
// call, to stand for a missing component.
DISK_COMPONENT_API IDdmManager* CreateDdmManager() {
    wchar_t value[4] = {};
    if (GetEnvironmentVariableW(L"DDMMANAGER_NULL", value, ARRAYSIZE(value)) == 1 &&
        value[0] == L'1')
        return nullptr;
    return new DiskManager();
}
