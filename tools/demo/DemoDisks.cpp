#include <cstdio>

#include "DemoHost.h"
#include "DiskComponents.h"

namespace {

std::wstring Number(uint64_t value) { return std::to_wstring(value); }

void ShowDisks(IDdmManager* manager) {
    for (uint32_t d = 0; d < manager->GetDiskCount(); ++d) {
        const EnumDiskRecord* disk = manager->GetDisk(d);
        Say(L"disk " + Number(disk->diskIndex) + L": " + disk->devicePath + L" (" +
            disk->description + L")");
    }
    for (uint32_t p = 0; p < manager->GetPartitionCount(); ++p) {
        const EnumPartitionRecord* partition = manager->GetPartition(p);
        Say(L"  partition " + Number(partition->partitionNumber) + L" of disk " +
            Number(partition->diskIndex) + L": " + std::wstring(1, partition->driveLetter) +
            L": " + partition->fileSystem + L", " + Number(partition->sizeBytes >> 20) + L" MiB");
    }
    for (uint32_t v = 0; v < manager->GetVolumeCount(); ++v) {
        const EnumVolumeRecord* volume = manager->GetVolume(v);
        const wchar_t* target = manager->FindDosDeviceTarget(volume->driveLetter);
        Say(L"volume " + std::wstring(volume->rootPath) + L" -> " + (target ? target : L"?") +
            (volume->diskIndex == kNoDisk ? L" (on no disk)" : L""));
    }
}

}  // namespace

void DemoDisks(const Library& library) {
    Say(L"== disk manager");
    IProtectFileProtectDiskMgr* disks = library.newDiskManager();
    IDdmManager* manager = disks->LoadDiskManager();
    if (!manager) {
        Say(L"the disk components are not available");
        disks->Release();
        return;
    }
    ShowDisks(manager);
    std::wstring letters;
    for (wchar_t letter : disks->GetDiskLetters(nullptr)) letters += std::wstring(1, letter) + L" ";
    Say(L"drive letters reported by the disk manager: " + letters);
    disks->Release();
}
