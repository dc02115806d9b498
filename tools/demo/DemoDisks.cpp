#include "DemoHost.h"

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
    for (wchar_t letter : disks->GetDiskLetters(manager)) letters += std::wstring(1, letter) + L" ";
    Say(L"drive letters reported by the disk manager: " + letters);
}
