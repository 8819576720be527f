// Test helper: a small strict JSON reader, so that the tests read orvanectl's --json output
// back the way a script would. Numbers keep their text; strings are decoded to UTF-8
// (\u escapes included, surrogate pairs joined). Anything that is not JSON fails the parse.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::testing {

struct JsonValue {
    enum class Kind { null, boolean, number, string, array, object } kind = Kind::null;
    bool boolean = false;
    std::string text; // the number's text, or the string's value
    std::vector<JsonValue> elements;
    std::vector<std::pair<std::string, JsonValue>> members; // in order

    bool IsNull() const { return kind == Kind::null; }
    // The member of that name; a null value when there is none.
    const JsonValue& operator[](std::string_view key) const {
        static const JsonValue kNull;
        for (const auto& [name, value] : members)
            if (name == key)
                return value;
        return kNull;
    }
    const JsonValue& operator[](size_t index) const {
        static const JsonValue kNull;
        return index < elements.size() ? elements[index] : kNull;
    }
    bool Has(std::string_view key) const {
        for (const auto& member : members)
            if (member.first == key)
                return true;
        return false;
    }
    long long Integer() const { return std::stoll(text); }
};

class JsonReader {
public:
    // nullopt when `text` is not one JSON value (with optional white space around it).
    static std::optional<JsonValue> Parse(std::string_view text) {
        JsonReader reader(text);
        JsonValue value;
        if (!reader.Value(value, 0))
            return std::nullopt;
        reader.Space();
        if (reader.pos_ != text.size())
            return std::nullopt;
        return value;
    }

private:
    explicit JsonReader(std::string_view text) : s_(text) {}

    void Space() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\t' || s_[pos_] == '\r'))
            ++pos_;
    }
    bool Eat(char c) {
        Space();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool Word(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }
    bool Value(JsonValue& out, int depth) {
        if (depth > 64)
            return false;
        Space();
        if (pos_ >= s_.size())
            return false;
        const char c = s_[pos_];
        if (c == '{')
            return Object(out, depth);
        if (c == '[')
            return Array(out, depth);
        if (c == '"') {
            out.kind = JsonValue::Kind::string;
            return String(out.text);
        }
        if (Word("null")) {
            out.kind = JsonValue::Kind::null;
            return true;
        }
        if (Word("true") || Word("false")) {
            out.kind = JsonValue::Kind::boolean;
            out.boolean = s_[pos_ - 1] == 'e' && s_[pos_ - 2] == 'u';
            return true;
        }
        return Number(out);
    }
    bool Number(JsonValue& out) {
        const size_t start = pos_;
        const auto digits = [&] {
            const size_t from = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
            return pos_ > from;
        };
        if (pos_ < s_.size() && s_[pos_] == '-')
            ++pos_;
        if (pos_ < s_.size() && s_[pos_] == '0')
            ++pos_;
        else if (!digits())
            return false;
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            if (!digits())
                return false;
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-'))
                ++pos_;
            if (!digits())
                return false;
        }
        out.kind = JsonValue::Kind::number;
        out.text = std::string(s_.substr(start, pos_ - start));
        return true;
    }
    static void AppendUtf8(std::string& out, uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool Hex4(uint32_t& value) {
        if (pos_ + 4 > s_.size())
            return false;
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = s_[pos_++];
            value <<= 4;
            if (h >= '0' && h <= '9')
                value |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f')
                value |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                value |= static_cast<uint32_t>(h - 'A' + 10);
            else
                return false;
        }
        return true;
    }
    bool String(std::string& out) {
        ++pos_; // the opening quote
        out.clear();
        while (pos_ < s_.size()) {
            const unsigned char c = static_cast<unsigned char>(s_[pos_++]);
            if (c == '"')
                return true;
            if (c < 0x20)
                return false; // control characters must be escaped
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (pos_ >= s_.size())
                return false;
            const char e = s_[pos_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                uint32_t cp = 0;
                if (!Hex4(cp))
                    return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    uint32_t low = 0;
                    if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    return false;
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }
    bool Array(JsonValue& out, int depth) {
        ++pos_;
        out.kind = JsonValue::Kind::array;
        if (Eat(']'))
            return true;
        do {
            JsonValue element;
            if (!Value(element, depth + 1))
                return false;
            out.elements.push_back(std::move(element));
        } while (Eat(','));
        return Eat(']');
    }
    bool Object(JsonValue& out, int depth) {
        ++pos_;
        out.kind = JsonValue::Kind::object;
        if (Eat('}'))
            return true;
        do {
            Space();
            if (pos_ >= s_.size() || s_[pos_] != '"')
                return false;
            std::string key;
            if (!String(key) || !Eat(':'))
                return false;
            JsonValue value;
            if (!Value(value, depth + 1))
                return false;
            out.members.emplace_back(std::move(key), std::move(value));
        } while (Eat(','));
        return Eat('}');
    }

    std::string_view s_;
    size_t pos_ = 0;
};

} // namespace orvane::testing
