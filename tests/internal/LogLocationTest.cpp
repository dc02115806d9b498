// Each caller gets its own copy of the tag, so a logger still reading one
// line's tag never sees another thread rebuild it.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "base/HostLog.h"

TEST(LogLocation, EachCallerKeepsItsOwnTagWhileOthersBuildTheirs) {
    EXPECT_STREQ("FileProtectCfgMgr.cpp(172)", MakeLogLocation(172).text);
    std::vector<std::thread> threads;
    threads.reserve(8);
    std::vector<int> wrong(8, 0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < 20000; ++i) {
                int line = t * 100000 + i;
                LogLocation tag = MakeLogLocation(line);
                std::this_thread::yield();
                if (std::string(tag.text) != "FileProtectCfgMgr.cpp(" + std::to_string(line) + ")")
                    ++wrong[t];
            }
        });
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < 8; ++t) EXPECT_EQ(0, wrong[t]) << "thread " << t;
}
