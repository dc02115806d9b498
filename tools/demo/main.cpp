// FileProtectDemo: a host like any other. It loads FileProtect.dll through
// the host kit, calls every subsystem through the interfaces, and prints
// what each did. The rule store has a file of its own (DemoRules.cpp); the
// parts that deal with the machine are here.
#include <windows.h>

#include <stdexcept>
#include <thread>

#include "DemoHost.h"

namespace {

void DemoFactories(const Library& library) {
    Say(L"== factories");
    Say(L"helper object, store and cache manager are singletons: {}",
        library.Helper() && library.Store() && library.Cache() ? L"obtained" : L"MISSING");
    // Each ends with its Release as it goes out of scope.
    const auto lock = library.NewLock();
    const auto events = library.NewEvents();
    const auto disks = library.NewDiskManager();
    Say(L"lock, event and disk-manager objects are created per call and released by their owner");
}

const wchar_t* YesNo(bool value) { return value ? L"yes" : L"no"; }

void DemoPaths(IHlpFunc* helper) {
    Say(L"== paths, user and folders");
    wchar_t device[260] = {};
    if (!helper->DosPathToDevicePath(L"C:\\Windows\\win.ini", device)) {
        Say(L"C: has no device name here");
    } else {
        Say(L"C:\\Windows\\win.ini is {}", device);
        wchar_t dos[260] = {};
        const bool translated = helper->DevicePathToDosPath(device, dos);
        Say(L"and back: {}", translated ? dos : L"(not translated)");
        Say(L"through the filter manager: {}", helper->VolumePathToDosPath(device));
    }
    Say(L"inside C:\\Windows: C:\\Windows\\System32 {}, C:\\WindowsApps {}",
        YesNo(helper->IsSubPath(L"C:\\Windows", L"c:/windows/system32/")),
        YesNo(helper->IsSubPath(L"C:\\Windows", L"C:\\WindowsApps")));
    const std::wstring sid = helper->GetCurrentUserSid();
    Say(L"user SID: {}", sid.empty() ? L"(unavailable)" : sid);
    Say(L"data folder: {}", helper->GetDataFolder());
}

void DemoCoordination(const Library& library) {
    Say(L"== lock and events");
    const std::wstring lockName = fmt::format(L"FileProtectDemo-lock-{}", GetCurrentProcessId());
    const auto lock = library.NewLock();
    lock->SetLockName(lockName);
    Say(L"lock {}: {}", lockName, lock->Lock() ? L"held" : L"not obtained");
    lock->Unlock();
    Say(L"unlocked; every process that names it waits for the holder");

    // One thread waits on a named event; this one sets it once the waiter
    // has created it (setting never creates an event).
    const std::wstring eventName = fmt::format(L"FileProtectDemo-event-{}", GetCurrentProcessId());
    const auto waiter = library.NewEvents();
    const auto setter = library.NewEvents();  // its Release closes its handle too
    bool woken = false;
    std::thread waiting([&] { woken = waiter->WaitProcEvent(eventName.c_str()); });
    int attempts = 1;
    for (; !setter->SetProcEvent(eventName.c_str()); ++attempts) Sleep(10);
    waiting.join();
    Say(L"event {} set after {} attempt(s); the waiter {}", eventName, attempts,
        woken ? L"woke" : L"failed");
    waiter->CloseProcEvent();
}

void DemoCache(IProtectFileCacheFileMgr* cache) {
    Say(L"== cache file");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"FileProtectDemo-cache.xml";
    DeleteFileW(path.c_str());
    if (!cache->InitCacheFile(path, L"demo")) {
        Say(L"cannot create {}", path);
        return;
    }
    Say(L"cache file {}", path);
    cache->AddPathId("1234567");
    cache->AddPathIdsW({L"-98765"});
    Say(L"appended two items; taking them back (the library prints each):");
    std::vector<std::string> ids;
    cache->TakePathIds(ids);
    printf("\n");
    Say(L"took {} item(s):", ids.size());
    for (const std::string& id : ids) Say(L"  {}", fileprotect::Wide(id));
    DeleteFileW(path.c_str());
}

void DemoDisks(const Library& library) {
    Say(L"== disk manager");
    const auto disks = library.NewDiskManager();
    // The disk-manager object stays the disk manager's: it is only passed back.
    IDdmManager* manager = disks->LoadDiskManager();
    if (!manager) {
        Say(L"the disk components are not available");
        return;
    }
    std::wstring letters;
    for (wchar_t letter : disks->GetDiskLetters(manager)) letters += fmt::format(L"{} ", letter);
    Say(L"drive letters reported by the disk manager: {}", letters);
}

}  // namespace

int main() {
    try {
        const Library library;
        DemoFactories(library);
        DemoRules(library);
        DemoPaths(library.Helper());
        DemoCoordination(library);
        DemoCache(library.Cache());
        DemoDisks(library);
        library.Store()->CloseDb();
    } catch (const std::runtime_error& error) {  // the library or a factory is missing
        printf("%s\n", error.what());
        return 1;
    }
    printf("demo finished\n");
    return 0;
}
