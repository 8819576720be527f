// A small strict JSON reader, so that the tests read orvanectl's --json output back the way
// a script would. Numbers keep their text; strings are decoded to UTF-8 (\u escapes
// included, surrogate pairs joined). Anything that is not JSON fails the parse.
#pragma once

#include <optional>
#include <regex>
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
    // The member or element asked for; a null value when there is none.
    const JsonValue& operator[](std::string_view key) const {
        for (const auto& [name, value] : members)
            if (name == key)
                return value;
        return Null();
    }
    const JsonValue& operator[](size_t index) const {
        return index < elements.size() ? elements[index] : Null();
    }
    bool Has(std::string_view key) const { return &(*this)[key] != &Null(); }
    long long Integer() const { return std::stoll(text); }
    static const JsonValue& Null() {
        static const JsonValue kNull;
        return kNull;
    }
};

class JsonReader {
public:
    // nullopt when `text` is not one JSON value (with optional white space around it).
    static std::optional<JsonValue> Parse(std::string_view text) {
        JsonReader reader(text);
        JsonValue value;
        if (!reader.Value(value, 0) || (reader.Space(), reader.pos_ != text.size()))
            return std::nullopt;
        return value;
    }

private:
    explicit JsonReader(std::string_view text) : s_(text) {}

    void Space() {
        while (pos_ < s_.size() &&
               std::string_view(" \n\t\r").find(s_[pos_]) != std::string_view::npos)
            ++pos_;
    }
    bool Eat(char c) {
        Space();
        return pos_ < s_.size() && s_[pos_] == c && ++pos_;
    }
    bool Word(std::string_view word) {
        return s_.substr(pos_, word.size()) == word && (pos_ += word.size());
    }
    bool Value(JsonValue& out, int depth) {
        Space();
        if (depth > 64 || pos_ >= s_.size())
            return false;
        if (s_[pos_] == '{' || s_[pos_] == '[')
            return Container(out, depth, s_[pos_++] == '{');
        if (Eat('"')) {
            out.kind = JsonValue::Kind::string;
            return String(out.text);
        }
        if (Word("null"))
            return true;
        if (Word("true") || Word("false")) {
            out.kind = JsonValue::Kind::boolean;
            out.boolean = s_[pos_ - 2] == 'u';
            return true;
        }
        static const std::regex number(R"(^-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?)");
        std::match_results<std::string_view::const_iterator> m;
        if (!std::regex_search(s_.begin() + pos_, s_.end(), m, number))
            return false;
        out.kind = JsonValue::Kind::number;
        out.text = m.str();
        pos_ += out.text.size();
        return true;
    }
    bool Hex4(uint32_t& value) {
        if (pos_ + 4 > s_.size())
            return false;
        const std::string digits(s_.substr(pos_, 4));
        pos_ += 4;
        if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return false;
        value = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
        return true;
    }
    static void AppendUtf8(std::string& out, uint32_t cp) {
        const int extra = cp < 0x80 ? 0 : cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
        static const unsigned char lead[] = {0x00, 0xC0, 0xE0, 0xF0};
        out += static_cast<char>(lead[extra] | (cp >> (6 * extra)));
        for (int i = extra - 1; i >= 0; --i)
            out += static_cast<char>(0x80 | ((cp >> (6 * i)) & 0x3F));
    }
    bool String(std::string& out) {
        static constexpr std::string_view escapes = "\"\\/bfnrt", meanings = "\"\\/\b\f\n\r\t";
        while (pos_ < s_.size()) {
            const unsigned char c = static_cast<unsigned char>(s_[pos_++]);
            if (c == '"')
                return true;
            if (c < 0x20 || (c == '\\' && pos_ >= s_.size()))
                return false; // control characters must be escaped
            if (c != '\\') {
                out += static_cast<char>(c);
            } else if (const size_t e = escapes.find(s_[pos_++]); e != std::string_view::npos) {
                out += meanings[e];
            } else if (s_[pos_ - 1] != 'u') {
                return false;
            } else {
                uint32_t cp = 0, low = 0;
                if (!Hex4(cp) || (cp >= 0xDC00 && cp <= 0xDFFF))
                    return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
                        return false;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, cp);
            }
        }
        return false;
    }
    bool Container(JsonValue& out, int depth, bool object) {
        out.kind = object ? JsonValue::Kind::object : JsonValue::Kind::array;
        if (Eat(object ? '}' : ']'))
            return true;
        do {
            JsonValue value;
            std::string key;
            if (object && (!Eat('"') || !String(key) || !Eat(':')))
                return false;
            if (!Value(value, depth + 1))
                return false;
            if (object)
                out.members.emplace_back(std::move(key), std::move(value));
            else
                out.elements.push_back(std::move(value));
        } while (Eat(','));
        return Eat(object ? '}' : ']');
    }

    std::string_view s_;
    size_t pos_ = 0;
};

} // namespace orvane::testing
