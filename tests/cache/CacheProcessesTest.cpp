// The cache file shared by several processes: the machine-wide lock around
// every change, and items handed out exactly once however many processes
// append and take at the same time.
#include <atomic>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "CacheTestSupport.h"

namespace {

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace

TEST_F(CacheTest, NothingChangesWhileTheLockCannotBeHad) {
    InitFile();
    cache_->AddPathId("before");
    const std::string before = Content();
    std::string printed;
    Ids taken;
    {
        // An event holding the lock's name keeps any mutex of that name from
        // being opened or created.
        KernelHandle squatter(CreateEventW(nullptr, TRUE, FALSE, kCacheLockName));
        ASSERT_TRUE(squatter.Held());
        printed = Printed([&] {
            cache_->AddPathId("unguarded");
            cache_->AddPathIds({"unguarded"});
            cache_->AddPathIdsW({L"unguarded"});
            cache_->TakePathIds(taken);
            cache_->ClearCacheFile();
        });
        EXPECT_EQ(before, Content());
    }
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ("clear file error\n", printed);
    EXPECT_EQ(Ids{"before"}, Take());
}

TEST_F(CacheTest, ALockAbandonedByAnEndedProcessCountsAsHeldAndIsGivenBack) {
    InitFile();
    KernelHandle kept(CreateMutexW(nullptr, FALSE, kCacheLockName));  // as other users would
    NamedGate ready(UniqueName(L"ready"));
    ASSERT_EQ(0, RunChild(L"coord_lock_holder",
                          Quoted(kCacheLockName) + L" " + ready.name() + L" - abandon"));
    cache_->AddPathId("after");
    EXPECT_TRUE(MutexIsFree(kCacheLockName));
    EXPECT_EQ(Ids{"after"}, Take());
}

TEST_F(CacheTest, AnOpenerThatTakesNoLockIsWaitedFor) {
    InitFile();
    NamedGate ready(UniqueName(L"ready"));
    NamedGate go(UniqueName(L"go"));
    HANDLE holder = StartChild(L"cache_file_holder",
                               Quoted(path_) + L" " + ready.name() + L" " + go.name());
    ASSERT_TRUE(WaitGate(ready.name()));
    // The append finds the file held and tries again until the holder lets
    // go, instead of dropping the item. Let the holder go only once the
    // append has taken the cache lock, i.e. is at its first open.
    std::atomic<bool> appended{false};
    std::thread append([&] {
        cache_->AddPathId("waited");
        appended = true;
    });
    while (!appended && MutexIsFree(kCacheLockName)) SwitchToThread();
    go.Open();
    append.join();
    EXPECT_EQ(0, WaitChild(holder));
    EXPECT_EQ(Ids{"waited"}, Take());
}

TEST_F(CacheTest, ItemsFromManyProcessesAreTakenExactlyOnce) {
    // Four processes append while another process and this one take, again
    // and again; afterwards each item was taken once, none lost.
    const int appenders = 4;
    const int perAppender = 100;
    InitFile();

    NamedCounter ready(UniqueName(L"ready"));
    NamedGate go(UniqueName(L"go"));
    NamedGate stop(UniqueName(L"stop"));
    const std::wstring takerOutput = folder_ + L"\\taker.txt";
    HANDLE taker =
        StartChild(L"cache_taker", Quoted(path_) + L" " + Quoted(takerOutput) + L" " + stop.name());
    std::vector<HANDLE> running;
    for (int i = 0; i < appenders; ++i)
        running.push_back(StartChild(L"cache_appender", Quoted(path_) + L" p" +
                                                            std::to_wstring(i) + L" " +
                                                            std::to_wstring(perAppender) + L" " +
                                                            ready.name() + L" " + go.name() +
                                                            L" mixed"));
    ASSERT_TRUE(ready.WaitFor(appenders));
    go.Open();

    Ids taken;
    std::vector<int> exitCodes;
    Printed([&] {
        for (HANDLE appender : running) {
            while (WaitForSingleObject(appender, 0) == WAIT_TIMEOUT) {
                cache_->TakePathIds(taken);
                Sleep(3);  // leave the appenders room at the lock
            }
            exitCodes.push_back(WaitChild(appender));
        }
        stop.Open();
        exitCodes.push_back(WaitChild(taker));
        cache_->TakePathIds(taken);  // whatever came after the taker's last take
    });
    EXPECT_EQ(std::vector<int>(appenders + 1, 0), exitCodes);

    std::ifstream fromTaker(takerOutput.c_str());
    for (std::string line; std::getline(fromTaker, line);) taken.push_back(line);
    std::map<std::string, int> times;
    for (const std::string& id : taken) ++times[id];
    for (int i = 0; i < appenders; ++i)
        for (int n = 0; n < perAppender; ++n) {
            std::string id = "p" + std::to_string(i) + "-" + std::to_string(n);
            EXPECT_EQ(1, times[id]) << id;
        }
    EXPECT_EQ(static_cast<size_t>(appenders * perAppender), taken.size());
    EXPECT_EQ(kEmptyCacheFile, Content());
}
