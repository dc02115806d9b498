// What every part of the demo host shares: the library, a way to print wide
// text, and the check that keeps the demo off rules it did not add.
#pragma once

#include <string>
#include <vector>

#include "interfaces/FileProtectHost.h"

// Prints one line, wide text as UTF-8.
void Say(const std::wstring& line);

// The demo runs against the machine's live rules: it changes only rows it
// added itself. Whether rows (or paths) already hold the key of `path`: rows
// are keyed by the path hash, so another spelling counts too.
inline const std::wstring& PathOf(const std::wstring& path) { return path; }
template <typename Row>
const std::wstring& PathOf(const Row& row) {
    return row.filepath;
}
template <typename Row>
bool HoldsKey(IHlpFunc* helper, const std::vector<Row>& rows, const std::wstring& path) {
    const uint32_t key = helper->GetPathHash(path);
    for (const Row& row : rows)
        if (helper->GetPathHash(PathOf(row)) == key) return true;
    return false;
}

// One function per subsystem; each prints what it did.
using fileprotect::Library;
void DemoFactories(const Library& library);     // DemoFactories.cpp
void DemoStore(const Library& library);         // DemoStore.cpp: opens the store
void DemoProtectPaths(const Library& library);  // DemoProtectPaths.cpp
void DemoRules(const Library& library);         // DemoRules.cpp: switches, lists, counts
void DemoPaths(const Library& library);         // DemoPaths.cpp: devices, user, folders
void DemoCoordination(const Library& library);  // DemoCoordination.cpp: lock and events
void DemoCache(const Library& library);         // DemoCache.cpp: the cache file
void DemoDisks(const Library& library);         // DemoDisks.cpp: the disk manager
