// Device paths <-> drive-letter paths, checked against what the platform
// reports for every drive it has.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

struct Drive {
    std::wstring name;    // "C:"
    std::wstring target;  // "\Device\HarddiskVolume1"
};

std::vector<Drive> PlatformDrives() {
    std::vector<Drive> drives;
    wchar_t list[260] = {}, target[260] = {};
    GetLogicalDriveStringsW(260, list);
    for (const wchar_t* entry = list; *entry; entry += wcslen(entry) + 1)
        if (QueryDosDeviceW(std::wstring(entry, 2).c_str(), target, 260))
            drives.push_back({std::wstring(entry, 2), target});
    return drives;
}

std::wstring TargetOfC() {
    for (const Drive& drive : PlatformDrives())
        if (drive.name == L"C:") return drive.target;
    return std::wstring();
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return text;
}

std::string Spelled(const std::wstring& text, char) { return Narrow(text); }
std::wstring Spelled(const std::wstring& text, wchar_t) { return text; }
std::wstring AsWide(const char* text) { return Wide(text); }
std::wstring AsWide(const wchar_t* text) { return text; }

// A translation run with its input placed in the output buffer.
using InPlace = std::function<bool(const std::wstring& input, std::wstring* result)>;

template <typename Char>
InPlace InPlaceOf(bool (IHlpFunc::*translate)(const Char*, Char*)) {
    return [translate](const std::wstring& input, std::wstring* result) {
        Char buffer[260] = {};
        const auto text = Spelled(input, Char());
        text.copy(buffer, text.size());
        const bool done = (getHlpObj()->*translate)(buffer, buffer);
        *result = AsWide(buffer);
        return done;
    };
}

class DeviceTranslation : public ::testing::Test {
protected:
    IHlpFunc* helper = getHlpObj();
    wchar_t out[260] = {};
    char outA[260] = {};
};

}  // namespace

TEST_F(DeviceTranslation, EveryDriveRoundTripsInBothDirectionsAndForms) {
    std::vector<Drive> drives = PlatformDrives();
    ASSERT_GE(drives.size(), 2u) << "Wine reports C: and Z: at least";
    for (const Drive& drive : drives) {
        SCOPED_TRACE(Narrow(drive.name));
        const std::wstring dosPath = drive.name + L"\\Data\\a.txt";
        ASSERT_TRUE(helper->DosPathToDevicePath(dosPath.c_str(), out));
        const std::wstring devicePath = out;
        EXPECT_EQ(drive.target + L"\\Data\\a.txt", devicePath);
        // Back again: the first drive on that device wins, and it maps to it.
        ASSERT_TRUE(helper->DevicePathToDosPath(devicePath.c_str(), out));
        const std::wstring back = out;
        EXPECT_EQ(L"\\Data\\a.txt", back.substr(2));
        ASSERT_TRUE(helper->DosPathToDevicePath(back.c_str(), out));
        EXPECT_EQ(devicePath, out);
        // Device names and these paths are ASCII: the ANSI forms agree.
        ASSERT_TRUE(helper->DevicePathToDosPathA(Narrow(devicePath).c_str(), outA));
        EXPECT_EQ(Narrow(back), outA);
        ASSERT_TRUE(helper->DosPathToDevicePathA(Narrow(dosPath).c_str(), outA));
        EXPECT_EQ(Narrow(devicePath), outA);
    }
}

TEST_F(DeviceTranslation, CaseAndTrailingBackslashVariants) {
    const std::wstring c = TargetOfC();
    ASSERT_FALSE(c.empty());
    ASSERT_TRUE(helper->DevicePathToDosPath(Lower(c + L"\\Data\\A.txt").c_str(), out));
    EXPECT_EQ(L"C:\\data\\a.txt", std::wstring(out));
    ASSERT_TRUE(helper->DevicePathToDosPath((c + L"\\").c_str(), out));
    EXPECT_EQ(L"C:\\", std::wstring(out));
    ASSERT_TRUE(helper->DevicePathToDosPath(c.c_str(), out));
    EXPECT_EQ(L"C:", std::wstring(out));
    ASSERT_TRUE(helper->DosPathToDevicePath(L"c:", out));
    EXPECT_EQ(c, out);
}

TEST_F(DeviceTranslation, SiblingDeviceNameIsNotTranslatedThroughAShorterOne) {
    // C:'s device with a digit appended is another volume (Volume1 / Volume10).
    const std::wstring sibling = TargetOfC() + L"0";
    for (const Drive& drive : PlatformDrives())
        if (Lower(drive.target) == Lower(sibling)) GTEST_SKIP() << "that volume exists here";
    const std::wstring path = sibling + L"\\x.txt";
    EXPECT_FALSE(helper->DevicePathToDosPath(path.c_str(), out));
    EXPECT_EQ(path, out) << "a path on no drive comes back unchanged";
    EXPECT_FALSE(helper->DevicePathToDosPathA(Narrow(path).c_str(), outA));
    EXPECT_EQ(Narrow(path), outA);
    EXPECT_EQ(path, helper->VolumePathToDosPath(path));
}

TEST_F(DeviceTranslation, UnknownShortNullAndOverlongInputsFailCleanly) {
    EXPECT_FALSE(helper->DevicePathToDosPath(L"\\Device\\NoSuchDevice\\x", out));
    EXPECT_EQ(L"\\Device\\NoSuchDevice\\x", std::wstring(out));
    // Too short for a drive name, no such device, or no text: output untouched.
    for (const wchar_t* bad :
         {L"", L"C", L"C:x", L"Q:\\", L"\\\\server", (const wchar_t*)nullptr}) {
        wcscpy(out, L"untouched");
        EXPECT_FALSE(helper->DosPathToDevicePath(bad, out));
        EXPECT_EQ(L"untouched", std::wstring(out));
    }
    for (const char* bad : {"C", "C:x"}) {
        strcpy(outA, "untouched");
        EXPECT_FALSE(helper->DosPathToDevicePathA(bad, outA));
        EXPECT_STREQ("untouched", outA);
    }
    EXPECT_FALSE(helper->DosPathToDevicePath(L"C:\\", nullptr));
    EXPECT_FALSE(helper->DevicePathToDosPath(nullptr, out));
    EXPECT_FALSE(helper->DevicePathToDosPathA(nullptr, outA));

    // 259 characters fit; one more is refused whole, never cut.
    const std::wstring fits = L"C:\\" + std::wstring(258 - TargetOfC().size(), L'a');
    ASSERT_TRUE(helper->DosPathToDevicePath(fits.c_str(), out));
    EXPECT_EQ(259u, wcslen(out));
    for (const std::wstring& tooLong :
         {fits + L"a", TargetOfC() + L"\\" + std::wstring(300, L'b'),
          L"\\Device\\NoSuchDevice\\" + std::wstring(300, L'b')}) {
        const bool toDevice = tooLong[1] == L':';
        EXPECT_FALSE(toDevice ? helper->DosPathToDevicePath(tooLong.c_str(), out)
                              : helper->DevicePathToDosPath(tooLong.c_str(), out));
        EXPECT_EQ(L"", std::wstring(out));
        EXPECT_FALSE(toDevice ? helper->DosPathToDevicePathA(Narrow(tooLong).c_str(), outA)
                              : helper->DevicePathToDosPathA(Narrow(tooLong).c_str(), outA));
        EXPECT_STREQ("", outA);
    }
}

TEST_F(DeviceTranslation, OutputMayBeTheInputBuffer) {
    // Each translation, given its input in the output buffer, answers as it
    // does with a buffer of its own: the result is built before it is written.
    const std::wstring c = TargetOfC();
    const struct {
        InPlace translate;
        std::wstring input, expected;
        bool done;
    } cases[] = {
        {InPlaceOf(&IHlpFunc::DosPathToDevicePath), L"C:\\Data\\a.txt", c + L"\\Data\\a.txt",
         true},
        {InPlaceOf(&IHlpFunc::DosPathToDevicePathA), L"C:\\Data\\a.txt", c + L"\\Data\\a.txt",
         true},
        {InPlaceOf(&IHlpFunc::DosPathToDevicePath), L"C:", c, true},
        {InPlaceOf(&IHlpFunc::DevicePathToDosPath), c + L"\\Data\\a.txt", L"C:\\Data\\a.txt",
         true},
        {InPlaceOf(&IHlpFunc::DevicePathToDosPathA), c + L"\\Data\\a.txt", L"C:\\Data\\a.txt",
         true},
        {InPlaceOf(&IHlpFunc::DevicePathToDosPath), L"\\Device\\NoSuchDevice\\x",
         L"\\Device\\NoSuchDevice\\x", false},
    };
    for (const auto& each : cases) {
        std::wstring result;
        EXPECT_EQ(each.done, each.translate(each.input, &result)) << Narrow(each.input);
        EXPECT_EQ(each.expected, result);
    }
}

// A drive substituted for a folder deeper than the query buffer: its device
// name cannot be read. It stands before C: in the drive order.
class UnreadableDrive : public DeviceTranslation {
protected:
    const std::wstring drive = L"B:";
    const std::wstring target = L"\\??\\C:\\" + std::wstring(300, L'd');
    void SetUp() override {
        wchar_t probe[260] = {};
        if (QueryDosDeviceW(drive.c_str(), probe, 260)) GTEST_SKIP() << "B: is in use here";
        ASSERT_TRUE(DefineDosDeviceW(DDD_RAW_TARGET_PATH, drive.c_str(), target.c_str()));
        defined = true;
    }
    void TearDown() override {
        const DWORD remove =
            DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE;
        if (defined) DefineDosDeviceW(remove, drive.c_str(), target.c_str());
    }
    bool defined = false;
};

TEST_F(UnreadableDrive, IsPassedOverAndTheLaterDrivesStillTranslate) {
    wchar_t list[260] = {};
    GetLogicalDriveStringsW(260, list);
    ASSERT_NE(std::wstring::npos, std::wstring(list, 260).find(L"B:\\")) << "the drive is listed";
    const std::wstring path = TargetOfC() + L"\\Data\\a.txt";
    ASSERT_TRUE(helper->DevicePathToDosPath(path.c_str(), out));
    EXPECT_EQ(L"C:\\Data\\a.txt", std::wstring(out));
    ASSERT_TRUE(helper->DevicePathToDosPathA(Narrow(path).c_str(), outA));
    EXPECT_STREQ("C:\\Data\\a.txt", outA);
}

TEST(VolumePaths, VolumeDevicesTranslateAndOthersComeBackUnchanged) {
    IHlpFunc* helper = getHlpObj();
    const std::wstring c = TargetOfC();
    if (c.find(L"HarddiskVolume") == std::wstring::npos) GTEST_SKIP() << "C: is no volume here";
    EXPECT_EQ(L"C:\\Data\\a.txt", helper->VolumePathToDosPath(c + L"\\Data\\a.txt"));
    EXPECT_EQ(L"C:\\", helper->VolumePathToDosPath(c + L"\\"));
    // A path ending with the volume number hands over "HarddiskVolumeN" alone,
    // which names no drive's device here.
    EXPECT_EQ(c, helper->VolumePathToDosPath(c)) << "the volume alone";
    for (const std::wstring& same :
         {std::wstring(L"C:\\Data"), std::wstring(L"\\Device\\Mup\\server\\share"),
          std::wstring(L"\\Device\\HarddiskVolume99999\\x"), std::wstring(),
          Lower(c) + L"\\x"})  // the marker is looked for in its exact case
        EXPECT_EQ(same, helper->VolumePathToDosPath(same));
}
