// The config table's rows. The store reads a row by its id and offers no
// listing, so only the ids come from the database file itself, opened
// read-only; the texts are then read through GetConfig like any other.
#pragma once

#include <cstdint>
#include <vector>

#include "Fpctl.h"
#include "Rules.h"

struct ConfigIdList {
    std::vector<int32_t> ids;
    // Ids the store's 32-bit interface cannot name (another program wrote
    // them): no operation can read, change or delete these rows.
    std::vector<int64_t> unreachable;
};

ConfigIdList ConfigIds(Context& context);

// Every row the store can read, with its text (empty when it holds none);
// a warning names the rows it cannot.
std::vector<ConfigRow> ReadConfigRows(Context& context);
