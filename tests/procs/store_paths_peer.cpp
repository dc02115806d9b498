// A second process on the protected-path table, as another host would be.
//   add <prefix> <count> <batch>   adds folders <prefix>\<n>, <batch> per call
//   dump <file>                    writes GetProtectFileList's rows, UTF-8,
//                                  one per line: F path mount bFile | E text
// Exit code 0 on success.
#include <windows.h>
#include <shellapi.h>

#include <fstream>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

int Add(IFileProtectCfgMgr* store, const std::wstring& prefix, int count, int batch) {
    std::vector<ProtectFileItem> items;
    for (int i = 0; i < count; ++i) {
        ProtectFileItem item;
        item.filepath = prefix + L"\\" + std::to_wstring(i);
        item.mountpoint = L"C:\\";
        items.push_back(item);
        if (static_cast<int>(items.size()) == batch || i + 1 == count) {
            if (!store->AddProtectFile(items, false)) return 3;
            items.clear();
        }
    }
    return 0;
}

int Dump(IFileProtectCfgMgr* store, const std::wstring& file) {
    std::vector<ProtectFileItem> items;
    std::vector<std::wstring> extensions;
    if (!store->GetProtectFileList(items, extensions)) return 3;
    std::ofstream out(file.c_str(), std::ios::binary);
    for (const ProtectFileItem& item : items)
        out << "F\t" << Narrow(item.filepath) << '\t' << Narrow(item.mountpoint) << '\t'
            << (item.bFile ? 1 : 0) << '\n';
    for (const std::wstring& extension : extensions) out << "E\t" << Narrow(extension) << '\n';
    return out.good() ? 0 : 4;
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 2;
    std::vector<std::wstring> args(argv, argv + argc);
    LocalFree(argv);

    IFileProtectCfgMgr* store = getFileProtectDbMgr();
    if (!store->InitDb()) return 5;
    int result = 2;
    if (args.size() == 5 && args[1] == L"add")
        result = Add(store, args[2], _wtoi(args[3].c_str()), _wtoi(args[4].c_str()));
    else if (args.size() == 3 && args[1] == L"dump")
        result = Dump(store, args[2]);
    store->CloseDb();
    return result;
}
