#include <gtest/gtest.h>

#include "store/SqlText.h"

TEST(SqlText, QuotesAreDoubledAndIntegersAreSignedDecimals) {
    std::wstring statement;
    const std::wstring path = L"C:\\it's'; DROP TABLE fileprotect; --";
    ASSERT_EQ(SqlFormatResult::kOk, FormatSql(L"INSERT INTO t VALUES(%d, '%s', %d, %d)",
                                              {0, path, INT32_MIN, INT32_MAX}, &statement));
    EXPECT_EQ(L"INSERT INTO t VALUES(0, 'C:\\it''s''; DROP TABLE fileprotect; --', "
              L"-2147483648, 2147483647)",
              statement);
}

TEST(SqlText, DoubledQuotesCountAgainstTheLimitAndATooLongStatementIsKeptWhole) {
    // 1,023 characters fit with the terminator: 510 quotes doubled and the
    // two around them make 1,022, one quote more makes 1,024.
    std::wstring statement;
    EXPECT_EQ(SqlFormatResult::kOk, FormatSql(L"'%s'", {std::wstring(510, L'\'')}, &statement));
    EXPECT_EQ(SqlFormatResult::kTooLong, FormatSql(L"'%s'", {std::wstring(511, L'\'')}, &statement));
    EXPECT_EQ(1024u, statement.size());  // whole, for the log; never executed
}

TEST(SqlText, NulInsideATextOrMismatchedValuesAreRefused) {
    std::wstring statement = L"left over";
    EXPECT_EQ(SqlFormatResult::kBadValue, FormatSql(L"'%s'", {std::wstring(L"a\0b", 3)}, &statement));
    EXPECT_TRUE(statement.empty());
    const std::wstring text = L"x";
    EXPECT_EQ(SqlFormatResult::kBadValue, FormatSql(L"%d", {text}, &statement));
    EXPECT_EQ(SqlFormatResult::kBadValue, FormatSql(L"%s %s", {text}, &statement));
    EXPECT_EQ(SqlFormatResult::kBadValue, FormatSql(L"none", {1}, &statement));
}

TEST(SqlText, QuotedTextsAndBareIntegersBecomeParameters) {
    std::wstring sql;
    ASSERT_TRUE(ParameterizeSql(L"INSERT INTO t (a, b) VALUES(%d, '%s',%d) ON CONFLICT(a) DO "
                                L"UPDATE SET c = c + %d",
                                &sql));
    EXPECT_EQ(L"INSERT INTO t (a, b) VALUES(?, ?,?) ON CONFLICT(a) DO UPDATE SET c = c + ?", sql);
    // Placeholders that a parameter cannot stand for: the statement is refused.
    EXPECT_FALSE(ParameterizeSql(L"SELECT '%d'", &sql));
    EXPECT_FALSE(ParameterizeSql(L"DELETE FROM %s", &sql));
}
