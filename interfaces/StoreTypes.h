// Records that travel between the rule store and its callers. Field order and
// types are part of the binary interface.
#pragma once

#include <cstdint>
#include <string>

#include "SharedRuntime.h"

// One path rule: a protected file, folder or extension, or an entry of the
// reject and white lists. It carries no hash; the store computes it from
// filepath (GetPathHash of IHlpFunc).
struct ProtectFileItem {
    std::wstring filepath;    // must not be empty in a write
    std::wstring mountpoint;  // stored as given, never interpreted
    bool bextention = false;  // read back true for extension rows only
    bool bFile = false;       // true for a file, false for a folder
};

// One row of the block-count list.
struct BlockCountItem {
    int32_t pathhash = 0;  // read back; ignored by writes
    std::wstring filepath;
    int32_t blockcount = 0;  // saturated to INT32_MAX / INT32_MIN when read
};

// The protection switches kept in row 1 of the config table; the defaults are
// what GetProtectConfig() returns when nothing is stored. The field order is
// part of the binary interface and differs from the stored text's order.
struct ProtectConfig {
    bool bEnableProtect = false;
    bool bTEVRAImgProtct = true;
    bool bFileTypeProtct = true;
    bool bRuningDrv = false;
    bool bProtctFileAndFloder = true;
};
