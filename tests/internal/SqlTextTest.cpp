#include <gtest/gtest.h>

#include "SqlText.h"

TEST(SqlText, QuotesInTextsAreDoubledSoTheLiteralNeverEndsEarly) {
    std::wstring statement;
    std::wstring path = L"C:\\it's'; DROP TABLE fileprotect; --";
    ASSERT_EQ(SqlFormatResult::kOk,
              FormatSql(L"INSERT INTO t VALUES(%d, '%s')", {-5, path}, &statement));
    EXPECT_EQ(L"INSERT INTO t VALUES(-5, 'C:\\it''s''; DROP TABLE fileprotect; --')", statement);
}

TEST(SqlText, IntegersAreSignedDecimals) {
    std::wstring statement;
    ASSERT_EQ(SqlFormatResult::kOk,
              FormatSql(L"%d %d %d", {0, INT32_MIN, INT32_MAX}, &statement));
    EXPECT_EQ(L"0 -2147483648 2147483647", statement);
}

TEST(SqlText, StatementsOverTheLimitAreRefusedWhole) {
    std::wstring statement;
    // "'%s'" plus 1021 characters is 1023 characters: the longest that fits
    // with its terminator.
    std::wstring fits(1021, L'a');
    EXPECT_EQ(SqlFormatResult::kOk, FormatSql(L"'%s'", {fits}, &statement));
    EXPECT_EQ(1023u, statement.size());

    std::wstring tooLong(1022, L'a');
    EXPECT_EQ(SqlFormatResult::kTooLong, FormatSql(L"'%s'", {tooLong}, &statement));
    EXPECT_EQ(1024u, statement.size());  // whole, for the log; never executed

    // Doubled quotes count against the limit too.
    std::wstring quotes(600, L'\'');
    EXPECT_EQ(SqlFormatResult::kTooLong, FormatSql(L"'%s'", {quotes}, &statement));
}

TEST(SqlText, NulInsideATextOrMismatchedValuesAreRefused) {
    std::wstring statement = L"left over";
    std::wstring withNul(L"a\0b", 3);
    EXPECT_EQ(SqlFormatResult::kBadValue, FormatSql(L"'%s'", {withNul}, &statement));
    EXPECT_TRUE(statement.empty());
    std::wstring text = L"x";
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
