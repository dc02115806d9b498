// The disk-logic library's one export: a new disk enumerator per call, owned
// by the caller, who deletes it through IEnumDisk.
#pragma once

#include "DiskComponents.h"

#ifdef ENUMDISK_BUILDING_DLL
#define ENUMDISK_API extern "C" __declspec(dllexport)
#else
#define ENUMDISK_API extern "C" __declspec(dllimport)
#endif

// Enumerates the machine's drives. For tests, the environment variable
// ENUMDISK_LAYOUT replaces the machine with a scripted one (see
// ScriptedLayout.h), and the value "null" makes this return null.
ENUMDISK_API IEnumDisk* CreateEnumDisk();
