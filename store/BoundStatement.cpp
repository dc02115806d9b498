#include "BoundStatement.h"

BoundStatement::BoundStatement(sqlite3_stmt* statement, std::initializer_list<SqlValue> values,
                               const std::string* utf8)
    : statement_(statement) {
    if (sqlite3_bind_parameter_count(statement) != static_cast<int>(values.size())) {
        bindResult_ = SQLITE_RANGE;
        return;
    }
    int index = 0;
    for (const SqlValue& value : values) {
        if (!value.isText()) {
            bindResult_ = sqlite3_bind_int(statement, index + 1, value.number());
        } else if (!utf8) {
            bindResult_ = SQLITE_MISUSE;
        } else {
            const std::string& text = utf8[index];
            bindResult_ = sqlite3_bind_text(statement, index + 1, text.c_str(),
                                            static_cast<int>(text.size()), SQLITE_STATIC);
        }
        if (bindResult_ != SQLITE_OK) return;
        ++index;
    }
}

BoundStatement::~BoundStatement() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}
