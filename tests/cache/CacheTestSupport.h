// What the cache-file tests share: a fresh cache file per test and what the
// library printed on standard output.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"
#include "tests/procs/coord_sync.h"

using Ids = std::vector<std::string>;

constexpr char kEmptyCacheFile[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<PathItem />\r\n";

// Runs `call` with this process's standard output sent to a file, and gives
// back what was printed. The library prints with the runtime's printf, which
// shares the process's one output stream. (Test failures inside `call` would
// be printed there too, so tests assert outside it.)
inline std::string Printed(const std::function<void()>& call) {
    static int serial = 0;
    const std::wstring path = MakeTempFolder(L"stdout-" + std::to_wstring(++serial)) + L"\\out.txt";
    fflush(stdout);
    int saved = _dup(1);
    int file = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY,
                      _S_IREAD | _S_IWRITE);
    _dup2(file, 1);
    _close(file);
    call();
    fflush(stdout);
    _dup2(saved, 1);
    _close(saved);
    return ReadBytes(path);
}

// Each test gets its own file in a folder of this process.
class CacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const std::wstring folder = MakeTempFolder(L"cache");
        folder_ = folder;
        path_ = folder + L"\\" +
                Wide(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L".xml";
        DeleteFileW(path_.c_str());
    }

    // Points the singleton at this test's file (created with the skeleton
    // when missing).
    void InitFile() { ASSERT_TRUE(cache_->InitCacheFile(path_, L"test")); }

    Ids Take() {
        Ids ids;
        Printed([&] { cache_->TakePathIds(ids); });
        return ids;
    }

    std::string Content() const { return ReadBytes(path_); }

    IProtectFileCacheFileMgr* cache_ = getFileProtectCacheMgr();
    std::wstring folder_;
    std::wstring path_;
};
