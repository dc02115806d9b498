// The cache file on a full disk: a change that cannot be written is said on
// standard output, and the file keeps what it held (a take hands nothing out
// that is still in the file). Run by tests/cache/full_disk.sh, which mounts a
// small file system and names a folder on it in FILEPROTECT_FULL_DISK.
#include <cstdlib>

#include "tests/cache/CacheTestSupport.h"

namespace {

// Fills what is left of the file system with a file of its own.
bool FillDisk(const std::wstring& filler) {
    fileprotect::Handle file(CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::string block(4096, 'f');
    DWORD written = 0;
    while (file.Valid() && WriteFile(file.Get(), block.data(), 4096, &written, nullptr) &&
           written == 4096) {
    }
    return file.Valid();
}

}  // namespace

TEST(CacheFullDisk, AChangeThatCannotBeWrittenIsSaidAndTheFileKeepsWhatItHeld) {
    const char* folder = getenv("FILEPROTECT_FULL_DISK");
    if (!folder) GTEST_SKIP() << "FILEPROTECT_FULL_DISK names no folder on a small file system";
    const std::wstring path = Wide(folder) + L"\\cache.xml";
    const std::wstring filler = Wide(folder) + L"\\filler";
    IProtectFileCacheFileMgr* cache = getFileProtectCacheMgr();
    DeleteFileW(path.c_str());
    DeleteFileW(filler.c_str());
    ASSERT_TRUE(cache->InitCacheFile(path, L"test"));
    // One item long enough that the file fills whole blocks: any change must
    // then take a new block from the full disk.
    const std::string longId(4006, 'x');
    cache->AddPathId(longId);
    const std::string before = ReadBytes(path);
    ASSERT_EQ(4096u, before.size());
    ASSERT_TRUE(FillDisk(filler));

    const std::string appendSaid = Printed([&] { cache->AddPathId("lost"); });
    Ids ids = {"mine"};
    const std::string takeSaid = Printed([&] { cache->TakePathIds(ids); });
    const std::string after = ReadBytes(path);
    DeleteFileW(filler.c_str());

    EXPECT_EQ("save file error, error code=112\n", appendSaid);  // ERROR_DISK_FULL
    EXPECT_EQ("save file error, error code=112\n", takeSaid);
    EXPECT_EQ(Ids{"mine"}, ids);  // nothing handed out that is still in the file
    EXPECT_EQ(before, after);
    ids.clear();
    Printed([&] { cache->TakePathIds(ids); });
    EXPECT_EQ(Ids{longId}, ids);  // handed out once, by the take that could save
}
