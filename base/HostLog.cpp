#include "base/HostLog.h"

#include <cstdio>
#include <cstring>

namespace {

// The text after the last path separator. A cross build records forward
// slashes in __FILE__, a native one backslashes; either may occur.
const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

}  // namespace

LogLocation MakeLogLocation(int line) {
    LogLocation tag;
    memset(tag.text, 0, sizeof(tag.text));
    char linePart[12] = {};
    snprintf(linePart, sizeof(linePart), "(%d)", line);

    // A name too long to leave room for the line part is cut, so the line
    // number, which tells the places apart, always survives.
    const char* name = FileNamePart(kStoreSourcePath);
    size_t room = sizeof(tag.text) - 1 - strlen(linePart);
    size_t nameLength = strlen(name);
    if (nameLength > room) nameLength = room;
    memcpy(tag.text, name, nameLength);
    memcpy(tag.text + nameLength, linePart, strlen(linePart));
    return tag;
}
