// The disk-manager library's one export: a new disk-manager object per call,
// ended by its Release.
#pragma once

#include "DiskComponents.h"

#ifdef DDMMANAGER_BUILDING_DLL
#define DDMMANAGER_API extern "C" __declspec(dllexport)
#else
#define DDMMANAGER_API extern "C" __declspec(dllimport)
#endif

// For tests, the environment variable DDMMANAGER_NULL set to "1" makes this
// return null.
DDMMANAGER_API IDdmManager* CreateDdmManager();
