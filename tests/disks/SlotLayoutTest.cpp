// The library calls the outside disk components by slot, and they are built
// separately: each operation it calls must sit where the contract puts it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "interfaces/DiskComponents.h"

namespace {

// Under the Itanium C++ ABI (g++, mingw-w64) a pointer to a virtual member
// holds 1 plus the byte offset of its slot in the table of operations.
template <typename Method>
int SlotOf(Method method) {
    static_assert(sizeof(Method) == 2 * sizeof(uintptr_t), "Itanium member pointer");
    uintptr_t words[2];
    memcpy(words, &method, sizeof(words));
    if ((words[0] & 1) == 0) return -1;  // not virtual
    return static_cast<int>((words[0] - 1) / sizeof(void*));
}

}  // namespace

// The virtual destructor, which the library deletes through, takes slots 0 and 1.
TEST(SlotLayout, DiskEnumerator) {
    EXPECT_EQ(2, SlotOf(&IEnumDisk::Unused2));
    EXPECT_EQ(3, SlotOf(&IEnumDisk::Enumerate));
    EXPECT_EQ(5, SlotOf(&IEnumDisk::GetDiskCount));
    EXPECT_EQ(6, SlotOf(&IEnumDisk::GetVolumeCount));
    EXPECT_EQ(7, SlotOf(&IEnumDisk::GetPartitionCount));
    EXPECT_EQ(8, SlotOf(&IEnumDisk::GetDosDeviceCount));
    EXPECT_EQ(9, SlotOf(&IEnumDisk::GetDisk));
    EXPECT_EQ(10, SlotOf(&IEnumDisk::GetPartition));
    EXPECT_EQ(11, SlotOf(&IEnumDisk::GetVolume));
    EXPECT_EQ(12, SlotOf(&IEnumDisk::GetDosDevice));
}

TEST(SlotLayout, DiskManagerObjectItsCollectionsAndItems) {
    EXPECT_EQ(0, SlotOf(&IDdmManager::Load));
    EXPECT_EQ(2, SlotOf(&IDdmManager::Release));
    EXPECT_EQ(11, SlotOf(&IDdmManager::GetVolumeCollection));
    EXPECT_EQ(19, SlotOf(&IDdmManager::GetDiskCollection));
    EXPECT_EQ(5, SlotOf(&IDdmDiskCollection::First));
    EXPECT_EQ(6, SlotOf(&IDdmDiskCollection::Next));
    EXPECT_EQ(5, SlotOf(&IDdmPartitionCollection::First));
    EXPECT_EQ(6, SlotOf(&IDdmPartitionCollection::Next));
    EXPECT_EQ(5, SlotOf(&IDdmVolumeCollection::First));
    EXPECT_EQ(6, SlotOf(&IDdmVolumeCollection::Next));
    EXPECT_EQ(10, SlotOf(&IDdmDisk::GetPartitions));
    EXPECT_EQ(13, SlotOf(&IDdmPartition::GetDriveLetter));
    EXPECT_EQ(5, SlotOf(&IDdmVolume::GetRecord));
}
