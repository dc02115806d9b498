// Reads the ids of a cache file without changing it. The cache manager can
// only take ids out, so listing reads the file (an XML format every process
// shares) under the same named lock and exclusive-open rules its writers use.
#pragma once

#include <string>
#include <vector>

#include "Fpctl.h"

std::vector<std::string> ReadCacheIds(Context& context, const std::wstring& path);
