// The protected-path table shared between processes: two writers at once
// lose no row, and each reads exactly what the other wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/store/RuleTestSupport.h"

TEST(ProtectPathProcesses, TwoWritersLoseNoRowAndEachReadsExactlyWhatTheOtherWrote) {
    IFileProtectCfgMgr* store = FreshStore();
    const std::wstring peerFolder = L"C:\\Peer's Caf\u00e9\\\u6587\u4ef6";
    HANDLE peer = StartChild(L"store_peer", L"add \"" + peerFolder + L"\" 400 20");
    ASSERT_NE(nullptr, peer);
    for (int first = 0; first < 400; first += 20) {
        Items batch;
        for (int i = first; i < first + 20; ++i)
            batch.push_back(PathItem(L"C:\\Here\\" + std::to_wstring(i), L"C:\\", false));
        EXPECT_TRUE(store->AddProtectFile(batch, false));
    }
    ASSERT_EQ(0, WaitChild(peer));

    Items items;
    Wides extensions;
    ASSERT_TRUE(store->GetProtectFileList(items, extensions));
    const Wides paths = PathsOf(items);
    EXPECT_EQ(800u, items.size());
    EXPECT_EQ(800u, std::set<std::wstring>(paths.begin(), paths.end()).size());
    const std::wstring last = peerFolder + L"\\399";
    const auto found = std::find(paths.begin(), paths.end(), last);
    ASSERT_NE(paths.end(), found);
    const ProtectFileItem& written = items[found - paths.begin()];
    EXPECT_EQ(L"C:\\", written.mountpoint);
    EXPECT_FALSE(written.bFile);

    // This process deletes what the other wrote, in any ASCII case.
    ASSERT_TRUE(store->DeleteProtectFile({L"c:\\peer's caf\u00e9\\\u6587\u4ef6\\0", last}, false));
    EXPECT_EQ("798", Db().Scalar("SELECT count(*) FROM fileprotect"));
}
