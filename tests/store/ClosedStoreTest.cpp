// Every operation on a closed store (before InitDb, after CloseDb) reports
// failure or an empty result, appends nothing and writes nothing; the rows
// are all there again once the store is opened.
#include <gtest/gtest.h>

#include <functional>

#include "RuleTestSupport.h"

TEST(ClosedStore, EveryOperationFailsAndTouchesNothing) {
    IFileProtectCfgMgr* store = FreshStore();
    const ProtectFileItem item = PathItem(L"C:\\Kept", L"C:", true);
    BlockCountItem block;
    block.filepath = L"C:\\Kept";
    block.blockcount = 4;
    const int32_t id = 8;
    ASSERT_TRUE(store->AddRejectList({item}) && store->AddWhiteList({item}, false) &&
                store->AddWhiteList({item}, true) && store->AddProtectFile({item}, false) &&
                store->AddBlockCountItem(block) && store->SetConfig(id, L"kept"));
    store->CloseDb();

    std::vector<ProtectFileItem> items{PathItem(L"before", L"", false)};
    std::vector<BlockCountItem> blocks{block};
    std::vector<std::wstring> texts{L"before"};
    const std::pair<const char*, std::function<bool()>> failing[] = {
        {"CheckpointDb", [&] { return store->CheckpointDb(); }},
        {"GetSqliteVersion", [&] { return !store->GetSqliteVersion().empty(); }},
        {"GetFileTypeProtectList", [&] { return !store->GetFileTypeProtectList().empty(); }},
        {"GetProtectPathList", [&] { store->GetProtectPathList(texts); return texts.size() != 1; }},
        {"GetBlockCount", [&] { return store->GetBlockCount(block); }},
        {"GetBlockList", [&] { return store->GetBlockList(blocks) || blocks.size() != 1; }},
        {"AddBlockCountList", [&] { return store->AddBlockCountList({block}); }},
        {"AddBlockCountItem", [&] { return store->AddBlockCountItem(block); }},
        {"DeleteBlockListItem", [&] { return store->DeleteBlockListItem(L"C:\\Kept", true); }},
        {"DeleteBlockListItems", [&] { return store->DeleteBlockListItems({L"C:\\Kept"}); }},
        {"DeleteBlockListByHash", [&] { return store->DeleteBlockListByHash({"1"}); }},
        {"DeleteBlockList", [&] { return store->DeleteBlockList({L"C:\\Kept"}); }},
        {"ClearBlockList", [&] { return store->ClearBlockList(); }},
        {"AddBlockCount", [&] { return store->AddBlockCount(L"C:\\Kept", 1); }},
        {"IncreaseBlockCount", [&] { return store->IncreaseBlockCount(L"C:\\Kept"); }},
        {"GetRejectList", [&] { return store->GetRejectList(items) || items.size() != 1; }},
        {"AddRejectList", [&] { return store->AddRejectList({item}); }},
        {"DeleteRejectList", [&] { return store->DeleteRejectList({L"C:\\Kept"}); }},
        {"ClearRejectList", [&] { return store->ClearRejectList(); }},
        {"GetWhiteList", [&] { return store->GetWhiteList(items, false) || items.size() != 1; }},
        {"AddWhiteList", [&] { return store->AddWhiteList({item}, true); }},
        {"DeleteWhiteList", [&] { return store->DeleteWhiteList({L"C:\\Kept"}, false); }},
        {"ClearWhiteList", [&] { return store->ClearWhiteList(true); }},
        {"GetProtectFileList",
         [&] { return store->GetProtectFileList(items, texts) || items.size() != 1; }},
        {"AddProtectFile", [&] { return store->AddProtectFile({item}, false); }},
        {"AddProtectExtension", [&] { return store->AddProtectExtension({L".ext"}); }},
        {"DeleteProtectFile", [&] { return store->DeleteProtectFile({L"C:\\Kept"}, false); }},
        {"ClearProtectExtension", [&] { return store->ClearProtectExtension(); }},
        {"ClearProtectFile", [&] { return store->ClearProtectFile(); }},
        {"ClearProtectAll", [&] { return store->ClearProtectAll(); }},
        {"GetProtectConfig", [&] { return store->GetProtectConfig().bEnableProtect; }},
        {"SetProtectConfig", [&] { return store->SetProtectConfig(ProtectConfig{}); }},
        {"SetConfig", [&] { return store->SetConfig(id, L"lost"); }},
        {"GetConfig", [&] { return !store->GetConfig(id).empty(); }},
        {"DeleteConfig", [&] { return store->DeleteConfig(id); }},
        {"RenamePath", [&] { return store->RenamePath(L"C:\\Kept", L"C:", L"C:\\New", 0x0010); }},
    };
    for (const auto& operation : failing) EXPECT_FALSE(operation.second()) << operation.first;
    EXPECT_TRUE(store->Reserved());

    ASSERT_TRUE(store->InitDb());
    Db db;
    for (const char* table : {"rejectlist", "whitelist", "const_whitelist", "fileprotect"})
        EXPECT_EQ("C:\\Kept", db.Scalar(std::string("SELECT filepath FROM ") + table)) << table;
    EXPECT_EQ("4", db.Scalar("SELECT blockcount FROM blocklist"));
    EXPECT_EQ(L"kept", store->GetConfig(id));
}
