// GetDiskLetters over a disk-manager object built here, so each test chooses
// exactly what the collections report (the explicit-argument path).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "DiskComponents.h"
#include "DiskTestSupport.h"
#include "TestSupport.h"

namespace {

template <typename Item>
class FakeCollection final : public IDdmCollection<Item> {
public:
    std::vector<Item*> items;
    uint32_t GetCount() override { return static_cast<uint32_t>(items.size()); }
    Item* GetAt(uint32_t index) override { return index < items.size() ? items[index] : nullptr; }
    Item* First() override {
        cursor_ = 0;
        return GetAt(0);
    }
    Item* Next() override { return GetAt(static_cast<uint32_t>(++cursor_)); }

private:
    size_t cursor_ = 0;
};

class FakePartition final : public IDdmPartition {
public:
    explicit FakePartition(wchar_t letter) : letter_(letter) {}
    const EnumPartitionRecord* GetRecord() override { return nullptr; }
    uint32_t GetDiskIndex() override { return 0; }
    uint32_t GetPartitionNumber() override { return 0; }
    wchar_t GetDriveLetter() override { return letter_; }

private:
    wchar_t letter_;
};

class FakeDisk final : public IDdmDisk {
public:
    FakeCollection<IDdmPartition> partitions;
    bool hasCollection = true;
    const EnumDiskRecord* GetRecord() override { return nullptr; }
    uint32_t GetDiskIndex() override { return 0; }
    uint32_t GetPartitionCount() override { return partitions.GetCount(); }
    IDdmPartitionCollection* GetPartitions() override {
        return hasCollection ? &partitions : nullptr;
    }
};

class FakeVolume final : public IDdmVolume {
public:
    explicit FakeVolume(wchar_t letter, bool hasRecord = true) : hasRecord_(hasRecord) {
        record_.driveLetter = letter;
    }
    uint32_t GetVolumeType() override { return DRIVE_REMOTE; }
    uint32_t GetDiskIndex() override { return kNoDisk; }
    const EnumVolumeRecord* GetRecord() override { return hasRecord_ ? &record_ : nullptr; }

private:
    EnumVolumeRecord record_{};
    bool hasRecord_;
};

// Owns its disks and volumes; either collection can be withheld (null).
class FakeManager final : public IDdmManager {
public:
    bool hasDisks = true;
    bool hasVolumes = true;

    FakeDisk* AddDisk(const std::wstring& letters) {
        disks_.push_back(std::make_unique<FakeDisk>());
        for (wchar_t letter : letters) {
            partitions_.push_back(std::make_unique<FakePartition>(letter));
            disks_.back()->partitions.items.push_back(partitions_.back().get());
        }
        diskCollection_.items.push_back(disks_.back().get());
        return disks_.back().get();
    }
    void AddVolume(wchar_t letter, bool hasRecord = true) {
        volumes_.push_back(std::make_unique<FakeVolume>(letter, hasRecord));
        volumeCollection_.items.push_back(volumes_.back().get());
    }

    bool Load(const std::vector<EnumDiskRecord>&, const std::vector<EnumVolumeRecord>&,
              const std::vector<EnumPartitionRecord>&,
              const std::vector<EnumDosDeviceRecord>&) override {
        return false;
    }
    bool IsLoaded() override { return true; }
    void Release() override { ADD_FAILURE() << "the library released a manager it does not own"; }
    uint32_t GetDiskCount() override { return 0; }
    uint32_t GetPartitionCount() override { return 0; }
    uint32_t GetVolumeCount() override { return 0; }
    uint32_t GetDosDeviceCount() override { return 0; }
    uint32_t GetRefusedRecordCount() override { return 0; }
    const EnumDiskRecord* GetDisk(uint32_t) override { return nullptr; }
    const EnumPartitionRecord* GetPartition(uint32_t) override { return nullptr; }
    const EnumVolumeRecord* GetVolume(uint32_t) override { return nullptr; }
    IDdmVolumeCollection* GetVolumeCollection() override {
        return hasVolumes ? &volumeCollection_ : nullptr;
    }
    const EnumDosDeviceRecord* GetDosDevice(uint32_t) override { return nullptr; }
    const wchar_t* FindDosDeviceTarget(wchar_t) override { return nullptr; }
    IDdmDiskCollection* GetDiskCollection() override {
        return hasDisks ? &diskCollection_ : nullptr;
    }

private:
    std::vector<std::unique_ptr<FakeDisk>> disks_;
    std::vector<std::unique_ptr<FakePartition>> partitions_;
    std::vector<std::unique_ptr<FakeVolume>> volumes_;
    FakeCollection<IDdmDisk> diskCollection_;
    FakeCollection<IDdmVolume> volumeCollection_;
};

class ChosenLetters : public ::testing::Test {
protected:
    void SetUp() override { disks_ = GetProtectDiskMgr(); }
    void TearDown() override { disks_->Release(); }
    std::wstring Letters() { return AsText(disks_->GetDiskLetters(&manager_)); }

    IProtectFileProtectDiskMgr* disks_ = nullptr;
    FakeManager manager_;
};

}  // namespace

TEST_F(ChosenLetters, DiskLettersInWalkOrderThenVolumeLetters) {
    manager_.AddDisk(L"DC");
    manager_.AddDisk(L"");
    manager_.AddDisk(L"F");
    manager_.AddVolume(L'Z');
    manager_.AddVolume(L'A');
    EXPECT_EQ(L"DCFZA", Letters());
}

TEST_F(ChosenLetters, OnlyAToZAreUpperCasedAndStarIsLeftOut) {
    manager_.AddDisk(L"e*az");
    manager_.AddVolume(L'*');
    manager_.AddVolume(L'q');
    // Neighbours of the range, and letters outside ASCII, pass unchanged.
    manager_.AddVolume(L'`');
    manager_.AddVolume(L'{');
    manager_.AddVolume(static_cast<wchar_t>(0x00E4));  // a-umlaut
    manager_.AddVolume(L'7');
    EXPECT_EQ(std::wstring(L"EAZQ`{") + static_cast<wchar_t>(0x00E4) + L"7", Letters());
}

TEST_F(ChosenLetters, DuplicatesStay) {
    manager_.AddDisk(L"EE");
    manager_.AddVolume(L'e');
    EXPECT_EQ(L"EEE", Letters());
}

TEST_F(ChosenLetters, AMissingCollectionContributesNothingAndTheOtherStillRuns) {
    manager_.AddDisk(L"C");
    manager_.AddVolume(L'Z');
    manager_.hasDisks = false;
    EXPECT_EQ(L"Z", Letters());
    manager_.hasDisks = true;
    manager_.hasVolumes = false;
    EXPECT_EQ(L"C", Letters());
    manager_.hasDisks = false;
    EXPECT_EQ(L"", Letters());
}

TEST_F(ChosenLetters, ADiskWithoutSubCollectionIsSkipped) {
    manager_.AddDisk(L"C");
    manager_.AddDisk(L"X")->hasCollection = false;
    manager_.AddDisk(L"D");
    EXPECT_EQ(L"CD", Letters());
}

TEST_F(ChosenLetters, AVolumeWithoutRecordGivesNoLetterInsteadOfACrash) {
    manager_.AddVolume(L'Y');
    manager_.AddVolume(L'X', false);
    manager_.AddVolume(L'W');
    EXPECT_EQ(L"YW", Letters());
}

TEST_F(ChosenLetters, AGivenManagerIsReadEvenWhenAnotherIsHeld) {
    ScriptedMachine machine(L"[C]");
    ASSERT_NE(nullptr, disks_->LoadDiskManager());
    manager_.AddVolume(L'M');
    EXPECT_EQ(L"M", Letters());
    EXPECT_EQ(L"C", AsText(disks_->GetDiskLetters(nullptr)));
}
