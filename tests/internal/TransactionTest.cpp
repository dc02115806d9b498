// The transaction patterns on a connection whose COMMIT fails: a deferred
// foreign key that is still broken at COMMIT makes SQLite refuse it and keep
// the transaction open, as a full disk or a lost lock would.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <vector>

#include "store/Transaction.h"

namespace {

class Patterns : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &db));
        ASSERT_EQ(SQLITE_OK, sqlite3_exec(db,
                                          "PRAGMA foreign_keys = ON;"
                                          "CREATE TABLE parent (id INTEGER PRIMARY KEY);"
                                          "CREATE TABLE child (id INT REFERENCES parent(id) "
                                          "DEFERRABLE INITIALLY DEFERRED);",
                                          nullptr, nullptr, nullptr));
    }
    void TearDown() override { sqlite3_close(db); }

    // One entry's statement: a child row without a parent, which only COMMIT refuses.
    bool AddOrphan() {
        return sqlite3_exec(db, "INSERT INTO child VALUES (7)", nullptr, nullptr, nullptr) ==
               SQLITE_OK;
    }
    bool InTransaction() const { return sqlite3_get_autocommit(db) == 0; }
    int Children() const {
        sqlite3_stmt* query = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM child", -1, &query, nullptr);
        const int count = sqlite3_step(query) == SQLITE_ROW ? sqlite3_column_int(query, 0) : -1;
        sqlite3_finalize(query);
        return count;
    }

    sqlite3* db = nullptr;
};

using Pattern = std::function<bool(sqlite3*, const std::function<bool()>&)>;

const std::vector<int> kOneEntry{1};

const std::pair<const char*, Pattern> kWritePatterns[] = {
    {"all or nothing",
     [](sqlite3* db, const std::function<bool()>& one) {
         return RunAllOrNothing(db, kOneEntry, [&](int) { return one(); });
     }},
    {"keep what was done",
     [](sqlite3* db, const std::function<bool()>& one) {
         return RunKeepWhatWasDone(db, kOneEntry, [&](int) { return one(); });
     }},
    {"one statement", [](sqlite3* db, const std::function<bool()>& one) {
         return RunOneInTransaction(db, one);
     }},
};

}  // namespace

TEST_F(Patterns, AFailedCommitOrAnExceptionRollsBackAndLeavesNoTransactionOpen) {
    for (const auto& pattern : kWritePatterns) {
        SCOPED_TRACE(pattern.first);
        EXPECT_FALSE(pattern.second(db, [&] { return AddOrphan(); }));
        EXPECT_FALSE(InTransaction());
        EXPECT_EQ(0, Children());
        EXPECT_THROW(pattern.second(db,
                                    [&]() -> bool {
                                        AddOrphan();
                                        throw std::bad_alloc();
                                    }),
                     std::bad_alloc);
        EXPECT_FALSE(InTransaction());
        EXPECT_EQ(0, Children());
        // The connection is usable for the next call.
        EXPECT_TRUE(pattern.second(db, [] { return true; }));
    }
    EXPECT_THROW(RunRead(db, "SELECT id FROM child", [](Query&) { throw std::bad_alloc(); }),
                 std::bad_alloc);
    EXPECT_FALSE(InTransaction());
}
