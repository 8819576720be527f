// A small writer of JSON text for orvanectl's --json output. Objects are written one member
// a line, indented by two spaces; arrays either the same way or, for short rows of numbers,
// on one line. Strings are taken as UTF-8: every quote, backslash and control character is
// escaped, and bytes that are not valid UTF-8 become U+FFFD, so the output always parses.
//
// The caller keeps the structure well formed (a key before each member value, matching
// Begin/End calls); the writer does not check it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    void BeginObject();
    void EndObject();
    // `oneLine`: the elements follow each other on one line (for numbers).
    void BeginArray(bool oneLine = false);
    void EndArray();

    // The name of the next member of the current object.
    void Key(std::string_view utf8);

    void String(std::string_view utf8);
    void Int(int64_t value);
    void Bool(bool value);
    void Null();
    // A number already written as JSON number text (for example "127.5").
    void NumberText(std::string_view text);

private:
    struct Frame {
        bool oneLine;
        bool empty;
    };
    void BeforeValue();
    void NewLine();
    void Close(char bracket);

    std::string& out_;
    std::vector<Frame> frames_;
    bool afterKey_ = false;
};

// `utf8` as a JSON string literal, quotes included.
std::string JsonQuote(std::string_view utf8);

} // namespace orvane
