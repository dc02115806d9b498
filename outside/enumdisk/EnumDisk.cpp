// Stand-in disk enumerator: every drive letter this machine shows, as a volume
// with its device target, or, for tests, a scripted layout.
#define DISK_COMPONENT_API extern "C" __declspec(dllexport)

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "outside/enumdisk/StandInRecords.h"

namespace {

struct Layout {
    std::vector<std::wstring> disks;  // each disk's partition letters
    std::wstring volumes;             // letters of the volumes on no disk
    std::vector<StandInDosDevice> devices;
};

Layout ScanMachine() {
    Layout layout;
    wchar_t roots[512] = {};
    DWORD length = GetLogicalDriveStringsW(ARRAYSIZE(roots) - 1, roots);
    for (const wchar_t* root = roots; length < ARRAYSIZE(roots) && *root;
         root += wcslen(root) + 1) {
        const wchar_t dosName[] = {root[0], L':', L'\0'};
        layout.volumes += root[0];
        StandInDosDevice device{};
        device.driveLetter = root[0];
        if (QueryDosDeviceW(dosName, device.target, ARRAYSIZE(device.target)))
            layout.devices.push_back(device);
    }
    return layout;
}

// "[CD][][e]/Z*": each [...] is a disk with its partitions' letters, and after
// '/' come the volumes on no disk; one character per letter, '*' for none.
Layout ParseLayout(const std::wstring& text) {
    Layout layout;
    size_t pos = 0;
    while (pos < text.size() && text[pos] == L'[') {
        size_t close = text.find(L']', pos);
        if (close == std::wstring::npos) break;
        layout.disks.push_back(text.substr(pos + 1, close - pos - 1));
        pos = close + 1;
    }
    if (pos < text.size() && text[pos] == L'/') layout.volumes = text.substr(pos + 1);
    return layout;
}

template <typename List>
uint32_t Count(const List& list) {
    return static_cast<uint32_t>(list.size());
}

class DiskEnumerator final : public IEnumDisk {
public:
    DiskEnumerator(bool scripted, std::wstring script)
        : scripted_(scripted), script_(std::move(script)) {}

    uint32_t Enumerate() override {
        layout_ = scripted_ ? ParseLayout(script_) : ScanMachine();
        return Count(layout_.disks);
    }
    uint32_t GetDiskCount() override { return Count(layout_.disks); }
    uint32_t GetVolumeCount() override { return Count(layout_.volumes); }
    uint32_t GetPartitionCount(uint32_t disk) override {
        return disk < layout_.disks.size() ? Count(layout_.disks[disk]) : 0;
    }
    uint32_t GetDosDeviceCount() override { return Count(layout_.devices); }

    void GetDisk(uint32_t disk, EnumDiskRecord* record) override {
        WriteRecord(record, StandInDisk{GetPartitionCount(disk)});
    }
    void GetPartition(uint32_t disk, uint32_t partition, EnumPartitionRecord* record) override {
        const bool known = partition < GetPartitionCount(disk);
        WriteRecord(record, StandInPartition{known ? layout_.disks[disk][partition] : kNoDriveLetter});
    }
    void GetVolume(uint32_t index, EnumVolumeRecord* record) override {
        *record = EnumVolumeRecord{};
        record->driveLetter = index < layout_.volumes.size() ? layout_.volumes[index] : kNoDriveLetter;
    }
    void GetDosDevice(uint32_t index, EnumDosDeviceRecord* record) override {
        WriteRecord(record, index < layout_.devices.size() ? layout_.devices[index] : StandInDosDevice{});
    }

private:
    bool scripted_;
    std::wstring script_;
    Layout layout_;
};

}  // namespace

// Tests choose the layout with the environment variable ENUMDISK_LAYOUT, read
// here at each call; the value "null" stands for a missing component.
DISK_COMPONENT_API IEnumDisk* CreateEnumDisk() {
    DWORD size = GetEnvironmentVariableW(L"ENUMDISK_LAYOUT", nullptr, 0);
    std::wstring script(size, L'\0');
    if (size > 0) script.resize(GetEnvironmentVariableW(L"ENUMDISK_LAYOUT", &script[0], size));
    if (script == L"null") return nullptr;
    return new DiskEnumerator(size > 0, script);
}
