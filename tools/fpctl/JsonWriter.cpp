#include "JsonWriter.h"

#include <cstdio>

#include "Text.h"

namespace {

constexpr size_t kPart = 1 << 16;

// As nlohmann escapes a string printed without ensure_ascii: the quote, the
// backslash and the C0 controls; every other character as it is.
void AppendString(const std::string& utf8, std::string& out) {
    const auto plain = [](char c) { return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20; };
    out += '"';
    for (size_t i = 0; i < utf8.size();) {
        if (plain(utf8[i])) {
            size_t end = i + 1;
            while (end < utf8.size() && plain(utf8[end])) ++end;
            out.append(utf8, i, end - i);
            i = end;
            continue;
        }
        const char c = utf8[i++];
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            default: {
                char escaped[8];
                snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            }
        }
    }
    out += '"';
}

}  // namespace

void JsonWriter::NewLine() {
    out_ += '\n';
    out_.append(levels_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (levels_.empty()) return;
    if (!levels_.back().empty) out_ += ',';
    levels_.back().empty = false;
    NewLine();
}

void JsonWriter::Open(char bracket) {
    BeforeValue();
    out_ += bracket;
    levels_.push_back({true});
}

void JsonWriter::Close(char bracket) {
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty) NewLine();
    out_ += bracket;
}

void JsonWriter::BeginObject() { Open('{'); }

void JsonWriter::EndObject() {
    Close('}');
    if (stream_ && out_.size() >= kPart) {
        fwrite(out_.data(), 1, out_.size(), stream_);
        out_.clear();
    }
}

void JsonWriter::BeginArray() { Open('['); }

void JsonWriter::EndArray() { Close(']'); }

void JsonWriter::Key(const char* name) {
    BeforeValue();
    AppendString(name, out_);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::Value(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
}

void JsonWriter::Value(int64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
}

void JsonWriter::Value(const std::wstring& text) {
    BeforeValue();
    Utf8Into(text, scratch_);
    AppendString(scratch_, out_);
}
