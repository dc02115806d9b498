// Block counts written by several processes at once, and by processes killed
// in the middle of a write.
#include <gtest/gtest.h>

#include "tests/store/RuleTestSupport.h"
#include "tests/procs/coord_sync.h"

namespace {

// Starts the child, waits for its signal and terminates it wherever it is.
// False when it ended (or hung) before signalling.
bool KillAfterSignal(const std::wstring& mode) {
    const NamedGate ready(UniqueName(mode + L"-ready"));
    HANDLE child = StartChild(L"store_peer", mode + L" " + ready.name());
    if (!child) return false;
    const bool signalled = ready.OpenedBy(child);
    TerminateProcess(child, 97);
    WaitChild(child);
    return signalled;
}

}  // namespace

TEST(BlockCountsAcrossProcesses, ConcurrentReportsAddUpExactly) {
    FreshStore();
    const int rounds = 500;
    NamedGate start(UniqueName(L"start"));
    const std::wstring arguments = L"count " + start.name() + L" " + std::to_wstring(rounds);
    HANDLE first = StartChild(L"store_peer", arguments);
    HANDLE second = StartChild(L"store_peer", arguments);
    start.Open();
    EXPECT_EQ(0, WaitChild(first));  // each child counts its own failed calls
    EXPECT_EQ(0, WaitChild(second));

    const int reports = 2 * rounds;
    EXPECT_EQ(reports * 1, CountOf(L"C:\\Shared\\One.txt"));
    EXPECT_EQ(reports * 5, CountOf(L"C:\\Shared\\Two.txt"));
    EXPECT_EQ(reports * 10, CountOf(L"c:\\shared\\THREE.txt"));
    EXPECT_EQ("3", Db().Scalar("SELECT count(*) FROM blocklist"));
    EXPECT_EQ("ok", Db().Scalar("PRAGMA integrity_check"));
}

TEST(BlockCountsAcrossProcesses, AProcessKilledMidWriteLosesOnlyItsUncommittedWork) {
    IFileProtectCfgMgr* store = FreshStore();
    const std::wstring mine = L"C:\\Parent\\Committed.txt";
    ASSERT_TRUE(store->AddBlockCount(mine, 7));
    // A connection of its own inserts rows and changes this one, then is
    // killed uncommitted.
    ASSERT_TRUE(KillAfterSignal(L"hold"));
    ASSERT_TRUE(store->AddBlockCount(mine, 1));  // the database is free again
    EXPECT_EQ(8, CountOf(mine));
    // A store adding one to both paths per list call, in one transaction:
    // whatever the moment of the kill, the two counts agree.
    ASSERT_TRUE(KillAfterSignal(L"pairs"));
    const int32_t left = CountOf(L"C:\\Pair\\Left");
    EXPECT_GE(left, 1);
    EXPECT_EQ(left, CountOf(L"C:\\Pair\\Right"));
    ASSERT_TRUE(store->IncreaseBlockCount(L"C:\\Pair\\Left"));
    EXPECT_EQ(left + 1, CountOf(L"C:\\Pair\\Left"));
    EXPECT_EQ("3", Db().Scalar("SELECT count(*) FROM blocklist"));
    EXPECT_EQ("ok", Db().Scalar("PRAGMA integrity_check"));
}
