// The disk manager as a host uses it through GetProtectDiskMgr. One test
// hands it a disk-manager object made here, so each case chooses exactly
// what the collections report, null collections and records included.
// The tests of loads steer the stand-in outside components through their
// test-only switches (outside/README.md).
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

#include "interfaces/DiskComponents.h"
#include "tests/support/TestSupport.h"

namespace {

template <typename Interface, typename Item>
class FakeCollection final : public IDdmCollection<Interface> {
public:
    std::deque<Item> items;
    Interface* First() override { return At(cursor_ = 0); }
    Interface* Next() override { return At(++cursor_); }

private:
    Interface* At(size_t i) { return i < items.size() ? &items[i] : nullptr; }
    size_t cursor_ = 0;
};

// A partition or a volume; as a volume, letter '#' has no record.
class FakeItem final : public IDdmPartition, public IDdmVolume {
public:
    explicit FakeItem(wchar_t letter) { record_.driveLetter = letter; }
    wchar_t GetDriveLetter() override { return record_.driveLetter; }
    const EnumVolumeRecord* GetRecord() override {
        return record_.driveLetter == L'#' ? nullptr : &record_;
    }

private:
    EnumVolumeRecord record_{};
};

class FakeDisk final : public IDdmDisk {
public:
    explicit FakeDisk(bool hasCollection) : hasCollection_(hasCollection) {}
    IDdmPartitionCollection* GetPartitions() override {
        return hasCollection_ ? &partitions : nullptr;
    }
    FakeCollection<IDdmPartition, FakeItem> partitions;

private:
    bool hasCollection_;
};

// Built from texts: disks "[CD]#[E]" (a '#' is a disk without sub-collection),
// volumes "ZA#"; null means no collection.
class FakeManager final : public IDdmManager {
public:
    FakeManager(const wchar_t* disks, const wchar_t* volumes)
        : hasDisks_(disks != nullptr), hasVolumes_(volumes != nullptr) {
        for (const wchar_t* c = disks ? disks : L""; *c; ++c) {
            if (*c == L'#' || *c == L'[') disks_.items.emplace_back(*c == L'[');
            else if (*c != L']') disks_.items.back().partitions.items.emplace_back(*c);
        }
        for (const wchar_t* c = volumes ? volumes : L""; *c; ++c) volumes_.items.emplace_back(*c);
    }
    void Load(const std::vector<EnumDiskRecord>&, const std::vector<EnumVolumeRecord>&,
              const std::vector<EnumPartitionRecord>&,
              const std::vector<EnumDosDeviceRecord>&) override {
        ADD_FAILURE() << "a given disk-manager object is only read";
    }
    void Release() override { ADD_FAILURE() << "a given disk-manager object stays the caller's"; }
    IDdmVolumeCollection* GetVolumeCollection() override { return hasVolumes_ ? &volumes_ : nullptr; }
    IDdmDiskCollection* GetDiskCollection() override { return hasDisks_ ? &disks_ : nullptr; }

private:
    bool hasDisks_, hasVolumes_;
    FakeCollection<IDdmDisk, FakeDisk> disks_;
    FakeCollection<IDdmVolume, FakeItem> volumes_;
};

// A test-only switch of the stand-ins, set for one scope. They read it at
// each factory call, so it steers the next LoadDiskManager.
struct ScopedEnvironment {
    ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name(name) {
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnvironment() { SetEnvironmentVariableW(name, nullptr); }
    const wchar_t* name;
};

// A made-up machine for the stand-in enumerator (syntax: outside/enumdisk/EnumDisk.cpp).
const wchar_t kLayout[] = L"ENUMDISK_LAYOUT";

class DiskManager : public ::testing::Test {
protected:
    void SetUp() override { disks_ = GetProtectDiskMgr(); }
    void TearDown() override { disks_->Release(); }
    std::wstring LettersOf(IDdmManager* manager) {
        const std::vector<wchar_t> letters = disks_->GetDiskLetters(manager);
        return std::wstring(letters.begin(), letters.end());
    }
    IProtectFileProtectDiskMgr* disks_ = nullptr;
};

}  // namespace

// The fixture's object is never loaded here, so only the given object is read.
TEST_F(DiskManager, ReadsTheLettersOfAGivenDiskManagerObject) {
    const struct {
        const char* what;
        const wchar_t* disks;
        const wchar_t* volumes;
        std::wstring expected;
    } cases[] = {
        {"partition letters in walk order, then volume letters", L"[DC][][F]", L"ZA", L"DCFZA"},
        {"only a-z are upper-cased and '*' is left out", L"[e*az]", L"*q`{\u00e47",
         L"EAZQ`{\u00e47"},
        {"duplicates stay", L"[EE]", L"e", L"EEE"},
        {"no disk collection", nullptr, L"Z", L"Z"},
        {"no volume collection", L"[C]", nullptr, L"C"},
        {"no collection at all", nullptr, nullptr, L""},
        {"a disk without sub-collection is skipped", L"[C]#[D]", L"", L"CD"},
        {"a volume without record gives no letter", L"", L"Y#W", L"YW"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeManager manager(c.disks, c.volumes);
        EXPECT_EQ(c.expected, LettersOf(&manager));
    }
}

TEST_F(DiskManager, ListsNothingBeforeTheFirstLoadThenEveryDriveOfTheMachineOnce) {
    EXPECT_TRUE(disks_->GetDiskLetters(nullptr).empty());
    ASSERT_NE(nullptr, disks_->LoadDiskManager());
    std::wstring letters = LettersOf(nullptr);
    std::sort(letters.begin(), letters.end());
    wchar_t roots[512] = {};
    std::wstring machine;
    DWORD length = GetLogicalDriveStringsW(511, roots);
    for (const wchar_t* root = roots; length && *root; root += wcslen(root) + 1)
        machine += static_cast<wchar_t>(towupper(root[0]));
    std::sort(machine.begin(), machine.end());
    ASSERT_FALSE(letters.empty());
    EXPECT_EQ(machine, letters);
}

// Layouts as outside/enumdisk/EnumDisk.cpp reads them: [partitions] per disk,
// then /volumes on no disk. One object loads them all in turn, so each row
// also shows that a load replaces what the last one found; another object's
// manager, given, is read instead of the held one throughout.
TEST_F(DiskManager, HandsEveryRecordOverInEnumerationOrder) {
    IProtectFileProtectDiskMgr* other = GetProtectDiskMgr();
    IDdmManager* otherManager;
    {
        ScopedEnvironment machine(kLayout, L"[Q]/R");
        otherManager = other->LoadDiskManager();
    }
    ASSERT_NE(nullptr, otherManager);
    const struct {
        const wchar_t* layout;
        const wchar_t* letters;
    } cases[] = {
        {L"/", L""},                          // an empty machine
        {L"[CD][E]/F", L"CDEF"},              // disks, partitions, volumes in order
        {L"[Cd][][*e]/z*Y", L"CDEZY"},        // a disk without partitions brings none
        {L"[E]/E", L"EE"},                    // a letter in both collections twice
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Utf8(c.layout));
        ScopedEnvironment machine(kLayout, c.layout);
        IDdmManager* manager = disks_->LoadDiskManager();
        ASSERT_NE(nullptr, manager);
        EXPECT_EQ(c.letters, LettersOf(nullptr));
        EXPECT_EQ(c.letters, LettersOf(manager));
        EXPECT_EQ(L"QR", LettersOf(otherManager));
    }
    other->Release();
    EXPECT_EQ(L"EE", LettersOf(nullptr));
}

// A missing outside component gives null and leaves nothing held; the object
// stays usable and loads again once the component is back.
TEST_F(DiskManager, AMissingComponentGivesNullAndHoldsNothing) {
    const wchar_t* variables[][2] = {{kLayout, L"null"}, {L"DDMMANAGER_NULL", L"1"}};
    for (const auto& variable : variables) {
        SCOPED_TRACE(Utf8(variable[0]));
        {
            ScopedEnvironment machine(kLayout, L"[C]");
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
        ScopedEnvironment machine(kLayout, L"[D]");
        ASSERT_NE(nullptr, disks_->LoadDiskManager());
        EXPECT_EQ(L"D", LettersOf(nullptr));
    }
}
