// The disk manager end to end, as a host uses it: GetProtectDiskMgr, then the
// stand-in enumerator and disk-manager object behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "DiskComponents.h"
#include "DiskTestSupport.h"
#include "TestSupport.h"

namespace {

class DiskManager : public ::testing::Test {
protected:
    void SetUp() override { disks_ = GetProtectDiskMgr(); }
    void TearDown() override { disks_->Release(); }

    std::wstring LettersOf(IDdmManager* manager) { return AsText(disks_->GetDiskLetters(manager)); }

    IProtectFileProtectDiskMgr* disks_ = nullptr;
};

// The letters of the drives this machine shows, in ascending order.
std::wstring MachineDriveLetters() {
    wchar_t roots[512] = {};
    std::wstring letters;
    DWORD length = GetLogicalDriveStringsW(511, roots);
    for (const wchar_t* root = roots; length && *root; root += wcslen(root) + 1)
        letters += static_cast<wchar_t>(towupper(root[0]));
    std::sort(letters.begin(), letters.end());
    return letters;
}

}  // namespace

TEST_F(DiskManager, ListsEveryDriveOfTheMachineOnce) {
    IDdmManager* manager = disks_->LoadDiskManager();
    ASSERT_NE(nullptr, manager);
    EXPECT_EQ(0u, manager->GetRefusedRecordCount());

    std::wstring letters = LettersOf(nullptr);
    std::sort(letters.begin(), letters.end());
    ASSERT_FALSE(letters.empty());
    EXPECT_EQ(MachineDriveLetters(), letters);
    EXPECT_EQ(letters.size(), manager->GetVolumeCount());
    EXPECT_NE(nullptr, manager->FindDosDeviceTarget(letters[0]));
}

TEST_F(DiskManager, NothingIsListedBeforeTheFirstLoad) {
    EXPECT_TRUE(disks_->GetDiskLetters(nullptr).empty());
}

TEST_F(DiskManager, HandsOverEveryRecordWholeAndInEnumerationOrder) {
    ScriptedMachine machine(L"[C,D][][e,f]/Z,*");
    IDdmManager* manager = disks_->LoadDiskManager();
    ASSERT_NE(nullptr, manager);

    // Nothing refused: every record arrived at its full size, intact.
    EXPECT_EQ(0u, manager->GetRefusedRecordCount());
    ASSERT_EQ(3u, manager->GetDiskCount());
    for (uint32_t d = 0; d < 3; ++d) EXPECT_EQ(d, manager->GetDisk(d)->diskIndex);
    // The disk without partitions keeps its record and brings none.
    EXPECT_EQ(0u, manager->GetDisk(1)->partitionCount);

    // Partitions in disk order, and within a disk in partition order.
    ASSERT_EQ(4u, manager->GetPartitionCount());
    const wchar_t expected[][2] = {{L'C', 0}, {L'D', 0}, {L'e', 2}, {L'f', 2}};
    for (uint32_t i = 0; i < 4; ++i) {
        const EnumPartitionRecord* partition = manager->GetPartition(i);
        EXPECT_EQ(expected[i][0], partition->driveLetter) << i;
        EXPECT_EQ(static_cast<uint32_t>(expected[i][1]), partition->diskIndex) << i;
    }
    // Every volume, and a DOS device for each one with a letter.
    EXPECT_EQ(6u, manager->GetVolumeCount());
    EXPECT_EQ(5u, manager->GetDosDeviceCount());
    EXPECT_STREQ(L"\\Device\\ScriptedVolume5", manager->FindDosDeviceTarget(L'Z'));
}

TEST_F(DiskManager, ReportsPartitionLettersThenVolumeLettersUpperCased) {
    ScriptedMachine machine(L"[C,d][][*,e]/z,*,Y");
    IDdmManager* manager = disks_->LoadDiskManager();
    ASSERT_NE(nullptr, manager);
    EXPECT_EQ(L"CDEZY", LettersOf(nullptr));
    EXPECT_EQ(L"CDEZY", LettersOf(manager));
}

TEST_F(DiskManager, KeepsALetterReportedByBothCollections) {
    ScriptedMachine machine(L"[E]/E");
    ASSERT_NE(nullptr, disks_->LoadDiskManager());
    EXPECT_EQ(L"EE", LettersOf(nullptr));
}

TEST_F(DiskManager, AnEmptyMachineGivesAManagerWithNoLetters) {
    ScriptedMachine machine(L"");
    IDdmManager* manager = disks_->LoadDiskManager();
    ASSERT_NE(nullptr, manager);
    EXPECT_EQ(0u, manager->GetDiskCount());
    EXPECT_EQ(0u, manager->GetVolumeCount());
    EXPECT_EQ(L"", LettersOf(nullptr));
}

// Records of a wrong size (a component of another layout version) are
// refused by the disk manager; the rest still lists.
TEST_F(DiskManager, RecordsOfAWrongSizeAreLeftOutCleanly) {
    ScriptedMachine machine(L"[C,!D][!G]/Z,!Y");
    IDdmManager* manager = disks_->LoadDiskManager();
    ASSERT_NE(nullptr, manager);
    EXPECT_EQ(3u, manager->GetRefusedRecordCount());
    EXPECT_EQ(1u, manager->GetPartitionCount());
    EXPECT_EQ(L"CZ", LettersOf(nullptr));
}

TEST_F(DiskManager, EachLoadReplacesWhatTheLastOneFound) {
    {
        ScriptedMachine machine(L"[C]");
        ASSERT_NE(nullptr, disks_->LoadDiskManager());
        EXPECT_EQ(L"C", LettersOf(nullptr));
    }
    ScriptedMachine machine(L"[D,E]");
    IDdmManager* second = disks_->LoadDiskManager();
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(1u, second->GetDiskCount());
    EXPECT_EQ(2u, second->GetPartitionCount());
    EXPECT_EQ(L"DE", LettersOf(nullptr));
}

TEST_F(DiskManager, AnExplicitManagerIsUsedInsteadOfTheHeldOne) {
    IProtectFileProtectDiskMgr* other = GetProtectDiskMgr();
    IDdmManager* otherManager;
    {
        ScriptedMachine machine(L"[Q]/R");
        otherManager = other->LoadDiskManager();
    }
    ScriptedMachine machine(L"[C]");
    ASSERT_NE(nullptr, disks_->LoadDiskManager());
    ASSERT_NE(nullptr, otherManager);

    EXPECT_EQ(L"QR", LettersOf(otherManager));
    EXPECT_EQ(L"C", LettersOf(nullptr));
    // A fresh object holds nothing but still reads a manager it is given.
    IProtectFileProtectDiskMgr* fresh = GetProtectDiskMgr();
    EXPECT_EQ(L"QR", AsText(fresh->GetDiskLetters(otherManager)));
    fresh->Release();
    other->Release();
    EXPECT_EQ(L"C", LettersOf(nullptr));
}

// A missing outside component gives null and leaves nothing held; the object
// stays usable and loads again once the component is back.
TEST_F(DiskManager, AMissingComponentGivesNullAndHoldsNothing) {
    const wchar_t* variables[][2] = {{L"ENUMDISK_LAYOUT", L"null"}, {L"DDMMANAGER_NULL", L"1"}};
    for (const auto& variable : variables) {
        SCOPED_TRACE(Narrow(variable[0]));
        {
            ScriptedMachine machine(L"[C]");
            ASSERT_NE(nullptr, disks_->LoadDiskManager());
        }
        {
            ScopedEnvironment missing(variable[0], variable[1]);
            EXPECT_EQ(nullptr, disks_->LoadDiskManager());
            EXPECT_TRUE(disks_->GetDiskLetters(nullptr).empty());
            EXPECT_EQ(nullptr, disks_->LoadDiskManager());  // again, with nothing held
        }
        ScriptedMachine machine(L"[D]");
        ASSERT_NE(nullptr, disks_->LoadDiskManager());
        EXPECT_EQ(L"D", LettersOf(nullptr));
    }
}

TEST_F(DiskManager, ReleaseAfterAFailedLoadIsClean) {
    ScopedEnvironment missing(L"DDMMANAGER_NULL", L"1");
    IProtectFileProtectDiskMgr* disks = GetProtectDiskMgr();
    EXPECT_EQ(nullptr, disks->LoadDiskManager());
    disks->Release();
}
