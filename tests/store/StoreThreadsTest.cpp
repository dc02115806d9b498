// Several threads of one process share the store's one connection. Each
// operation is serialised within the process, so no thread's statement falls
// into another thread's transaction: every call succeeds and nothing is lost
// or half-seen.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/store/RuleTestSupport.h"

TEST(StoreThreads, ThreadsAtOnceLoseNothingAndNeverSeeHalfAList) {
    IFileProtectCfgMgr* store = FreshStore();
    const int kThreads = 4;
    const int kRounds = 150;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const std::wstring own = L"C:\\Thread" + std::to_wstring(t) + L"\\";
            for (int round = 0; round < kRounds; ++round) {
                const BlockCountItem item = Block(L"C:\\Shared\\Both.txt", 2);
                if (!store->IncreaseBlockCount(L"C:\\Shared\\One.txt")) ++failures;
                if (!store->AddBlockCountList({item, item})) ++failures;
                // Three rows in one call; a reader sees all three or none.
                const std::wstring name = own + std::to_wstring(round);
                if (!store->AddRejectList({PathItem(name + L"a", L"C:", true),
                                           PathItem(name + L"b", L"C:", true),
                                           PathItem(name + L"c", L"C:", true)}))
                    ++failures;
                Items items;
                if (!store->GetRejectList(items) || items.size() % 3 != 0) ++failures;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(kThreads * kRounds, CountOf(L"C:\\Shared\\One.txt"));
    EXPECT_EQ(kThreads * kRounds * 4, CountOf(L"C:\\Shared\\Both.txt"));
    EXPECT_EQ(std::to_string(kThreads * kRounds * 3), Db().Scalar("SELECT count(*) FROM rejectlist"));
}
