#include "PathRow.h"

bool ReadPathRow(const Query& query, ProtectFileItem* item) {
    // Field by field rather than a fresh item, so a reused item keeps the
    // capacity of its texts.
    item->filepath.clear();
    item->mountpoint.clear();
    item->bextention = false;
    item->bFile = false;
    if (!query.Text(1, &item->filepath)) return false;
    if (query.Text(2, &item->mountpoint)) item->bFile = query.Int(3) != 0;
    return true;
}
