// Reading a path-hash text, as block-list callers pass them back, into the
// key the tables store.
#pragma once

#include <cstdint>
#include <string>

// Reads like atoi: leading white space, an optional sign, then digits up to
// the first other character; a text without digits reads as 0. A number in
// the signed 32-bit range is the key itself. One from 2^31 to 2^32 - 1 is the
// same hash written unsigned, as GetPathHash returns it, and gives the same
// key. Anything further out names no row that can exist: false.
bool ReadHashText(const std::string& text, int32_t* key);
