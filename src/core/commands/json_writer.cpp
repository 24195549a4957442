#include "core/commands/json_writer.h"

#include <array>
#include <cstdio>

#include "core/config/utf16_text.h"

namespace qx4::commands {

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    text_ += '{';
    firstInLevel_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    firstInLevel_.pop_back();
    text_ += '}';
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    text_ += '[';
    firstInLevel_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    firstInLevel_.pop_back();
    text_ += ']';
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    appendString(name);
    text_ += ':';
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
    beforeValue();
    appendString(text);
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t number) {
    beforeValue();
    text_ += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    beforeValue();
    text_ += flag ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    text_ += "null";
    return *this;
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (firstInLevel_.empty()) return;
    if (!firstInLevel_.back()) text_ += ',';
    firstInLevel_.back() = false;
}

void JsonWriter::appendString(std::string_view text) {
    // Through UTF-16 and back: whatever was not UTF-8 comes out as U+FFFD.
    const std::u16string units = utf8ToUtf16(text);
    text_ += '"';
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t unit = units[i];
        switch (unit) {
        case u'"': text_ += "\\\""; continue;
        case u'\\': text_ += "\\\\"; continue;
        case u'\n': text_ += "\\n"; continue;
        case u'\r': text_ += "\\r"; continue;
        case u'\t': text_ += "\\t"; continue;
        default: break;
        }
        // U+2028 and U+2029 end a line in JavaScript, which reads JSON as well.
        if (unit < 0x20 || unit == 0x7F || unit == 0x2028 || unit == 0x2029) {
            std::array<char, 8> escape{};
            std::snprintf(escape.data(), escape.size(), "\\u%04X", static_cast<unsigned>(unit));
            text_ += escape.data();
            continue;
        }
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                          units[i + 1] <= 0xDFFF;
        text_ += utf16ToUtf8(std::u16string_view(units).substr(i, pair ? 2 : 1));
        if (pair) ++i;
    }
    text_ += '"';
}

}  // namespace qx4::commands
