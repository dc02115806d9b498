// Device paths <-> drive-letter paths, checked against what the platform
// reports for every drive it has.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

// The drive names ("C:") and their devices ("\Device\HarddiskVolume1").
std::vector<std::pair<std::wstring, std::wstring>> PlatformDrives() {
    std::vector<std::pair<std::wstring, std::wstring>> drives;
    wchar_t list[260] = {}, target[260] = {};
    GetLogicalDriveStringsW(260, list);
    for (const wchar_t* entry = list; *entry; entry += wcslen(entry) + 1)
        if (QueryDosDeviceW(std::wstring(entry, 2).c_str(), target, 260))
            drives.emplace_back(std::wstring(entry, 2), target);
    return drives;
}

std::wstring TargetOfC() {
    wchar_t target[260] = {};
    QueryDosDeviceW(L"C:", target, 260);
    return target;
}

std::wstring Lower(std::wstring text) {
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c + 32);
    return text;
}

std::string Spelled(const std::wstring& text, char) { return Utf8(text); }
std::wstring Spelled(const std::wstring& text, wchar_t) { return text; }
std::wstring AsWide(const char* text) { return Wide(text); }
std::wstring AsWide(const wchar_t* text) { return text; }

// One translation into a 260-character buffer: given one of its own (holding
// "untouched" beforehand), or in place, with its input placed in that buffer.
using Translation = std::function<bool(const std::wstring& input, bool inPlace, std::wstring*)>;

template <typename Char>
Translation Of(bool (IHlpFunc::*translate)(const Char*, Char*)) {
    return [translate](const std::wstring& input, bool inPlace, std::wstring* result) {
        Char buffer[260] = {};
        const auto text = Spelled(input, Char());
        const auto before = inPlace ? text : Spelled(L"untouched", Char());
        before.copy(buffer, before.size());
        const bool done = (getHlpObj()->*translate)(inPlace ? buffer : text.c_str(), buffer);
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

TEST_F(DeviceTranslation, EveryDriveRoundTrips) {
    const auto drives = PlatformDrives();
    ASSERT_GE(drives.size(), 2u) << "Wine reports C: and Z: at least";
    for (const auto& drive : drives) {
        SCOPED_TRACE(Utf8(drive.first));
        ASSERT_TRUE(helper->DosPathToDevicePath((drive.first + L"\\Data\\a.txt").c_str(), out));
        const std::wstring devicePath = out;
        EXPECT_EQ(drive.second + L"\\Data\\a.txt", devicePath);
        // Back again: the first drive on that device wins, and it maps to it.
        ASSERT_TRUE(helper->DevicePathToDosPath(devicePath.c_str(), out));
        EXPECT_EQ(L"\\Data\\a.txt", std::wstring(out).substr(2));
        ASSERT_TRUE(helper->DosPathToDevicePath(std::wstring(out).c_str(), out));
        EXPECT_EQ(devicePath, out);
    }
}

TEST_F(DeviceTranslation, AnswersEveryCaseOfTheTableInItsOwnBufferAndInPlace) {
    const std::wstring c = TargetOfC();
    ASSERT_FALSE(c.empty());
    // C:'s device with a digit appended is another volume (Volume1 / Volume10).
    const std::wstring sibling = c + L"0\\x.txt";
    for (const auto& drive : PlatformDrives())
        ASSERT_NE(Lower(drive.second) + L"\\x.txt", Lower(sibling)) << "that volume exists here";
    const Translation toDevice = Of(&IHlpFunc::DosPathToDevicePath);
    const Translation toDeviceA = Of(&IHlpFunc::DosPathToDevicePathA);
    const Translation toDos = Of(&IHlpFunc::DevicePathToDosPath);
    const Translation toDosA = Of(&IHlpFunc::DevicePathToDosPathA);
    // 259 characters fit; one more is refused whole, never cut.
    const std::wstring fits = L"C:\\" + std::wstring(258 - c.size(), L'a');
    const std::wstring unknown = L"\\Device\\NoSuchDevice\\x";
    const struct {
        const Translation& translate;
        std::wstring input, expected;
        bool done;
    } cases[] = {
        {toDevice, L"C:\\Data\\a.txt", c + L"\\Data\\a.txt", true},
        {toDeviceA, L"C:\\Data\\a.txt", c + L"\\Data\\a.txt", true},
        {toDevice, L"c:", c, true},
        {toDevice, fits, c + fits.substr(2), true},
        {toDos, c + L"\\Data\\a.txt", L"C:\\Data\\a.txt", true},
        {toDosA, c + L"\\Data\\a.txt", L"C:\\Data\\a.txt", true},
        {toDos, Lower(c + L"\\Data\\A.txt"), L"C:\\data\\a.txt", true},
        {toDos, c + L"\\", L"C:\\", true},
        {toDos, c, L"C:", true},
        // A path on no drive comes back unchanged, also where a shorter
        // device name is its beginning.
        {toDos, unknown, unknown, false},
        {toDos, sibling, sibling, false},
        {toDosA, sibling, sibling, false},
        // Too short for a drive name, drive-relative, or no such drive:
        // the output is left as it was.
        {toDevice, L"", L"untouched", false},
        {toDevice, L"C", L"untouched", false},
        {toDevice, L"C:x", L"untouched", false},
        {toDeviceA, L"C:x", L"untouched", false},
        {toDevice, L"Q:\\", L"untouched", false},
        {toDevice, L"\\\\server", L"untouched", false},
        // Results that do not fit are refused whole: empty, never cut.
        {toDevice, fits + L"a", L"", false},
        {toDeviceA, fits + L"a", L"", false},
        {toDos, c + L"\\" + std::wstring(300, L'b'), L"", false},
        {toDosA, c + L"\\" + std::wstring(300, L'b'), L"", false},
        {toDos, unknown + std::wstring(300, L'b'), L"", false},
        {toDosA, unknown + std::wstring(300, L'b'), L"", false},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(Utf8(each.input.substr(0, 60)));
        std::wstring result;
        EXPECT_EQ(each.done, each.translate(each.input, false, &result));
        EXPECT_EQ(each.expected, result);
        // In place, the result is built before it is written.
        if (each.input.size() >= 260) continue;
        EXPECT_EQ(each.done, each.translate(each.input, true, &result));
        EXPECT_EQ(each.expected == L"untouched" ? each.input : each.expected, result);
    }
    EXPECT_EQ(sibling, helper->VolumePathToDosPath(sibling));
    EXPECT_FALSE(helper->DosPathToDevicePath(nullptr, out));
    EXPECT_FALSE(helper->DosPathToDevicePath(L"C:\\", nullptr));
    EXPECT_FALSE(helper->DevicePathToDosPath(nullptr, out));
    EXPECT_FALSE(helper->DevicePathToDosPathA(nullptr, outA));
}

TEST_F(DeviceTranslation, AnUnreadableDriveIsPassedOverAndTheLaterDrivesStillTranslate) {
    // B:, substituted for a folder deeper than the query buffer: its device
    // name cannot be read. It stands before C: in the drive order.
    wchar_t list[260] = {}, probe[260] = {};
    if (QueryDosDeviceW(L"B:", probe, 260)) GTEST_SKIP() << "B: is in use here";
    const std::wstring target = L"\\??\\C:\\" + std::wstring(300, L'd');
    ASSERT_TRUE(DefineDosDeviceW(DDD_RAW_TARGET_PATH, L"B:", target.c_str()));
    struct Undefine {
        const wchar_t* target;
        ~Undefine() {
            DefineDosDeviceW(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE,
                             L"B:", target);
        }
    } undefine{target.c_str()};
    GetLogicalDriveStringsW(260, list);
    ASSERT_NE(std::wstring::npos, std::wstring(list, 260).find(L"B:\\")) << "the drive is listed";
    const std::wstring path = TargetOfC() + L"\\Data\\a.txt";
    ASSERT_TRUE(helper->DevicePathToDosPath(path.c_str(), out));
    EXPECT_EQ(L"C:\\Data\\a.txt", std::wstring(out));
    ASSERT_TRUE(helper->DevicePathToDosPathA(Utf8(path).c_str(), outA));
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
