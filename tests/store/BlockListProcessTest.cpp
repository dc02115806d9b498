#include <gtest/gtest.h>

#include "RuleTestSupport.h"

namespace {

// A manual-reset event with a name unique to this test process.
class NamedEvent {
public:
    explicit NamedEvent(const std::wstring& purpose)
        : name_(L"Local\\fileprotect-rules-" + purpose + L"-" +
                std::to_wstring(GetCurrentProcessId())),
          handle_(CreateEventW(nullptr, TRUE, FALSE, name_.c_str())) {}
    ~NamedEvent() {
        if (handle_) CloseHandle(handle_);
    }
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    const std::wstring& name() const { return name_; }
    HANDLE handle() const { return handle_; }

private:
    std::wstring name_;
    HANDLE handle_;
};

// Owns a started child; terminates it if the test ends early.
class Child {
public:
    Child(const std::wstring& name, const std::wstring& arguments)
        : process_(StartChild(name, arguments)) {}
    ~Child() {
        if (process_) {
            TerminateProcess(process_, 98);
            CloseHandle(process_);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return process_ != nullptr; }
    HANDLE handle() const { return process_; }
    int Wait() { return WaitChild(Release()); }
    // Ends it at once, wherever it is, and waits until it is gone.
    int Kill() {
        TerminateProcess(process_, 97);
        return Wait();
    }

private:
    HANDLE Release() {
        HANDLE process = process_;
        process_ = nullptr;
        return process;
    }
    HANDLE process_;
};

int32_t CountOf(IFileProtectCfgMgr* store, const std::wstring& path) {
    BlockCountItem item;
    item.filepath = path;
    return store->GetBlockCount(item) ? item.blockcount : -1;
}

// True when the child signalled; false when it ended (or hung) first.
bool WaitForSignal(const NamedEvent& ready, const Child& child) {
    HANDLE both[] = {ready.handle(), child.handle()};
    return WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
}

}  // namespace

TEST(BlockCountsAcrossProcesses, ConcurrentReportsAddUpExactly) {
    IFileProtectCfgMgr* store = FreshStore();
    const int rounds = 500;
    NamedEvent start(L"start");
    ASSERT_NE(nullptr, start.handle());
    const std::wstring arguments = start.name() + L" " + std::to_wstring(rounds);
    Child first(L"store_rules_counter", arguments);
    Child second(L"store_rules_counter", arguments);
    ASSERT_TRUE(first.started() && second.started());
    SetEvent(start.handle());
    EXPECT_EQ(0, first.Wait());
    EXPECT_EQ(0, second.Wait());

    const int reports = 2 * rounds;
    EXPECT_EQ(reports * 1, CountOf(store, L"C:\\Shared\\One.txt"));
    EXPECT_EQ(reports * 5, CountOf(store, L"C:\\Shared\\Two.txt"));
    EXPECT_EQ(reports * 10, CountOf(store, L"c:\\shared\\THREE.txt"));
    std::vector<BlockCountItem> items;
    ASSERT_TRUE(store->GetBlockList(items));
    EXPECT_EQ(3u, items.size());
    EXPECT_EQ("ok", Db().Scalar("PRAGMA integrity_check"));
}

TEST(BlockCountsAcrossProcesses, AKilledWritersUncommittedRowsAreLost) {
    IFileProtectCfgMgr* store = FreshStore();
    const std::wstring mine = L"C:\\Parent\\Committed.txt";
    ASSERT_TRUE(store->AddBlockCount(mine, 7));

    NamedEvent ready(L"raw-ready");
    Child child(L"store_rules_killed", L"raw " + ready.name());
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(WaitForSignal(ready, child)) << "the child ended before its transaction was open";
    child.Kill();

    // The database is free again: the store writes and sees only its own work.
    ASSERT_TRUE(store->AddBlockCount(mine, 1));
    std::vector<BlockCountItem> items;
    ASSERT_TRUE(store->GetBlockList(items));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(mine, items[0].filepath);
    EXPECT_EQ(8, items[0].blockcount);
    Db db;
    EXPECT_EQ("ok", db.Scalar("PRAGMA integrity_check"));
    EXPECT_EQ("0", db.Scalar("SELECT count(*) FROM blocklist WHERE filepath LIKE 'C:\\Killed%'"));
}

TEST(BlockCountsAcrossProcesses, AStoreKilledAmidItsListsLeavesOnlyWholeLists) {
    IFileProtectCfgMgr* store = FreshStore();
    NamedEvent ready(L"store-ready");
    Child child(L"store_rules_killed", L"store " + ready.name());
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(WaitForSignal(ready, child)) << "the child's first list call failed";
    child.Kill();

    // Each list call adds one to both paths in one transaction: whatever the
    // moment of the kill, the two counts agree.
    const int32_t left = CountOf(store, L"C:\\Pair\\Left");
    EXPECT_GE(left, 1);
    EXPECT_EQ(left, CountOf(store, L"C:\\Pair\\Right"));
    EXPECT_EQ("ok", Db().Scalar("PRAGMA integrity_check"));
    ASSERT_TRUE(store->IncreaseBlockCount(L"C:\\Pair\\Left"));
    EXPECT_EQ(left + 1, CountOf(store, L"C:\\Pair\\Left"));
}
