#include <vector>

#include "DemoHost.h"

// Protects a folder, lists the table, and takes the folder out again. A
// folder the machine already protects is left alone.
void DemoProtectPaths(const Library& library) {
    Say(L"== protected paths");
    IFileProtectCfgMgr* store = library.Store();
    IHlpFunc* helper = library.Helper();
    const std::wstring folder = L"C:\\Users\\Public\\Documents\\Contracts";

    std::vector<std::wstring> before;
    store->GetProtectPathList(before);
    if (HoldsKey(helper, before, folder)) {
        Say(L"the machine already protects " + folder + L"; the demo leaves that rule alone");
        return;
    }

    ProtectFileItem item;
    item.filepath = folder;
    item.mountpoint = L"C:\\";
    item.bFile = false;
    if (!store->AddProtectFile({item}, false)) {
        Say(L"AddProtectFile failed (is the store open?)");
        return;
    }
    Say(L"added folder " + folder + L" (path hash " +
        std::to_wstring(static_cast<int32_t>(helper->GetPathHash(folder))) + L")");

    std::vector<ProtectFileItem> items;
    std::vector<std::wstring> extensions;
    store->GetProtectFileList(items, extensions);
    Say(L"GetProtectFileList: " + std::to_wstring(items.size()) + L" file or folder rows, " +
        std::to_wstring(extensions.size()) + L" extensions");
    for (const ProtectFileItem& row : items)
        Say(L"  " + std::wstring(row.bFile ? L"file   " : L"folder ") + row.filepath +
            L"  (mount point " + row.mountpoint + L")");

    store->DeleteProtectFile({folder}, false);
    std::vector<std::wstring> paths;
    store->GetProtectPathList(paths);
    Say(L"DeleteProtectFile: folder " +
        std::wstring(HoldsKey(helper, paths, folder) ? L"STILL LISTED" : L"removed"));
}
