// GetDiskLetters over a disk-manager object made here, so each case chooses
// exactly what the collections report, null collections and records included.
#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "DiskComponents.h"
#include "DiskTestSupport.h"
#include "TestSupport.h"

namespace {

template <typename Interface, typename Item>
class FakeCollection final : public IDdmCollection<Interface> {
public:
    std::deque<Item> items;
    Interface* First() override {
        cursor_ = 0;
        return At();
    }
    Interface* Next() override {
        ++cursor_;
        return At();
    }

private:
    Interface* At() { return cursor_ < items.size() ? &items[cursor_] : nullptr; }
    size_t cursor_ = 0;
};

class FakePartition final : public IDdmPartition {
public:
    explicit FakePartition(wchar_t letter) : letter_(letter) {}
    wchar_t GetDriveLetter() override { return letter_; }

private:
    wchar_t letter_;
};

class FakeDisk final : public IDdmDisk {
public:
    explicit FakeDisk(bool hasCollection) : hasCollection_(hasCollection) {}
    IDdmPartitionCollection* GetPartitions() override {
        return hasCollection_ ? &partitions : nullptr;
    }
    FakeCollection<IDdmPartition, FakePartition> partitions;

private:
    bool hasCollection_;
};

class FakeVolume final : public IDdmVolume {
public:
    FakeVolume(wchar_t letter, bool hasRecord) : hasRecord_(hasRecord) {
        record_.driveLetter = letter;
    }
    const EnumVolumeRecord* GetRecord() override { return hasRecord_ ? &record_ : nullptr; }

private:
    EnumVolumeRecord record_{};
    bool hasRecord_;
};

// Built from texts: disks "[CD]#[E]" (a '#' is a disk without sub-collection),
// volumes "ZA#" (a '#' is a volume without record); null means no collection.
class FakeManager final : public IDdmManager {
public:
    FakeManager(const wchar_t* disks, const wchar_t* volumes)
        : hasDisks_(disks != nullptr), hasVolumes_(volumes != nullptr) {
        for (const wchar_t* c = disks ? disks : L""; *c; ++c) {
            if (*c == L'#' || *c == L'[') disks_.items.emplace_back(*c == L'[');
            else if (*c != L']') disks_.items.back().partitions.items.emplace_back(*c);
        }
        for (const wchar_t* c = volumes ? volumes : L""; *c; ++c)
            volumes_.items.emplace_back(*c, *c != L'#');
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
    FakeCollection<IDdmVolume, FakeVolume> volumes_;
};

struct LettersCase {
    const char* what;
    const wchar_t* disks;
    const wchar_t* volumes;
    std::wstring expected;
};

}  // namespace

TEST(DiskLetters, OfAGivenDiskManagerObject) {
    const LettersCase cases[] = {
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
    for (const LettersCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeManager manager(c.disks, c.volumes);
        // A fresh object holds nothing, so only the given object is read.
        IProtectFileProtectDiskMgr* disks = GetProtectDiskMgr();
        EXPECT_EQ(c.expected, AsText(disks->GetDiskLetters(&manager)));
        disks->Release();
    }
}
