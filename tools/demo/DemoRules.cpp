#include <vector>

#include "DemoHost.h"

namespace {

std::wstring OnOff(bool value) { return value ? L"on" : L"off"; }

// The switches are the machine's: shown, never changed.
void ShowSwitches(IFileProtectCfgMgr* store) {
    ProtectConfig config = store->GetProtectConfig();
    Say(L"switches: protect " + OnOff(config.bEnableProtect) + L", image " +
        OnOff(config.bTEVRAImgProtct) + L", file types " + OnOff(config.bFileTypeProtct) +
        L", files and folders " + OnOff(config.bProtctFileAndFloder) + L", driver running " +
        OnOff(config.bRuningDrv));
    const int32_t switchesRow = 1;
    Say(L"row 1 of config reads " + store->GetConfig(switchesRow));
}

// Stores, reads and deletes a text under a config id nobody uses.
void DemoConfigRow(IFileProtectCfgMgr* store) {
    const int32_t demoRow = 0x4D4F4544;  // "DEMO"
    if (!store->GetConfig(demoRow).empty()) {
        Say(L"config row " + std::to_wstring(demoRow) + L" is in use; the demo leaves it alone");
        return;
    }
    store->SetConfig(demoRow, L"written by the demo");
    Say(L"config row " + std::to_wstring(demoRow) + L" reads \"" + store->GetConfig(demoRow) +
        L"\"");
    store->DeleteConfig(demoRow);
}

void ShowWhiteList(IFileProtectCfgMgr* store) {
    std::vector<ProtectFileItem> items;
    const bool constList = false;
    store->GetWhiteList(items, constList);
    for (const ProtectFileItem& item : items)
        Say(L"  white list: " + item.filepath + L" on " + item.mountpoint);
}

void DemoRejectList(IFileProtectCfgMgr* store, IHlpFunc* helper) {
    ProtectFileItem rejected{L"C:\\Demo\\Untrusted.exe", L"C:", false, true};
    std::vector<ProtectFileItem> rejects;
    store->GetRejectList(rejects);
    if (HoldsKey(helper, rejects, rejected.filepath)) {
        Say(L"the reject list already holds " + rejected.filepath + L"; the demo leaves it alone");
        return;
    }
    store->AddRejectList({rejected});
    rejects.clear();
    store->GetRejectList(rejects);
    for (const ProtectFileItem& item : rejects)
        Say(L"  reject list: " + item.filepath + (item.bFile ? L" (file)" : L" (folder)"));
    store->DeleteRejectList({rejected.filepath});
}

void DemoWhiteListRename(IFileProtectCfgMgr* store, IHlpFunc* helper) {
    ProtectFileItem trusted{L"C:\\Demo\\Tools", L"C:", false, false};
    const std::wstring renamedPath = L"C:\\Demo\\Tools2";
    const bool constList = false;
    std::vector<ProtectFileItem> whites;
    store->GetWhiteList(whites, constList);
    if (HoldsKey(helper, whites, trusted.filepath) || HoldsKey(helper, whites, renamedPath)) {
        Say(L"the white list already holds the demo's paths; the demo leaves them alone");
        return;
    }
    store->AddWhiteList({trusted}, constList);
    ShowWhiteList(store);
    const uint16_t whiteOnly = kRenameWhiteList;
    bool renamed = store->RenamePath(trusted.filepath, trusted.mountpoint, renamedPath, whiteOnly);
    Say(L"renamed " + trusted.filepath + L" to " + renamedPath + L": " +
        (renamed ? L"yes" : L"no"));
    ShowWhiteList(store);
    store->DeleteWhiteList({renamedPath, trusted.filepath}, constList);
}

void DemoBlockCount(IFileProtectCfgMgr* store, IHlpFunc* helper) {
    const std::wstring blocked = L"C:\\Demo\\Secret.docx";
    std::vector<BlockCountItem> rows;
    store->GetBlockList(rows);
    if (HoldsKey(helper, rows, blocked)) {
        Say(L"the block list already counts " + blocked + L"; the demo leaves it alone");
        return;
    }
    store->IncreaseBlockCount(blocked);
    store->AddBlockCount(blocked, 4);
    BlockCountItem count;
    count.filepath = blocked;
    if (store->GetBlockCount(count))
        Say(L"blocked " + std::to_wstring(count.blockcount) + L" times: " + blocked);
    store->DeleteBlockList({blocked});
}

}  // namespace

void DemoRules(const Library& library) {
    Say(L"== switches, config rows, reject and white lists, renames, block counts");
    IFileProtectCfgMgr* store = library.Store();
    ShowSwitches(store);
    DemoConfigRow(store);
    DemoRejectList(store, library.Helper());
    DemoWhiteListRename(store, library.Helper());
    DemoBlockCount(store, library.Helper());
}
