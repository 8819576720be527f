#include "cli/JsonWriter.h"

#include <cstdio>

namespace orvane {

namespace {

constexpr std::string_view kReplacement = "\\ufffd";

// The length of the valid UTF-8 sequence at the start of `s`, or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF are not valid).
size_t ValidSequenceLength(std::string_view s) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    const uint8_t lead = byte(0);
    size_t length = 0;
    uint32_t value = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    const uint32_t minimum = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0x80;
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string JsonQuote(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    while (!utf8.empty()) {
        const char c = utf8.front();
        const auto u = static_cast<unsigned char>(c);
        size_t used = 1;
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                out += escaped;
            } else if (u < 0x80) {
                out += c;
            } else if (const size_t length = ValidSequenceLength(utf8); length > 0) {
                out.append(utf8.substr(0, length));
                used = length;
            } else {
                out += kReplacement;
            }
        }
        utf8.remove_prefix(used);
    }
    out += '"';
    return out;
}

void JsonWriter::NewLine() {
    out_ += '\n';
    out_.append(frames_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (frames_.empty())
        return;
    Frame& frame = frames_.back();
    if (!frame.empty)
        out_ += ',';
    frame.empty = false;
    if (frame.oneLine) {
        if (out_.back() != '[')
            out_ += ' ';
    } else {
        NewLine();
    }
}

void JsonWriter::Close(char bracket) {
    const Frame frame = frames_.back();
    frames_.pop_back();
    if (!frame.oneLine && !frame.empty)
        NewLine();
    out_ += bracket;
    if (frames_.empty())
        out_ += '\n';
}

void JsonWriter::BeginObject() {
    BeforeValue();
    out_ += '{';
    frames_.push_back({false, true});
}

void JsonWriter::EndObject() {
    Close('}');
}

void JsonWriter::BeginArray(bool oneLine) {
    BeforeValue();
    out_ += '[';
    frames_.push_back({oneLine, true});
}

void JsonWriter::EndArray() {
    Close(']');
}

void JsonWriter::Key(std::string_view utf8) {
    BeforeValue();
    out_ += JsonQuote(utf8);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    out_ += JsonQuote(utf8);
}

void JsonWriter::Int(int64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
}

void JsonWriter::NumberText(std::string_view text) {
    BeforeValue();
    out_ += text;
}

} // namespace orvane
