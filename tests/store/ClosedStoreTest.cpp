// Every operation on a closed store (before InitDb, after CloseDb) reports
// failure or an empty result, appends nothing and writes nothing; the rows
// are all there again once the store is opened.
#include <gtest/gtest.h>

#include "tests/store/RuleTestSupport.h"

TEST(ClosedStore, EveryOperationFailsAndTouchesNothing) {
    IFileProtectCfgMgr* store = FreshStore();
    const Wides kept{L"C:\\Kept"};
    ASSERT_TRUE(store->AddProtectFile(ItemsOf(kept), false) && store->AddBlockCount(kept[0], 4) &&
                store->SetConfig(8, L"kept"));
    for (const PathList& list : AllPathLists()) ASSERT_TRUE(list.Add(ItemsOf(kept)));
    store->CloseDb();

    std::vector<PathOperation> operations = PathWrites();
    for (const PathOperation& remove : PathDeletes()) operations.push_back(remove);
    for (const PathOperation& operation : operations)
        EXPECT_FALSE(operation.run(kept)) << operation.name;
    Items items{PathItem(L"before", L"", false)};
    std::vector<BlockCountItem> blocks{Block(L"before", 1)};
    Wides texts{L"before"};
    const std::pair<const char*, std::function<bool()>> others[] = {
        {"CheckpointDb", [&] { return store->CheckpointDb(); }},
        {"GetSqliteVersion", [&] { return !store->GetSqliteVersion().empty(); }},
        {"GetFileTypeProtectList", [&] { return !store->GetFileTypeProtectList().empty(); }},
        {"GetProtectPathList", [&] { store->GetProtectPathList(texts); return texts.size() != 1; }},
        {"GetBlockCount", [&] { return CountOf(kept[0]) != -1; }},
        {"GetBlockList", [&] { return store->GetBlockList(blocks) || blocks.size() != 1; }},
        {"ClearBlockList", [&] { return store->ClearBlockList(); }},
        {"GetRejectList", [&] { return store->GetRejectList(items) || items.size() != 1; }},
        {"ClearRejectList", [&] { return store->ClearRejectList(); }},
        {"GetWhiteList", [&] { return store->GetWhiteList(items, false) || items.size() != 1; }},
        {"ClearWhiteList", [&] { return store->ClearWhiteList(true); }},
        {"GetProtectFileList",
         [&] { return store->GetProtectFileList(items, texts) || items.size() != 1; }},
        {"ClearProtectExtension", [&] { return store->ClearProtectExtension(); }},
        {"ClearProtectFile", [&] { return store->ClearProtectFile(); }},
        {"ClearProtectAll", [&] { return store->ClearProtectAll(); }},
        {"GetProtectConfig", [&] { return store->GetProtectConfig().bEnableProtect; }},
        {"SetProtectConfig", [&] { return store->SetProtectConfig(ProtectConfig{}); }},
        {"SetConfig", [&] { return store->SetConfig(8, L"lost"); }},
        {"GetConfig", [&] { return !store->GetConfig(8).empty(); }},
        {"DeleteConfig", [&] { return store->DeleteConfig(8); }},
        {"RenamePath", [&] { return store->RenamePath(kept[0], kept[0], L"C:\\New", 0x0010); }},
    };
    for (const auto& operation : others) EXPECT_FALSE(operation.second()) << operation.first;
    EXPECT_TRUE(store->Reserved());

    ASSERT_TRUE(store->InitDb());
    for (const char* table : {"rejectlist", "whitelist", "const_whitelist", "fileprotect"})
        EXPECT_EQ(Rows{"C:\\Kept"}, StoredPaths(table)) << table;
    EXPECT_EQ(4, CountOf(kept[0]));
    EXPECT_EQ(L"kept", store->GetConfig(8));
}
