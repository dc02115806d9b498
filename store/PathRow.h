// Reads the current row of the reject and white lists (columns pathhash,
// filepath, mountpoint, bFile) into a ProtectFileItem. Those tables have no
// bextention column, so the item's flag is always false.
#pragma once

#include "IFileProtectCfgMgr.h"
#include "Query.h"

// False when the row's filepath is NULL: a damaged row, which the listings
// pass over (the rows behind it are still listed). A row without a mount
// point reads with an empty one and bFile false.
bool ReadPathRow(const Query& query, ProtectFileItem* item);
