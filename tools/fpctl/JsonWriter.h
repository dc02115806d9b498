// JSON text written as it is made, for documents too large to build in
// memory first (a list or an export of every row): laid out exactly as
// nlohmann's dump(2) lays out the same values, so that both ways print the
// same bytes. Keys are written in the order given: give them sorted, as
// nlohmann's objects keep them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class JsonWriter {
public:
    // With a stream, the text is written out in parts as it grows (after
    // an object); without, it all stays in Text().
    explicit JsonWriter(FILE* stream = nullptr) : stream_(stream) {}
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(const char* name);
    void Value(bool value);
    void Value(int64_t value);
    void Value(int32_t value) { Value(static_cast<int64_t>(value)); }
    void Value(const std::wstring& text);

    // The text not yet written out.
    std::string& Text() { return out_; }

private:
    void BeforeValue();
    void NewLine();
    void Open(char bracket);
    void Close(char bracket);

    struct Level {
        bool empty;
    };
    FILE* stream_;
    std::string out_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
    std::string scratch_;  // the UTF-8 of a text value
};
