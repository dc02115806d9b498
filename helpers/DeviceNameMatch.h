// Deciding whether a path lies on a device, from the device's name alone.
// Pure text logic, shared by the wide and ANSI translations and by the
// volume-name lookup.
#pragma once

#include <cstddef>

namespace device_name {

template <typename Char>
Char FoldAscii(Char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<Char>(c + ('a' - 'A')) : c;
}

// The length of `device` when `path` begins with it, compared without regard
// to the case of ASCII letters, and the match ends at a path component
// boundary (the path ends there or continues with a backslash); otherwise 0.
// The boundary keeps \Device\HarddiskVolume10\x from matching the device
// \Device\HarddiskVolume1. An empty device name matches nothing.
template <typename Char>
size_t PrefixLength(const Char* path, const Char* device) {
    if (!path || !device || device[0] == 0) return 0;
    size_t n = 0;
    for (; device[n] != 0; ++n) {
        // A path that ends early stops here: its NUL differs from the device's
        // next character, so nothing past the path's end is read.
        if (FoldAscii(path[n]) != FoldAscii(device[n])) return 0;
    }
    const bool atBoundary = path[n] == 0 || path[n] == '\\' || device[n - 1] == '\\';
    return atBoundary ? n : 0;
}

// True when `volume` names exactly `device`, allowing one trailing backslash
// (\Device\HarddiskVolume3 and \Device\HarddiskVolume3\ name the same volume).
template <typename Char>
bool IsSameDevice(const Char* volume, const Char* device) {
    size_t n = PrefixLength(volume, device);
    if (n == 0) return false;
    return volume[n] == 0 || (volume[n] == '\\' && volume[n + 1] == 0);
}

}  // namespace device_name
