#include "disks/DiskLetters.h"

namespace {

void AddLetter(wchar_t letter, std::vector<wchar_t>* letters) {
    if (letter >= L'a' && letter <= L'z') letter = static_cast<wchar_t>(letter - 0x20);
    if (letter != kNoDriveLetter) letters->push_back(letter);
}

void AddPartitionLetters(IDdmDiskCollection& disks, std::vector<wchar_t>* letters) {
    for (IDdmDisk* disk = disks.First(); disk; disk = disks.Next()) {
        IDdmPartitionCollection* partitions = disk->GetPartitions();
        if (!partitions) continue;
        for (IDdmPartition* partition = partitions->First(); partition;
             partition = partitions->Next())
            AddLetter(partition->GetDriveLetter(), letters);
    }
}

// The record is read only at the letter's offset; a component that breaks
// its promise of a record gives no letter rather than a crash.
void AddVolumeLetters(IDdmVolumeCollection& volumes, std::vector<wchar_t>* letters) {
    for (IDdmVolume* volume = volumes.First(); volume; volume = volumes.Next()) {
        const EnumVolumeRecord* record = volume->GetRecord();
        if (record) AddLetter(record->driveLetter, letters);
    }
}

}  // namespace

std::vector<wchar_t> CollectDriveLetters(IDdmManager& manager) {
    std::vector<wchar_t> letters;
    if (IDdmDiskCollection* disks = manager.GetDiskCollection())
        AddPartitionLetters(*disks, &letters);
    if (IDdmVolumeCollection* volumes = manager.GetVolumeCollection())
        AddVolumeLetters(*volumes, &letters);
    return letters;
}
