#include "PathRow.h"

bool ReadPathRow(const Query& query, ProtectFileItem* item) {
    *item = ProtectFileItem();
    if (!query.Text(1, &item->filepath)) return false;
    if (query.Text(2, &item->mountpoint)) item->bFile = query.Int(3) != 0;
    return true;
}
