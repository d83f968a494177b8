#pragma once
// JsonWriter: the page's answers as JSON text, built up one value at a time; strings are
// escaped so that any UTF-8 text, control characters included, reads back as it was.

#include <string>
#include <string_view>

namespace sondrel::web {

class JsonWriter {
public:
    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }
    // An object's key; the value follows.
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view text);
    JsonWriter& Int(long long value);
    JsonWriter& Bool(bool value);
    // Shortest text that reads back as exactly this double; null when it is not finite.
    JsonWriter& Double(double value);
    // A number as the caller has written it (valid JSON number text).
    JsonWriter& Raw(std::string_view number);

    const std::string& Text() const { return text_; }

private:
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);
    void Separate();

    std::string text_;
    bool first_ = true;       // no value yet in the innermost object or array
    bool after_key_ = false;  // the next value is a key's
};

}  // namespace sondrel::web
