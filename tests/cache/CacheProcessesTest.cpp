// The cache file shared by several processes: the machine-wide lock around
// every change, and items handed out exactly once however many processes
// append and take at the same time, or are killed while they append.
#include <atomic>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/cache/CacheTestSupport.h"

namespace {

// Starts cache_child with its mode and arguments, each quoted.
HANDLE StartCacheChild(std::initializer_list<std::wstring> arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments) line += L"\"" + argument + L"\" ";
    return StartChild(L"cache_child", line);
}

std::map<std::string, int> CountTimes(const Ids& ids) {
    std::map<std::string, int> times;
    for (const std::string& id : ids) ++times[id];
    return times;
}

Ids ReadLines(const std::wstring& path) {
    Ids lines;
    std::istringstream in(ReadBytes(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// An event holding the lock's name keeps any mutex of that name from being
// opened or created; the file's own exclusive open still orders every change.
HANDLE SquatLockName() { return CreateEventW(nullptr, TRUE, FALSE, fileprotect::kCacheMutexName); }

}  // namespace

TEST_F(CacheTest, ClearingGoesOnWhileTheLockCannotBeHad) {
    InitFile();
    fileprotect::Handle squatter(SquatLockName());
    ASSERT_TRUE(squatter.Valid());
    cache_->AddPathId("cleared");
    const std::string printed = Printed([&] { cache_->ClearCacheFile(); });
    cache_->AddPathId("last");
    EXPECT_EQ("clear file suces\n", printed);
    EXPECT_EQ(Ids{"last"}, Take());
}

TEST_F(CacheTest, ALockAbandonedByAnEndedProcessCountsAsHeldAndIsGivenBack) {
    InitFile();
    fileprotect::Handle kept(CreateMutexW(nullptr, FALSE, fileprotect::kCacheMutexName));  // as other users would
    ASSERT_EQ(0, RunChild(L"coord_child", L"abandon " + std::wstring(fileprotect::kCacheMutexName)));
    cache_->AddPathId("after");
    EXPECT_TRUE(MutexIsFree(fileprotect::kCacheMutexName));
    EXPECT_EQ(Ids{"after"}, Take());
}

TEST_F(CacheTest, AnOpenerThatTakesNoLockIsWaitedFor) {
    InitFile();
    NamedGate ready(UniqueName(L"ready"));
    NamedGate go(UniqueName(L"go"));
    HANDLE holder = StartCacheChild({L"hold", path_, ready.name(), go.name()});
    ASSERT_TRUE(ready.OpenedBy(holder));
    // The append finds the file held and tries again until the holder lets
    // go, instead of dropping the item. Let the holder go only once the
    // append has taken the cache lock, i.e. is at its first open.
    std::atomic<bool> appended{false};
    std::thread append([&] {
        cache_->AddPathId("waited");
        appended = true;
    });
    while (!appended && MutexIsFree(fileprotect::kCacheMutexName)) SwitchToThread();
    go.Open();
    append.join();
    EXPECT_EQ(0, WaitChild(holder));
    EXPECT_EQ(Ids{"waited"}, Take());
}

TEST_F(CacheTest, ItemsFromManyProcessesAreTakenExactlyOnce) {
    // Four processes append while another process and this one take, again
    // and again; afterwards each item was taken once, none lost. Once with the
    // lock, once with its name squatted so that no process gets it.
    const int appenders = 4;
    const int perAppender = 100;
    for (bool squatted : {false, true}) {
        SCOPED_TRACE(squatted ? "lock cannot be had" : "lock taken");
        fileprotect::Handle squatter(squatted ? SquatLockName() : nullptr);
        ASSERT_EQ(squatted, squatter.Valid());
        DeleteFileW(path_.c_str());
        InitFile();

        NamedCounter ready(UniqueName(L"ready"));
        NamedGate go(UniqueName(L"go"));
        NamedGate stop(UniqueName(L"stop"));
        const std::wstring takerOutput = folder_ + L"\\taker.txt";
        HANDLE taker = StartCacheChild({L"take", path_, takerOutput, stop.name()});
        std::vector<HANDLE> running;
        for (int i = 0; i < appenders; ++i)
            running.push_back(StartCacheChild({L"append", path_, L"p" + std::to_wstring(i),
                                               std::to_wstring(perAppender), ready.name(),
                                               go.name(), L"mixed"}));
        ASSERT_TRUE(ready.WaitFor(appenders));
        go.Open();

        Ids taken;
        std::vector<int> exitCodes;
        Printed([&] {
            for (HANDLE appender : running) {
                while (WaitForSingleObject(appender, 0) == WAIT_TIMEOUT) {
                    cache_->TakePathIds(taken);
                    Sleep(3);  // leave the appenders room at the file
                }
                exitCodes.push_back(WaitChild(appender));
            }
            stop.Open();
            exitCodes.push_back(WaitChild(taker));
            cache_->TakePathIds(taken);  // whatever came after the taker's last take
        });
        EXPECT_EQ(std::vector<int>(appenders + 1, 0), exitCodes);

        for (const std::string& id : ReadLines(takerOutput)) taken.push_back(id);
        std::map<std::string, int> times = CountTimes(taken);
        for (int i = 0; i < appenders; ++i)
            for (int n = 0; n < perAppender; ++n) {
                std::string id = "p" + std::to_string(i) + "-" + std::to_string(n);
                EXPECT_EQ(1, times[id]) << id;
            }
        EXPECT_EQ(static_cast<size_t>(appenders * perAppender), taken.size());
        EXPECT_EQ(kEmptyCacheFile, Content());
    }
}

TEST_F(CacheTest, AppendersKilledAtRandomMomentsLoseNothingAcknowledgedAndDoubleNothing) {
    // Appenders save again and again and are killed at random moments, most
    // often in the middle of a save; this process takes between the rounds.
    // Every add that an appender saw return is taken exactly once; the one
    // add under way when it was killed is taken once or not at all.
    const int rounds = 8;
    const int perRound = 3;
    const unsigned seed = GetTickCount();
    SCOPED_TRACE("seed " + std::to_string(seed));
    srand(seed);
    InitFile();

    std::vector<std::string> prefixes;
    auto acks = [&](const std::string& prefix) { return folder_ + L"\\" + Wide(prefix) + L".ack"; };
    Ids taken;
    Printed([&] {
        for (int round = 0; round < rounds; ++round) {
            std::vector<HANDLE> running;
            for (int i = 0; i < perRound; ++i) {
                prefixes.push_back("k" + std::to_string(round) + "x" + std::to_string(i));
                running.push_back(StartCacheChild(
                    {L"acked", path_, Wide(prefixes.back()), acks(prefixes.back())}));
            }
            // Kill only appenders that are at work: saving, again and again.
            for (size_t i = prefixes.size() - perRound; i < prefixes.size(); ++i)
                for (int wait = 0; wait < 3000 && ReadBytes(acks(prefixes[i])).empty(); ++wait)
                    Sleep(10);
            Sleep(rand() % 300);
            for (HANDLE child : running) {
                cache_->TakePathIds(taken);
                Sleep(rand() % 40);
                TerminateProcess(child, 9);
                WaitForSingleObject(child, INFINITE);
                CloseHandle(child);
            }
        }
        cache_->TakePathIds(taken);
    });

    std::map<std::string, int> times = CountTimes(taken);
    size_t acknowledged = 0;
    for (const std::string& prefix : prefixes) {
        Ids acked = ReadLines(acks(prefix));
        acknowledged += acked.size();
        for (size_t n = 0; n < acked.size(); ++n) {
            EXPECT_EQ(prefix + "-" + std::to_string(n), acked[n]);
            EXPECT_EQ(1, times[acked[n]]) << acked[n];
            times.erase(acked[n]);
        }
        const std::string inDoubt = prefix + "-" + std::to_string(acked.size());
        EXPECT_GE(1, times[inDoubt]) << inDoubt;
        times.erase(inDoubt);
    }
    EXPECT_TRUE(times.empty()) << times.begin()->first;  // nothing that was never added
    EXPECT_LE(static_cast<size_t>(rounds * perRound), acknowledged);  // every one was at work
    EXPECT_EQ(kEmptyCacheFile, Content());
    EXPECT_FALSE(FileExists(path_ + L".damaged-1"));  // never a cut file
}
