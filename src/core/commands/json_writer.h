// A small JSON writer for qx4ctl's --json output. Text is written as valid UTF-8 whatever it holds:
// malformed sequences become U+FFFD, control characters and the line and paragraph separators are
// escaped. Commas and nesting are the writer's; the caller says only what comes next.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qx4::commands {

class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    // Inside an object, before each value.
    JsonWriter& key(std::string_view name);
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(std::int64_t number);
    JsonWriter& value(int number) { return value(static_cast<std::int64_t>(number)); }
    JsonWriter& value(bool flag);
    JsonWriter& null();

    // The document with a final newline.
    std::string finish() const { return text_ + "\n"; }

private:
    void beforeValue();
    void appendString(std::string_view text);

    std::string text_;
    std::vector<bool> firstInLevel_;
    bool afterKey_ = false;
};

}  // namespace qx4::commands
