// The protected-disk manager: hands the disks found by the outside disk
// enumerator (CreateEnumDisk) to a fresh outside disk-manager object
// (CreateDdmManager) and lists the drive letters that object reports. Both
// components and their contract are in DiskComponents.h. Obtained from
// GetProtectDiskMgr(), a new object per call, owned by the caller and ended by
// Release().
//
// Thread safety: one object is used by one thread at a time, and
// LoadDiskManager() must not run while another thread uses a disk-manager
// object it returned. Separate objects are independent.
#pragma once

#include <vector>

#include "SharedRuntime.h"

class IDdmManager;  // the outside disk-manager object, see DiskComponents.h

class IProtectFileProtectDiskMgr {
public:
    // Creates a disk-manager object and an enumerator, and hands the
    // enumerator's records to the disk-manager object. Returns that object; it
    // stays owned by this one (borrowed: never Release() it) and ends at the
    // next LoadDiskManager() or at Release(), which each first end what the
    // previous call created. Returns null, holding nothing, when either outside
    // component cannot be created.
    virtual IDdmManager* LoadDiskManager() = 0;  // 0

    // Ends the components held and frees this object; the pointer, and any
    // disk-manager object it returned, are invalid afterwards.
    virtual void Release() = 0;  // 1

    // The drive letters diskManager reports, or, when it is null, those of the
    // object the last LoadDiskManager() created (empty when there is none):
    // first its disks' partition letters, then its volume letters, each in the
    // order reported. a-z come back upper-case, '*' (no letter) is left out,
    // duplicates stay. A diskManager passed in stays the caller's.
    virtual std::vector<wchar_t> GetDiskLetters(IDdmManager* diskManager) = 0;  // 2

protected:
    ~IProtectFileProtectDiskMgr() = default;  // ended by Release(), never by delete
};
