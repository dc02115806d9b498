#include <vector>

#include "DemoHost.h"

namespace {

std::wstring OnOff(bool value) { return value ? L"on" : L"off"; }

void ShowSwitches(IFileProtectCfgMgr* store, const std::wstring& when) {
    ProtectConfig config = store->GetProtectConfig();
    Say(L"switches " + when + L": protect " + OnOff(config.bEnableProtect) + L", image " +
        OnOff(config.bTEVRAImgProtct) + L", file types " + OnOff(config.bFileTypeProtct) +
        L", files and folders " + OnOff(config.bProtctFileAndFloder) + L", driver running " +
        OnOff(config.bRuningDrv));
}

void ShowWhiteList(IFileProtectCfgMgr* store) {
    std::vector<ProtectFileItem> items;
    const bool constList = false;
    store->GetWhiteList(items, constList);
    for (const ProtectFileItem& item : items)
        Say(L"  white list: " + item.filepath + L" on " + item.mountpoint);
}

}  // namespace

void DemoRules(const Library& library) {
    Say(L"== switches, reject and white lists, renames, block counts");
    IFileProtectCfgMgr* store = library.store;

    ProtectConfig saved = store->GetProtectConfig();
    ShowSwitches(store, L"as stored");
    ProtectConfig on = saved;
    on.bEnableProtect = true;
    store->SetProtectConfig(on);
    const int32_t switchesRow = 1;
    Say(L"row 1 of config now reads " + store->GetConfig(switchesRow));
    ShowSwitches(store, L"after turning protection on");
    store->SetProtectConfig(saved);

    ProtectFileItem rejected{L"C:\\Demo\\Untrusted.exe", L"C:", false, true};
    store->AddRejectList({rejected});
    std::vector<ProtectFileItem> rejects;
    store->GetRejectList(rejects);
    for (const ProtectFileItem& item : rejects)
        Say(L"  reject list: " + item.filepath + (item.bFile ? L" (file)" : L" (folder)"));

    ProtectFileItem trusted{L"C:\\Demo\\Tools", L"C:", false, false};
    const bool constList = false;
    store->AddWhiteList({trusted}, constList);
    ShowWhiteList(store);
    const uint16_t whiteOnly = kRenameWhiteList;
    bool renamed = store->RenamePath(trusted.filepath, trusted.mountpoint,
                                     L"C:\\Demo\\Tools2", whiteOnly);
    Say(std::wstring(L"renamed C:\\Demo\\Tools to C:\\Demo\\Tools2: ") + (renamed ? L"yes" : L"no"));
    ShowWhiteList(store);

    const std::wstring blocked = L"C:\\Demo\\Secret.docx";
    store->IncreaseBlockCount(blocked);
    store->AddBlockCount(blocked, 4);
    BlockCountItem count;
    count.filepath = blocked;
    if (store->GetBlockCount(count))
        Say(L"blocked " + std::to_wstring(count.blockcount) + L" times: " + blocked);

    // Leave the machine's rules as they were.
    store->DeleteRejectList({rejected.filepath});
    store->DeleteWhiteList({L"C:\\Demo\\Tools2"}, constList);
    store->DeleteBlockList({blocked});
}
