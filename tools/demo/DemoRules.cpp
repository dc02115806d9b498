// The rule store: opened, a protected folder, the switches, a config row,
// the reject and white lists with a rename, and a block count. The demo
// runs against the machine's live rules: it changes only rows it added
// itself, and never the switches.
#include <vector>

#include "DemoHost.h"

namespace {

// Whether rows (or paths) already hold the key of `path`: rows are keyed by
// the path hash, so another spelling counts too.
const std::wstring& PathOf(const std::wstring& path) { return path; }
template <typename Row>
const std::wstring& PathOf(const Row& row) {
    return row.filepath;
}
template <typename Row>
bool HoldsKey(IHlpFunc* helper, const std::vector<Row>& rows, const std::wstring& path) {
    const uint32_t key = helper->GetPathHash(path);
    for (const Row& row : rows)
        if (helper->GetPathHash(PathOf(row)) == key) return true;
    return false;
}

const wchar_t* OnOff(bool value) { return value ? L"on" : L"off"; }

// Protects a folder, lists the table, and takes the folder out again. A
// folder the machine already protects is left alone.
void DemoProtectPaths(IFileProtectCfgMgr* store, IHlpFunc* helper) {
    Say(L"== protected paths");
    const std::wstring folder = L"C:\\Users\\Public\\Documents\\Contracts";
    std::vector<std::wstring> paths;
    store->GetProtectPathList(paths);
    if (HoldsKey(helper, paths, folder)) {
        Say(L"the machine already protects {}; the demo leaves that rule alone", folder);
        return;
    }
    const ProtectFileItem item{folder, L"C:\\", false, false};
    if (!store->AddProtectFile({item}, false)) {
        Say(L"AddProtectFile failed (is the store open?)");
        return;
    }
    const auto key = static_cast<int32_t>(helper->GetPathHash(folder));
    Say(L"added folder {} (path hash {})", folder, key);

    std::vector<ProtectFileItem> items;
    std::vector<std::wstring> extensions;
    store->GetProtectFileList(items, extensions);
    Say(L"GetProtectFileList: {} file or folder rows, {} extensions", items.size(),
        extensions.size());
    for (const ProtectFileItem& row : items)
        Say(L"  {:<7}{}  (mount point {})", row.bFile ? L"file" : L"folder", row.filepath,
            row.mountpoint);

    store->DeleteProtectFile({folder}, false);
    paths.clear();
    store->GetProtectPathList(paths);
    Say(L"DeleteProtectFile: folder {}",
        HoldsKey(helper, paths, folder) ? L"STILL LISTED" : L"removed");
}

// The switches are the machine's: shown, never changed.
void ShowSwitches(IFileProtectCfgMgr* store) {
    ProtectConfig config = store->GetProtectConfig();
    Say(L"switches: protect {}, image {}, file types {}, files and folders {}, driver running {}",
        OnOff(config.bEnableProtect), OnOff(config.bTEVRAImgProtct), OnOff(config.bFileTypeProtct),
        OnOff(config.bProtctFileAndFloder), OnOff(config.bRuningDrv));
    Say(L"row 1 of config reads {}", store->GetConfig(1));
}

// Stores, reads and deletes a text under a config id nobody uses.
void DemoConfigRow(IFileProtectCfgMgr* store) {
    const int32_t demoRow = 0x4D4F4544;  // "DEMO"
    if (!store->GetConfig(demoRow).empty()) {
        Say(L"config row {} is in use; the demo leaves it alone", demoRow);
        return;
    }
    store->SetConfig(demoRow, L"written by the demo");
    Say(L"config row {} reads \"{}\"", demoRow, store->GetConfig(demoRow));
    store->DeleteConfig(demoRow);
}

void DemoRejectList(IFileProtectCfgMgr* store, IHlpFunc* helper) {
    const ProtectFileItem rejected{L"C:\\Demo\\Untrusted.exe", L"C:", false, true};
    std::vector<ProtectFileItem> rejects;
    store->GetRejectList(rejects);
    if (HoldsKey(helper, rejects, rejected.filepath)) {
        Say(L"the reject list already holds {}; the demo leaves it alone", rejected.filepath);
        return;
    }
    store->AddRejectList({rejected});
    rejects.clear();
    store->GetRejectList(rejects);
    for (const ProtectFileItem& item : rejects)
        Say(L"  reject list: {} ({})", item.filepath, item.bFile ? L"file" : L"folder");
    store->DeleteRejectList({rejected.filepath});
}

const bool kConstList = false;  // the demo writes the ordinary white list only

void ShowWhiteList(IFileProtectCfgMgr* store) {
    std::vector<ProtectFileItem> items;
    store->GetWhiteList(items, kConstList);
    for (const ProtectFileItem& item : items)
        Say(L"  white list: {} on {}", item.filepath, item.mountpoint);
}

void DemoWhiteListRename(IFileProtectCfgMgr* store, IHlpFunc* helper) {
    const ProtectFileItem trusted{L"C:\\Demo\\Tools", L"C:", false, false};
    const std::wstring renamedPath = L"C:\\Demo\\Tools2";
    std::vector<ProtectFileItem> whites;
    store->GetWhiteList(whites, kConstList);
    if (HoldsKey(helper, whites, trusted.filepath) || HoldsKey(helper, whites, renamedPath)) {
        Say(L"the white list already holds the demo's paths; the demo leaves them alone");
        return;
    }
    store->AddWhiteList({trusted}, kConstList);
    ShowWhiteList(store);
    const bool renamed =
        store->RenamePath(trusted.filepath, trusted.mountpoint, renamedPath, kRenameWhiteList);
    Say(L"renamed {} to {}: {}", trusted.filepath, renamedPath, renamed ? L"yes" : L"no");
    ShowWhiteList(store);
    store->DeleteWhiteList({renamedPath, trusted.filepath}, kConstList);
}

void DemoBlockCount(IFileProtectCfgMgr* store, IHlpFunc* helper) {
    const std::wstring blocked = L"C:\\Demo\\Secret.docx";
    std::vector<BlockCountItem> rows;
    store->GetBlockList(rows);
    if (HoldsKey(helper, rows, blocked)) {
        Say(L"the block list already counts {}; the demo leaves it alone", blocked);
        return;
    }
    store->IncreaseBlockCount(blocked);
    store->AddBlockCount(blocked, 4);
    BlockCountItem count;
    count.filepath = blocked;
    if (store->GetBlockCount(count)) Say(L"blocked {} times: {}", count.blockcount, blocked);
    store->DeleteBlockList({blocked});
}

}  // namespace

void DemoRules(const Library& library) {
    IFileProtectCfgMgr* store = library.Store();
    IHlpFunc* helper = library.Helper();
    Say(L"== rule store");
    if (store->InitDb())
        Say(L"InitDb opened {}, SQLite {}", library.RuleDatabasePath(),
            fileprotect::Wide(store->GetSqliteVersion()));
    else Say(L"InitDb failed");
    DemoProtectPaths(store, helper);
    Say(L"== switches, config rows, reject and white lists, renames, block counts");
    ShowSwitches(store);
    DemoConfigRow(store);
    DemoRejectList(store, helper);
    DemoWhiteListRename(store, helper);
    DemoBlockCount(store, helper);
}
