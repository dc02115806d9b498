// The ids of the config table's rows. The store reads a row by its id and
// offers no listing, so only the ids come from the database file itself,
// opened read-only; the texts are then read through GetConfig like any other.
#pragma once

#include <cstdint>
#include <vector>

#include "Fpctl.h"

std::vector<int32_t> ConfigIds(Context& context);
