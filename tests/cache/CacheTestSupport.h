// What the cache-file tests share: a fresh cache file per test and plain
// byte access to it. (Output captured with StdoutCapture hides the test's own
// failure messages too, so assertions stay outside capturing scopes.)
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "../procs/coord_sync.h"
#include "StdoutCapture.h"

// The name every process that uses the cache file locks; other processes
// rely on it, so the tests name it on their own.
constexpr wchar_t kCacheLockName[] = L"GLOBAL/{B4KP4B35-0193-4B24-5479-0BFGKB5FEEH7}";

constexpr char kEmptyCacheFile[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<PathItem />\r\n";

inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Each test gets its own file in a folder of this process, and the cache
// singleton pointed at it.
class CacheTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const std::wstring folder = MakeTempFolder(L"cache");
        folder_ = folder;
        path_ = folder + L"\\" +
                Wide(::testing::UnitTest::GetInstance()->current_test_info()->name()) + L".xml";
        DeleteFileW(path_.c_str());
    }

    // Points the singleton at this test's file, created with the skeleton.
    void InitFile() { ASSERT_TRUE(cache_->InitCacheFile(path_, L"test")); }

    // What `call` printed on standard output (kept out of the test's own).
    static std::string Printed(const std::function<void()>& call) {
        StdoutCapture out;
        call();
        return out.Text();
    }

    // Takes every item; what the take printed goes to `printed`.
    std::vector<std::string> Take(std::string* printed = nullptr) {
        std::vector<std::string> ids;
        std::string text = Printed([&] { cache_->TakePathIds(ids); });
        if (printed) *printed = text;
        return ids;
    }

    std::string Content() const { return ReadBytes(path_); }

    IProtectFileCacheFileMgr* cache_ = getFileProtectCacheMgr();
    std::wstring folder_;
    std::wstring path_;
};
