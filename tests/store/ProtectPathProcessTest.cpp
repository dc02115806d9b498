// The protected-path table shared between processes: another process reads
// exactly what this one wrote, and two writers at once lose no row.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "RuleTestSupport.h"

namespace {

const wchar_t kPeer[] = L"store_paths_peer";

std::vector<ProtectFileItem> Folders(const std::wstring& prefix, int first, int count) {
    std::vector<ProtectFileItem> items;
    for (int i = first; i < first + count; ++i)
        items.push_back(PathItem(prefix + L"\\" + std::to_wstring(i), L"C:\\", false));
    return items;
}

}  // namespace

TEST(ProtectPathProcesses, AnotherProcessReadsExactlyWhatWasWritten) {
    IFileProtectCfgMgr* store = FreshStore();
    const std::wstring quoted = L"C:\\O'Brien's \"docs\"";
    const std::wstring accented = L"E:\\Caf\u00e9\\\u6587\u4ef6.txt";
    ASSERT_TRUE(store->AddProtectFile(
        {PathItem(quoted, L"C:\\", false), PathItem(accented, L"E:\\", true)}, false));
    ASSERT_TRUE(store->AddProtectExtension({L".Docx"}));

    const std::wstring dump = MakeTempFolder(L"paths-dump") + L"\\rows.txt";
    ASSERT_EQ(0, RunChild(kPeer, L"dump \"" + dump + L"\""));
    std::vector<std::string> lines;
    std::ifstream in(dump.c_str(), std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ((std::vector<std::string>{"E\t.Docx", "F\t" + Narrow(quoted) + "\tC:\\\t0",
                                         "F\t" + Narrow(accented) + "\tE:\\\t1"}),
              lines);
}

TEST(ProtectPathProcesses, TwoWritersAtOnceLoseNoRow) {
    IFileProtectCfgMgr* store = FreshStore();
    HANDLE peer = StartChild(kPeer, L"add C:\\Peer 400 20");
    ASSERT_NE(nullptr, peer);
    for (int first = 0; first < 400; first += 20)
        EXPECT_TRUE(store->AddProtectFile(Folders(L"C:\\Here", first, 20), false));
    ASSERT_EQ(0, WaitChild(peer));

    std::vector<ProtectFileItem> items;
    std::vector<std::wstring> extensions;
    ASSERT_TRUE(store->GetProtectFileList(items, extensions));
    std::set<std::wstring> paths;
    for (const ProtectFileItem& item : items) paths.insert(item.filepath);
    EXPECT_EQ(800u, items.size());
    EXPECT_EQ(800u, paths.size());
    EXPECT_EQ(1u, paths.count(L"C:\\Peer\\399"));

    // This process deletes what the other wrote, in any ASCII case.
    ASSERT_TRUE(store->DeleteProtectFile({L"c:\\peer\\0", L"C:\\PEER\\399"}, false));
    Db db;
    EXPECT_EQ("798", db.Scalar("SELECT count(*) FROM fileprotect"));
}
