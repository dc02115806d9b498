// The disk manager end to end, as a host uses it: GetProtectDiskMgr, with the
// outside enumerator and disk-manager object behind it. DiskManager holds with
// any components that report the machine's drives; ScriptedDisks steers the
// stand-ins through their test-only switches (outside/README.md).
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

class ScriptedDisks : public DiskManager {};

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

TEST_F(DiskManager, ListsNothingBeforeTheFirstLoadThenEveryDriveOfTheMachineOnce) {
    EXPECT_TRUE(disks_->GetDiskLetters(nullptr).empty());
    ASSERT_NE(nullptr, disks_->LoadDiskManager());
    std::wstring letters = LettersOf(nullptr);
    std::sort(letters.begin(), letters.end());
    ASSERT_FALSE(letters.empty());
    EXPECT_EQ(MachineDriveLetters(), letters);
}

// Layouts as outside/enumdisk/EnumDisk.cpp reads them: [partitions] per disk,
// then /volumes on no disk. One object loads them all in turn, so each row
// also shows that a load replaces what the last one found.
TEST_F(ScriptedDisks, HandsEveryRecordOverInEnumerationOrder) {
    const struct {
        const wchar_t* layout;
        const wchar_t* letters;
    } cases[] = {
        {L"[CD][E]/F", L"CDEF"},              // disks, partitions, volumes in order
        {L"[Cd][][*e]/z*Y", L"CDEZY"},        // a disk without partitions brings none
        {L"[E]/E", L"EE"},                    // a letter in both collections twice
        {L"/", L""},                          // an empty machine
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.layout));
        ScriptedMachine machine(c.layout);
        IDdmManager* manager = disks_->LoadDiskManager();
        ASSERT_NE(nullptr, manager);
        EXPECT_EQ(c.letters, LettersOf(nullptr));
        EXPECT_EQ(c.letters, LettersOf(manager));
    }
}

TEST_F(ScriptedDisks, AGivenManagerIsUsedInsteadOfTheHeldOne) {
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
    other->Release();
    EXPECT_EQ(L"C", LettersOf(nullptr));
}

// A missing outside component gives null and leaves nothing held; the object
// stays usable and loads again once the component is back.
TEST_F(ScriptedDisks, AMissingComponentGivesNullAndHoldsNothing) {
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
            IProtectFileProtectDiskMgr* fresh = GetProtectDiskMgr();
            EXPECT_EQ(nullptr, fresh->LoadDiskManager());
            fresh->Release();  // with nothing held
        }
        ScriptedMachine machine(L"[D]");
        ASSERT_NE(nullptr, disks_->LoadDiskManager());
        EXPECT_EQ(L"D", LettersOf(nullptr));
    }
}
