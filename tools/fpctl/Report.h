// How a command says what it did or found: a line of text, or with --json
// one document; rows as an aligned table, or with --json an array of the
// records' objects.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Fpctl.h"
#include "JsonWriter.h"
#include "Output.h"
#include "Rules.h"

void Report(const Context& context, const std::string& text, const nlohmann::json& document);

// "1 path" / "3 paths".
std::string Count(size_t n, const std::string& noun);

// A warning for the person at the console (standard error, both with and
// without --json): something was done, but not all of what was asked.
void Warn(const std::string& text);

// Fields written as they come (see JsonWriter).
struct WriterFields {
    JsonWriter& writer;
    template <typename Value>
    void Field(const char* name, const Value& value) {
        writer.Key(name);
        writer.Value(value);
    }
};

template <typename Row>
void WriteRows(JsonWriter& writer, const std::vector<Row>& rows) {
    WriterFields fields{writer};
    writer.BeginArray();
    for (const Row& row : rows) {
        writer.BeginObject();
        VisitFields(row, fields);
        writer.EndObject();
    }
    writer.EndArray();
}

// A list of many rows: the bytes PrintJson(JsonRows(rows)) would print, or a
// table. Neither builds a document of every row first.
template <typename Row>
void PrintRows(const Context& context, const std::vector<Row>& rows) {
    if (context.json) {
        JsonWriter writer(stdout);
        WriteRows(writer, rows);
        PrintText(writer.Text());
        return;
    }
    Table table(Headers(static_cast<const Row*>(nullptr)));
    for (const Row& row : rows) {
        VisitCells(row, table);
        table.EndRow();
    }
    table.Print();
}
