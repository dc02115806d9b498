// The drives this machine shows: every logical drive becomes a volume; local
// drives whose storage device the platform names are grouped into disks.
#pragma once

#include "DiskLayout.h"

DiskLayout ScanMachine();
