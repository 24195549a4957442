// A strict JSON reader for tests, written apart from the program's writer: it refuses whatever
// RFC 8259 does not allow (raw control characters, bad escapes, malformed UTF-8, trailing commas,
// anything after the document), and describes a document by its shape, so that a test can hold
// the output of --json to the shape it documents.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <string_view>
#include <variant>
#include <vector>

namespace qx4::test {

struct Json {
    using Object = std::vector<std::pair<std::string, Json>>;
    using Array = std::vector<Json>;
    std::variant<std::nullptr_t, bool, double, std::string, std::shared_ptr<Array>, std::shared_ptr<Object>> value;

    const Json* find(std::string_view key) const {
        if (const auto* object = std::get_if<std::shared_ptr<Object>>(&value)) {
            for (const auto& [name, member] : **object) {
                if (name == key) return &member;
            }
        }
        return nullptr;
    }
    const Array* array() const {
        const auto* items = std::get_if<std::shared_ptr<Array>>(&value);
        return items ? items->get() : nullptr;
    }
    const std::string* text() const { return std::get_if<std::string>(&value); }
};

class JsonReader {
public:
    static std::optional<Json> read(std::string_view text) {
        JsonReader reader(text);
        auto value = reader.value();
        reader.blanks();
        if (!value || reader.at_ != text.size()) return std::nullopt;
        return value;
    }

private:
    explicit JsonReader(std::string_view text) : text_(text) {}

    void blanks() {
        while (at_ < text_.size() && std::string_view(" \t\n\r").find(text_[at_]) != std::string_view::npos) ++at_;
    }
    bool take(char c) {
        blanks();
        if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
        return false;
    }
    bool word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }

    std::optional<Json> value() {
        blanks();
        if (at_ >= text_.size()) return std::nullopt;
        const char c = text_[at_];
        if (c == '{') return object();
        if (c == '[') return array();
        if (c == '"') {
            auto s = string();
            if (!s) return std::nullopt;
            return Json{*s};
        }
        if (word("true")) return Json{true};
        if (word("false")) return Json{false};
        if (word("null")) return Json{nullptr};
        return number();
    }

    std::optional<Json> object() {
        auto members = std::make_shared<Json::Object>();
        ++at_;
        if (take('}')) return Json{members};
        do {
            blanks();
            auto key = string();
            if (!key || !take(':')) return std::nullopt;
            auto member = value();
            if (!member) return std::nullopt;
            members->emplace_back(*key, *member);
        } while (take(','));
        if (!take('}')) return std::nullopt;
        return Json{members};
    }

    std::optional<Json> array() {
        auto items = std::make_shared<Json::Array>();
        ++at_;
        if (take(']')) return Json{items};
        do {
            auto item = value();
            if (!item) return std::nullopt;
            items->push_back(*item);
        } while (take(','));
        if (!take(']')) return std::nullopt;
        return Json{items};
    }

    std::optional<Json> number() {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        const auto digits = [this] {
            const std::size_t from = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
            return at_ - from;
        };
        const std::size_t whole = at_;
        const std::size_t count = digits();
        if (count == 0 || (count > 1 && text_[whole] == '0')) return std::nullopt;
        if (at_ < text_.size() && text_[at_] == '.' && (++at_, digits() == 0)) return std::nullopt;
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            if (digits() == 0) return std::nullopt;
        }
        return Json{std::stod(std::string(text_.substr(start, at_ - start)))};
    }

    static void appendUtf8(std::string& out, char32_t point) {
        if (point < 0x80) {
            out += static_cast<char>(point);
        } else if (point < 0x800) {
            out += static_cast<char>(0xC0 | (point >> 6));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += static_cast<char>(0xE0 | (point >> 12));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (point >> 18));
            out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (point & 0x3F));
        }
    }

    std::optional<char32_t> hex4() {
        if (at_ + 4 > text_.size()) return std::nullopt;
        char32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0) return std::nullopt;
            unit = unit * 16 + static_cast<char32_t>(digit);
        }
        return unit;
    }

    // One UTF-8 sequence, checked for shortest form and range.
    bool copyUtf8(std::string& out) {
        const auto lead = static_cast<unsigned char>(text_[at_]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3
                                   : (lead & 0xF8) == 0xF0 ? 4 : 0;
        if (length == 0 || at_ + length > text_.size()) return false;
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text_[at_ + k]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3F);
        }
        const char32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < minimum[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        out.append(text_.substr(at_, length));
        at_ += length;
        return true;
    }

    std::optional<std::string> string() {
        if (at_ >= text_.size() || text_[at_] != '"') return std::nullopt;
        ++at_;
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '"') return ++at_, out;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                if (!copyUtf8(out)) return std::nullopt;
                continue;
            }
            if (++at_ >= text_.size()) return std::nullopt;
            const char escape = text_[at_++];
            const std::string_view simple = "\"\\/bfnrt";
            const std::string_view meaning = "\"\\/\b\f\n\r\t";
            if (const auto found = simple.find(escape); found != std::string_view::npos) {
                out += meaning[found];
                continue;
            }
            if (escape != 'u') return std::nullopt;
            auto unit = hex4();
            if (!unit) return std::nullopt;
            if (*unit >= 0xD800 && *unit <= 0xDBFF) {
                if (!word("\\u")) return std::nullopt;
                const auto low = hex4();
                if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
                *unit = 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00);
            } else if (*unit >= 0xDC00 && *unit <= 0xDFFF) {
                return std::nullopt;
            }
            appendUtf8(out, *unit);
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// "{a:n,b:[s]}": keys in order with the kinds of their values (n number, s string, b boolean,
// null); an array shows each distinct shape of its items once, joined by "|".
inline std::string shapeOf(const Json& json) {
    return std::visit(
        [](const auto& value) -> std::string {
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::nullptr_t>) return "null";
            if constexpr (std::is_same_v<T, bool>) return "b";
            if constexpr (std::is_same_v<T, double>) return "n";
            if constexpr (std::is_same_v<T, std::string>) return "s";
            if constexpr (std::is_same_v<T, std::shared_ptr<Json::Array>>) {
                std::vector<std::string> shapes;
                for (const Json& item : *value) {
                    const std::string shape = shapeOf(item);
                    if (std::find(shapes.begin(), shapes.end(), shape) == shapes.end()) shapes.push_back(shape);
                }
                std::string text = "[";
                for (std::size_t i = 0; i < shapes.size(); ++i) text += (i ? "|" : "") + shapes[i];
                return text + "]";
            }
            if constexpr (std::is_same_v<T, std::shared_ptr<Json::Object>>) {
                std::string text = "{";
                for (std::size_t i = 0; i < value->size(); ++i) {
                    text += (i ? "," : "") + (*value)[i].first + ":" + shapeOf((*value)[i].second);
                }
                return text + "}";
            }
        },
        json.value);
}

}  // namespace qx4::test
