// The drive letters a disk-manager object reports: its disks' partitions,
// then its volumes on no disk, each in walk order.
#pragma once

#include <vector>

#include "interfaces/DiskComponents.h"

// Lower-case letters come back upper-case; '*' (no letter) is left out;
// duplicates stay. A null collection contributes nothing.
std::vector<wchar_t> CollectDriveLetters(IDdmManager& manager);
