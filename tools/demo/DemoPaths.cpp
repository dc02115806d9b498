#include "DemoHost.h"

void DemoPaths(const Library& library) {
    Say(L"== paths, user and folders");
    IHlpFunc* helper = library.Helper();

    wchar_t device[260] = {};
    if (!helper->DosPathToDevicePath(L"C:\\Windows\\win.ini", device)) {
        Say(L"C: has no device name here");
    } else {
        Say(L"C:\\Windows\\win.ini is " + std::wstring(device));
        wchar_t dos[260] = {};
        bool translated = helper->DevicePathToDosPath(device, dos);
        Say(L"and back: " + std::wstring(translated ? dos : L"(not translated)"));
        Say(L"through the filter manager: " + helper->VolumePathToDosPath(device));
    }
    Say(L"inside C:\\Windows: C:\\Windows\\System32 " +
        std::wstring(helper->IsSubPath(L"C:\\Windows", L"c:/windows/system32/") ? L"yes" : L"no") +
        L", C:\\WindowsApps " +
        std::wstring(helper->IsSubPath(L"C:\\Windows", L"C:\\WindowsApps") ? L"yes" : L"no"));

    const std::wstring sid = helper->GetCurrentUserSid();
    Say(L"user SID: " + (sid.empty() ? std::wstring(L"(unavailable)") : sid));
    Say(L"data folder: " + helper->GetDataFolder());
}
