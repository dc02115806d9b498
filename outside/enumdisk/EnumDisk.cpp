// Stand-in disk enumerator: the drives Wine (or Windows) shows, or a scripted
// machine for tests.
#include "EnumDisk.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "MachineScan.h"
#include "ScriptedLayout.h"

namespace {

// The value of an environment variable; found is false when it is unset.
std::wstring ReadEnvironment(const wchar_t* name, bool* found) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    *found = size > 0;
    if (size <= 1) return std::wstring();
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, &value[0], size);
    value.resize(length < size ? length : 0);
    return value;
}

template <typename Record>
void Fill(const std::vector<Record>& records, uint32_t index, Record* out) {
    if (!out) return;
    if (index < records.size()) *out = records[index];
    else memset(out, 0, sizeof(Record));
}

class DiskEnumerator final : public IEnumDisk {
public:
    // script is null for the real machine.
    explicit DiskEnumerator(const std::wstring* script) {
        if (script) {
            hasScript_ = true;
            script_ = *script;
        }
    }

    uint32_t GetLayoutVersion() override { return kEnumDiskLayoutVersion; }

    uint32_t Enumerate() override {
        layout_ = DiskLayout();
        if (!hasScript_) layout_ = ScanMachine();
        else if (!ParseScriptedLayout(script_, &layout_)) layout_.scanError = ERROR_INVALID_DATA;
        return static_cast<uint32_t>(layout_.disks.size());
    }

    uint32_t GetLastScanError() override { return layout_.scanError; }
    uint32_t GetDiskCount() override { return static_cast<uint32_t>(layout_.disks.size()); }
    uint32_t GetVolumeCount() override { return static_cast<uint32_t>(layout_.volumes.size()); }
    uint32_t GetDosDeviceCount() override {
        return static_cast<uint32_t>(layout_.dosDevices.size());
    }
    uint32_t GetPartitionCount(uint32_t diskIndex) override {
        return diskIndex < layout_.partitions.size()
                   ? static_cast<uint32_t>(layout_.partitions[diskIndex].size())
                   : 0;
    }

    void GetDisk(uint32_t diskIndex, EnumDiskRecord* record) override {
        Fill(layout_.disks, diskIndex, record);
    }
    void GetPartition(uint32_t diskIndex, uint32_t partitionIndex,
                      EnumPartitionRecord* record) override {
        static const std::vector<EnumPartitionRecord> none;
        Fill(diskIndex < layout_.partitions.size() ? layout_.partitions[diskIndex] : none,
             partitionIndex, record);
    }
    void GetVolume(uint32_t index, EnumVolumeRecord* record) override {
        Fill(layout_.volumes, index, record);
    }
    void GetDosDevice(uint32_t index, EnumDosDeviceRecord* record) override {
        Fill(layout_.dosDevices, index, record);
    }

private:
    bool hasScript_ = false;
    std::wstring script_;
    DiskLayout layout_;
};

}  // namespace

ENUMDISK_API IEnumDisk* CreateEnumDisk() {
    bool scripted = false;
    std::wstring script = ReadEnvironment(L"ENUMDISK_LAYOUT", &scripted);
    if (scripted && script == L"null") return nullptr;
    return new DiskEnumerator(scripted ? &script : nullptr);
}
