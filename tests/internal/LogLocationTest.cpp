#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "LogLocation.h"

TEST(LogLocation, NamesTheStoreSourceFileAndTheLine) {
    EXPECT_STREQ("FileProtectCfgMgr.cpp(172)", MakeLogLocation(172).text);
    EXPECT_STREQ("FileProtectCfgMgr.cpp(2376)", MakeLogLocation(2376).text);
    EXPECT_STREQ("FileProtectCfgMgr.cpp(-1)", MakeLogLocation(-1).text);
}

TEST(LogLocation, EachCallerKeepsItsOwnTagWhileOthersBuildTheirs) {
    std::vector<std::thread> threads;
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
