#include "ScriptedLayout.h"

#include <windows.h>

#include <winioctl.h>

#include <cstdio>

namespace {

struct Token {
    wchar_t letter;
    bool damaged;
};

constexpr uint64_t kScriptedVolumeBytes = 1ull << 30;

// One comma-separated list of letters, up to (not including) the stop
// character or the end of the text. An empty list is allowed; an empty item
// is not.
bool ParseLetters(const std::wstring& text, size_t* pos, wchar_t stop, std::vector<Token>* out) {
    size_t i = *pos;
    if (i < text.size() && text[i] == stop) return true;
    for (;;) {
        Token token{0, false};
        if (i < text.size() && text[i] == L'!') {
            token.damaged = true;
            ++i;
        }
        if (i >= text.size()) return false;
        wchar_t c = text[i];
        if (c == L',' || c == L'[' || c == L']' || c == L'/' || c == L'!') return false;
        token.letter = c;
        out->push_back(token);
        ++i;
        if (i < text.size() && text[i] == L',') {
            ++i;
            continue;
        }
        *pos = i;
        return i == text.size() ? stop == L'\0' : text[i] == stop;
    }
}

void Damage(uint32_t* recordSize) { *recordSize += 4; }

EnumVolumeRecord MakeVolume(const Token& token, uint32_t volumeIndex, uint32_t diskIndex,
                            uint32_t partitionNumber) {
    EnumVolumeRecord volume{};
    SealRecord(volume);
    volume.driveLetter = token.letter;
    volume.driveType = diskIndex == kNoDisk ? DRIVE_REMOTE : DRIVE_FIXED;
    volume.diskIndex = diskIndex;
    volume.partitionNumber = partitionNumber;
    volume.serialNumber = 0x5C000000u + volumeIndex;
    volume.sizeBytes = kScriptedVolumeBytes;
    if (token.letter != kNoDriveLetter) {
        const wchar_t root[] = {token.letter, L':', L'\\', L'\0'};
        CopyText(volume.rootPath, root);
    }
    CopyText(volume.fileSystem, L"NTFS");
    swprintf(volume.label, 260, L"Scripted volume %u", volumeIndex);
    swprintf(volume.devicePath, 698, L"\\Device\\ScriptedVolume%u", volumeIndex + 1);
    return volume;
}

EnumDiskRecord MakeDisk(uint32_t diskIndex, uint32_t partitionCount) {
    EnumDiskRecord disk{};
    SealRecord(disk);
    disk.diskIndex = diskIndex;
    disk.deviceType = FILE_DEVICE_DISK;
    disk.deviceNumber = diskIndex;
    disk.partitionCount = partitionCount;
    disk.driveType = DRIVE_FIXED;
    disk.sizeBytes = kScriptedVolumeBytes * partitionCount;
    swprintf(disk.devicePath, 64, L"\\\\.\\PhysicalDrive%u", diskIndex);
    swprintf(disk.description, 1198, L"Scripted disk %u", diskIndex);
    return disk;
}

void AddDosDevices(DiskLayout* layout) {
    for (const EnumVolumeRecord& volume : layout->volumes) {
        if (volume.driveLetter == kNoDriveLetter) continue;
        EnumDosDeviceRecord device{};
        SealRecord(device);
        device.driveLetter = volume.driveLetter;
        const wchar_t dosName[] = {volume.driveLetter, L':', L'\0'};
        CopyText(device.dosName, dosName);
        CopyText(device.target, volume.devicePath);
        layout->dosDevices.push_back(device);
    }
}

}  // namespace

bool ParseScriptedLayout(const std::wstring& text, DiskLayout* layout) {
    std::vector<std::vector<Token>> disks;
    std::vector<Token> loose;
    size_t pos = 0;
    while (pos < text.size() && text[pos] == L'[') {
        ++pos;
        disks.emplace_back();
        if (!ParseLetters(text, &pos, L']', &disks.back())) return false;
        ++pos;  // the ']'
    }
    if (pos < text.size()) {
        if (text[pos] != L'/') return false;
        ++pos;
        if (pos < text.size() && !ParseLetters(text, &pos, L'\0', &loose)) return false;
    }

    DiskLayout built;
    for (uint32_t d = 0; d < disks.size(); ++d) {
        built.disks.push_back(MakeDisk(d, static_cast<uint32_t>(disks[d].size())));
        built.partitions.emplace_back();
        for (uint32_t p = 0; p < disks[d].size(); ++p) {
            const auto volumeIndex = static_cast<uint32_t>(built.volumes.size());
            built.volumes.push_back(MakeVolume(disks[d][p], volumeIndex, d, p + 1));
            built.partitions.back().push_back(PartitionOfVolume(built.volumes.back(), volumeIndex));
            if (disks[d][p].damaged) Damage(&built.partitions.back().back().recordSize);
        }
    }
    for (const Token& token : loose) {
        const auto volumeIndex = static_cast<uint32_t>(built.volumes.size());
        built.volumes.push_back(MakeVolume(token, volumeIndex, kNoDisk, 0));
        if (token.damaged) Damage(&built.volumes.back().recordSize);
    }
    AddDosDevices(&built);
    *layout = std::move(built);
    return true;
}
