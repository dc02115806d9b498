// The config table, the protection switches of its row 1, and the file-type list.
#include <map>

#include "store/FileProtectCfgMgr.h"
#include "base/Helper.h"
#include "store/Transaction.h"

namespace {

constexpr int32_t kSwitchesId = 1;

// Splits a text into tokens the way wcstok_s does: a run of separators
// counts as one, separators at either end are skipped, and no token is ever
// empty. Used for the switches text and the file-type list.
std::vector<std::wstring> SplitTokens(const std::wstring& text, wchar_t separator) {
    std::vector<std::wstring> tokens;
    size_t start = 0;
    while (start < text.size()) {
        if (text[start] == separator) {
            ++start;
            continue;
        }
        size_t end = text.find(separator, start);
        if (end == std::wstring::npos) end = text.size();
        tokens.push_back(text.substr(start, end - start));
        start = end;
    }
    return tokens;
}

const Statement kUpsertConfig = {
    L"INSERT INTO 'config' (id ,config) VALUES(%d, '%s')  ON CONFLICT(id) DO UPDATE SET "
    L"config = excluded.config",
    RowGuard::kNone};
const Statement kDeleteConfig = {L"DELETE FROM config WHERE id = %d", RowGuard::kNone};

// The text of config row `id`. False when the table cannot be read or has no
// such row. A row without a text is passed over: it hides no row behind it.
bool FindConfigText(sqlite3* db, int32_t id, std::wstring* text) {
    bool found = false;
    RunRead(db, "SELECT id, config FROM config", [&](Query& query) {
        std::wstring config;
        while (query.Step()) {
            if (query.Text(1, &config) && query.Int(0) == id) {
                *text = config;
                found = true;
                return;
            }
        }
    });
    return found;
}

// The switches text lists its keys in this order, which is not the order of
// the fields in ProtectConfig.
std::wstring SwitchesText(const ProtectConfig& config) {
    auto item = [](const wchar_t* key, bool value) {
        return std::wstring(key) + L":" + (value ? L"1" : L"0");
    };
    return item(L"bEnableProtect", config.bEnableProtect) + L"," +
           item(L"bTEVRAImgProtct", config.bTEVRAImgProtct) + L"," +
           item(L"bFileTypeProtct", config.bFileTypeProtct) + L"," +
           item(L"bProtctFileAndFloder", config.bProtctFileAndFloder) + L"," +
           item(L"bRuningDrv", config.bRuningDrv);
}

bool* SwitchNamed(const std::wstring& upperKey, ProtectConfig& config) {
    if (upperKey == L"BENABLEPROTECT") return &config.bEnableProtect;
    if (upperKey == L"BTEVRAIMGPROTCT") return &config.bTEVRAImgProtct;
    if (upperKey == L"BFILETYPEPROTCT") return &config.bFileTypeProtct;
    if (upperKey == L"BPROTCTFILEANDFLODER") return &config.bProtctFileAndFloder;
    if (upperKey == L"BRUNINGDRV") return &config.bRuningDrv;
    return nullptr;
}

// Items go through a map ordered by their key as written, so among keys that
// differ only in letter case the one that sorts last decides. Writers of
// hand-made texts may rely on that.
void ApplySwitchesText(const std::wstring& text, ProtectConfig& config) {
    std::map<std::wstring, std::wstring> items;
    for (const std::wstring& item : SplitTokens(text, L',')) {
        std::vector<std::wstring> pieces = SplitTokens(item, L':');
        if (pieces.size() < 2) continue;  // a key without a value sets nothing
        items[pieces[0]] = pieces[1];
    }
    for (const auto& item : items) {
        bool* field = SwitchNamed(Helper()->ToUpper(item.first), config);
        if (field) *field = item.second != L"0";
    }
}

}  // namespace

std::vector<std::wstring> CFileProtectCfgMgr::GetFileTypeProtectList() {
    MutexLock lock(&mutex_);
    std::wstring types;
    {
        // Another component owns this table; that it is missing (SQLite's
        // generic error) is no fault. Any other failure is.
        Query query(db_, "SELECT filetype FROM filetypeprotect");
        if (!query.prepared()) {
            if (query.prepareResult() != SQLITE_ERROR) query.LogPrepareFailure();
            return {};
        }
        if (query.Step()) query.Text(0, &types);  // only the first row counts
    }
    return SplitTokens(types, L';');
}

ProtectConfig CFileProtectCfgMgr::GetProtectConfig() {
    MutexLock lock(&mutex_);
    ProtectConfig config;
    std::wstring text;
    if (FindConfigText(db_, kSwitchesId, &text)) ApplySwitchesText(text, config);
    return config;
}

bool CFileProtectCfgMgr::SetProtectConfig(const ProtectConfig& config) {
    MutexLock lock(&mutex_);
    const std::wstring text = SwitchesText(config);
    return RunOneInTransaction(db_, [&] { return ExecFormatted(kUpsertConfig, {kSwitchesId, text}); });
}

bool CFileProtectCfgMgr::SetConfig(const int32_t& id, const std::wstring& text) {
    MutexLock lock(&mutex_);
    if (text.empty()) return true;  // an empty text never replaces a stored one
    const int32_t key = id;
    return RunOneInTransaction(db_, [&] { return ExecFormatted(kUpsertConfig, {key, text}); });
}

std::wstring CFileProtectCfgMgr::GetConfig(const int32_t& id) {
    MutexLock lock(&mutex_);
    std::wstring text;
    if (!FindConfigText(db_, id, &text)) return std::wstring();
    return text;
}

bool CFileProtectCfgMgr::DeleteConfig(const int32_t& id) {
    MutexLock lock(&mutex_);
    const int32_t key = id;
    return RunOneInTransaction(db_, [&] {
        return ExecFormatted(kDeleteConfig, {key});
    });
}
