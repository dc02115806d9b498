// Records that travel between the rule store and its callers.
#pragma once

#include <cstdint>
#include <string>

// One path rule: a protected file, folder or extension, or an entry of the
// reject and white lists. It carries no hash; the store computes it.
struct ProtectFileItem {
    std::wstring filepath;
    std::wstring mountpoint;
    bool bextention = false;
    bool bFile = false;
};

// One row of the block-count list.
struct BlockCountItem {
    int32_t pathhash = 0;
    std::wstring filepath;
    int32_t blockcount = 0;
};

// The protection switches kept in row 1 of the config table. The field order
// is part of the binary interface and differs from the stored text's order.
struct ProtectConfig {
    bool bEnableProtect = false;
    bool bTEVRAImgProtct = true;
    bool bFileTypeProtct = true;
    bool bRuningDrv = false;
    bool bProtctFileAndFloder = true;
};
