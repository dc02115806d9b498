#include "BoundStatement.h"

#include "Helper.h"

BoundStatement::BoundStatement(sqlite3_stmt* statement, std::initializer_list<SqlValue> values)
    : statement_(statement), texts_(values.size()) {
    if (sqlite3_bind_parameter_count(statement) != static_cast<int>(values.size())) {
        bindResult_ = SQLITE_RANGE;
        return;
    }
    int index = 0;
    for (const SqlValue& value : values) {
        if (value.isText()) {
            std::string& utf8 = texts_[index];
            utf8 = Helper()->WideToUtf8(value.text());
            bindResult_ = sqlite3_bind_text(statement, index + 1, utf8.c_str(),
                                            static_cast<int>(utf8.size()), SQLITE_STATIC);
        } else {
            bindResult_ = sqlite3_bind_int(statement, index + 1, value.number());
        }
        if (bindResult_ != SQLITE_OK) return;
        ++index;
    }
}

BoundStatement::~BoundStatement() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}
