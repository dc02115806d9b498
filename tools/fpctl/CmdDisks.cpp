// fpctl disks: the drive letters the disk manager reports.
#include <CLI/CLI.hpp>

#include "Fpctl.h"
#include "Output.h"
#include "Text.h"

namespace {

// One owner for the per-call disk-manager object.
class DiskManager {
public:
    explicit DiskManager(Context& context) : manager_(context.NewDiskManager()) {}
    ~DiskManager() { manager_->Release(); }
    DiskManager(const DiskManager&) = delete;
    DiskManager& operator=(const DiskManager&) = delete;
    IProtectFileProtectDiskMgr* operator->() const { return manager_; }

private:
    IProtectFileProtectDiskMgr* manager_;
};

void Disks(Context& context) {
    DiskManager disks(context);
    Require(disks->LoadDiskManager() != nullptr, "LoadDiskManager", "the disk components are not available");
    nlohmann::json letters = nlohmann::json::array();
    std::string line;
    for (wchar_t letter : disks->GetDiskLetters(nullptr)) {
        const std::string text = Utf8(std::wstring(1, letter));
        letters.push_back(text);
        line += (line.empty() ? "" : " ") + text + ":";
    }
    if (context.json)
        PrintJson(letters);
    else
        PrintLine(line);
}

}  // namespace

void AddDiskCommands(CLI::App& app, Context& context) {
    app.add_subcommand("disks", "drive letters reported by the disk manager")->callback([&context] {
        Disks(context);
    });
}
