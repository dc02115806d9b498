// Reads one row of the reject and white lists (columns pathhash, filepath,
// mountpoint, bFile) into a ProtectFileItem. Those tables have no
// bextention column, so the item's flag is always false.
#pragma once

#include "IFileProtectCfgMgr.h"
#include "Query.h"

// False when the query has no further row or the row's filepath is NULL.
// A row without a mount point reads with an empty one and bFile false.
bool ReadPathRow(Query& query, ProtectFileItem* item);
