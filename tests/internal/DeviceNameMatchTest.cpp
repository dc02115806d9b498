// The device-prefix decision alone, fed device names that differ only past
// the shorter one's end.
#include <gtest/gtest.h>

#include "DeviceNameMatch.h"

using device_name::IsSameDevice;
using device_name::PrefixLength;

TEST(DeviceNameMatch, PrefixMatchesOnlyAtAComponentBoundary) {
    const wchar_t* volume1 = L"\\Device\\HarddiskVolume1";
    EXPECT_EQ(23u, PrefixLength(L"\\Device\\HarddiskVolume1\\x", volume1));
    EXPECT_EQ(23u, PrefixLength(L"\\DEVICE\\harddiskvolume1\\X", volume1));
    EXPECT_EQ(0u, PrefixLength(L"\\Device\\HarddiskVolume10\\x", volume1));
    EXPECT_EQ(0u, PrefixLength(L"\\Device\\HarddiskVolume1.x", volume1));
    EXPECT_EQ(24u, PrefixLength(L"\\Device\\HarddiskVolume10\\x", L"\\Device\\HarddiskVolume10"));
    // A target that itself ends in a backslash (a substituted folder) is a boundary.
    EXPECT_EQ(11u, PrefixLength(L"\\??\\C:\\dir\\x", L"\\??\\C:\\dir\\"));
    EXPECT_EQ(0u, PrefixLength(L"\\??\\C:\\directory", L"\\??\\C:\\dir"));
}

TEST(DeviceNameMatch, ShortEmptyAndMissingTextsMatchNothing) {
    EXPECT_EQ(0u, PrefixLength(L"\\Device\\Hard", L"\\Device\\HarddiskVolume1"));
    EXPECT_EQ(0u, PrefixLength(L"", L"\\Device\\HarddiskVolume1"));
    EXPECT_EQ(0u, PrefixLength(L"\\Device\\HarddiskVolume1", L""));
    EXPECT_EQ(0u, PrefixLength<wchar_t>(nullptr, L"\\Device\\X"));
    EXPECT_EQ(0u, PrefixLength<wchar_t>(L"\\Device\\X", nullptr));
}

TEST(DeviceNameMatch, NarrowTextFollowsTheSameRules) {
    EXPECT_EQ(23u, PrefixLength("\\device\\harddiskvolume1\\a", "\\Device\\HarddiskVolume1"));
    EXPECT_EQ(0u, PrefixLength("\\Device\\HarddiskVolume10\\a", "\\Device\\HarddiskVolume1"));
    // Only ASCII letters fold: other bytes must be equal.
    EXPECT_EQ(0u, PrefixLength("\\Device\\\xC9", "\\Device\\\xE9"));
}

TEST(DeviceNameMatch, SameDeviceAllowsOneTrailingBackslash) {
    const wchar_t* volume3 = L"\\Device\\HarddiskVolume3";
    EXPECT_TRUE(IsSameDevice(L"\\Device\\HarddiskVolume3", volume3));
    EXPECT_TRUE(IsSameDevice(L"\\device\\harddiskvolume3\\", volume3));
    EXPECT_FALSE(IsSameDevice(L"\\Device\\HarddiskVolume3\\\\", volume3));
    EXPECT_FALSE(IsSameDevice(L"\\Device\\HarddiskVolume3\\Data", volume3));
    EXPECT_FALSE(IsSameDevice(L"HarddiskVolume3", volume3));
}
