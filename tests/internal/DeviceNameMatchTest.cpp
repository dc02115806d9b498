// The device-prefix decision alone, for what the drive translation table
// cannot reach on this machine: targets that end in a backslash (substituted
// folders), other boundaries, and texts too short, empty or missing.
#include <gtest/gtest.h>

#include "helpers/DeviceNameMatch.h"

using device_name::IsSameDevice;
using device_name::PrefixLength;

namespace {

const wchar_t kVolume1[] = L"\\Device\\HarddiskVolume1";

}  // namespace

TEST(DeviceNameMatch, PrefixMatchesOnlyAtAComponentBoundary) {
    const struct {
        const wchar_t* path;
        const wchar_t* target;
        size_t length;
    } cases[] = {
        {L"\\Device\\HarddiskVolume1.x", kVolume1, 0},
        // A target that itself ends in a backslash (a substituted folder) is a boundary.
        {L"\\??\\C:\\dir\\x", L"\\??\\C:\\dir\\", 11},
        {L"\\??\\C:\\directory", L"\\??\\C:\\dir", 0},
        // Short, empty and missing texts match nothing.
        {L"\\Device\\Hard", kVolume1, 0},
        {L"", kVolume1, 0},
        {kVolume1, L"", 0},
        {nullptr, L"\\Device\\X", 0},
        {L"\\Device\\X", nullptr, 0},
    };
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); ++i)
        EXPECT_EQ(cases[i].length, PrefixLength(cases[i].path, cases[i].target)) << "case " << i;
    // Narrow text follows the same rules; only ASCII letters fold.
    EXPECT_EQ(0u, PrefixLength("\\Device\\\xC9", "\\Device\\\xE9"));
}

TEST(DeviceNameMatch, SameDeviceAllowsOneTrailingBackslash) {
    const wchar_t* volume3 = L"\\Device\\HarddiskVolume3";
    for (const wchar_t* same : {L"\\Device\\HarddiskVolume3", L"\\device\\harddiskvolume3\\"})
        EXPECT_TRUE(IsSameDevice(same, volume3)) << same;
    for (const wchar_t* other : {L"\\Device\\HarddiskVolume3\\\\", L"\\Device\\HarddiskVolume3\\Data",
                                 L"HarddiskVolume3"})
        EXPECT_FALSE(IsSameDevice(other, volume3)) << other;
}
