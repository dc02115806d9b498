// The items the disk-manager object hands out: each wraps one record it
// accepted at Load.
#pragma once

#include <memory>
#include <vector>

#include "Collection.h"

class Partition final : public IDdmPartition {
public:
    explicit Partition(const EnumPartitionRecord& record) : record_(record) {}
    const EnumPartitionRecord* GetRecord() override { return &record_; }
    uint32_t GetDiskIndex() override { return record_.diskIndex; }
    uint32_t GetPartitionNumber() override { return record_.partitionNumber; }
    wchar_t GetDriveLetter() override { return record_.driveLetter; }

private:
    EnumPartitionRecord record_;
};

class Disk final : public IDdmDisk {
public:
    explicit Disk(const EnumDiskRecord& record) : record_(record) {}

    Partition* AddPartition(const EnumPartitionRecord& record) {
        partitions_.push_back(std::make_unique<Partition>(record));
        collection_.Add(partitions_.back().get());
        return partitions_.back().get();
    }

    const EnumDiskRecord* GetRecord() override { return &record_; }
    uint32_t GetDiskIndex() override { return record_.diskIndex; }
    uint32_t GetPartitionCount() override { return collection_.GetCount(); }
    IDdmPartitionCollection* GetPartitions() override {
        return collection_.empty() ? nullptr : &collection_;
    }

private:
    EnumDiskRecord record_;
    std::vector<std::unique_ptr<Partition>> partitions_;
    Collection<IDdmPartition> collection_;
};

class Volume final : public IDdmVolume {
public:
    explicit Volume(const EnumVolumeRecord& record) : record_(record) {}
    uint32_t GetVolumeType() override { return record_.driveType; }
    uint32_t GetDiskIndex() override { return record_.diskIndex; }
    const EnumVolumeRecord* GetRecord() override { return &record_; }

private:
    EnumVolumeRecord record_;
};
