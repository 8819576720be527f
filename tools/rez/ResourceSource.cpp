#include "rez/ResourceSource.h"

#include "host/text/TextConverter.h"

#include <cstdio>
#include <optional>

namespace orvane {

namespace {

// The contents of one or more joined string literals: runs of UTF-8 text, which are
// converted, and bytes written as \xNN, which are not.
struct Piece {
    bool raw = false;
    std::string bytes;
};
using Literal = std::vector<Piece>;

struct Token {
    enum Kind { word, string, type } kind = word;
    std::string text;
    Literal literal;
};

// Splits a line into tokens; on a lexical error returns the message.
std::optional<std::string> Tokenize(std::string_view line, std::vector<Token>& tokens) {
    size_t i = 0;
    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Token token{Token::string, {}, {}};
            auto append = [&token](bool raw, char byte) {
                if (token.literal.empty() || token.literal.back().raw != raw)
                    token.literal.push_back(Piece{raw, {}});
                token.literal.back().bytes += byte;
            };
            ++i;
            for (;;) {
                if (i >= line.size())
                    return "string literal not closed on this line";
                const char d = line[i++];
                if (d == '"')
                    break;
                if (d != '\\') {
                    append(false, d);
                    continue;
                }
                if (i >= line.size())
                    return "string literal not closed on this line";
                const char e = line[i++];
                switch (e) {
                case 'n':
                    append(false, '\n');
                    break;
                case 'r':
                    append(false, '\r');
                    break;
                case 't':
                    append(false, '\t');
                    break;
                case '"':
                case '\\':
                    append(false, e);
                    break;
                case 'x': {
                    const int high = i < line.size() ? hexValue(line[i]) : -1;
                    const int low = i + 1 < line.size() ? hexValue(line[i + 1]) : -1;
                    if (high < 0 || low < 0)
                        return "\\x needs two hexadecimal digits";
                    append(true, static_cast<char>(high * 16 + low));
                    i += 2;
                    break;
                }
                default:
                    return std::string("unknown escape \\") + e;
                }
            }
            tokens.push_back(std::move(token));
        } else if (c == '\'') {
            const size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos)
                return "resource type not closed with '";
            Token token{Token::type, std::string(line.substr(i + 1, close - i - 1)), {}};
            if (token.text.size() != 4)
                return "a resource type has exactly four characters, not '" + token.text + "'";
            tokens.push_back(std::move(token));
            i = close + 1;
        } else {
            const size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '"' &&
                   line[i] != '\'' && line[i] != '#')
                ++i;
            tokens.push_back(Token{Token::word, std::string(line.substr(start, i - start)), {}});
        }
    }
    return std::nullopt;
}

std::optional<long> ParseDecimal(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == text.size() || text.size() - i > 6)
        return std::nullopt;
    long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::string TypeText(ResType type) {
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8)
        text += static_cast<char>((type >> shift) & 0xFF);
    return text + "'";
}

const char* EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case kTextEncodingMacRoman:
        return "Mac Roman";
    case kTextEncodingMacJapanese:
        return "Mac Japanese";
    case kTextEncodingISOLatin1:
        return "ISO Latin-1";
    default:
        return "the target encoding";
    }
}

// The first character of `utf8` that does not convert, described for a message.
std::string FirstUnconvertible(std::string_view utf8, TextEncoding encoding) {
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view one = utf8.substr(i, length);
        std::string ignored;
        if (ConvertText(one, kTextEncodingUTF8, kTextEncodingUTF8, ignored) !=
            TextConversionStatus::ok)
            return "invalid UTF-8 in the source";
        if (ConvertText(one, kTextEncodingUTF8, encoding, ignored) != TextConversionStatus::ok)
            return "\"" + std::string(one) + "\" cannot be written in " + EncodingName(encoding);
        i += length;
    }
    return "text cannot be written in " + std::string(EncodingName(encoding));
}

enum class StatementKind { string, item, text, hex };

struct Statement {
    StatementKind kind;
    Literal literal; // for hex: one raw piece
    int line;
};

struct PendingResource {
    ResType type = 0;
    int16_t id = 0;
    bool hasName = false;
    Literal name;
    int line = 0;
    std::vector<Statement> body;
    bool broken = false; // a line of it had an error, so a missing part is no news
};

using DefinitionTable = std::map<std::pair<ResType, int16_t>, std::string>; // -> "file:line"

const ResType kStringType = MakeFourCC("STR ");
const ResType kStringListType = MakeFourCC("STR#");

class FileCompiler {
public:
    FileCompiler(TextEncoding encoding, std::string_view fileName,
                 const DefinitionTable& definedBefore)
        : encoding_(encoding), fileName_(fileName), definedBefore_(definedBefore) {}

    void Compile(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF"))
            text.remove_prefix(3);
        int lineNumber = 0;
        for (size_t start = 0; start < text.size();) {
            ++lineNumber;
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (line.ends_with('\r'))
                line.remove_suffix(1);
            CompileLine(line, lineNumber);
            start = end + 1;
        }
        Finish();
    }

    std::vector<std::string> errors;
    std::vector<ResourceEntry> entries;
    DefinitionTable defined;

private:
    void Error(int line, const std::string& message) {
        if (current_)
            current_->broken = true;
        errors.push_back(fileName_ + ":" + std::to_string(line) + ": " + message);
    }

    void CompileLine(std::string_view line, int lineNumber) {
        std::vector<Token> tokens;
        if (std::optional<std::string> error = Tokenize(line, tokens)) {
            Error(lineNumber, *error);
            continueable_ = false;
            return;
        }
        if (tokens.empty())
            return;
        const Token& first = tokens.front();
        if (first.kind == Token::string) {
            Continuation(tokens, lineNumber);
            return;
        }
        continueable_ = false;
        if (first.kind != Token::word) {
            Error(lineNumber, "a line begins with a keyword: resource, string, item, text or hex");
            return;
        }
        if (first.text == "resource")
            BeginResource(tokens, lineNumber);
        else if (first.text == "string" || first.text == "item" || first.text == "text" ||
                 first.text == "hex")
            BodyStatement(tokens, lineNumber);
        else
            Error(lineNumber, "unknown keyword \"" + first.text + "\"");
    }

    // Joins the string literals from tokens[from] on; false when something else is there.
    static bool JoinLiterals(const std::vector<Token>& tokens, size_t from, Literal& into) {
        for (size_t i = from; i < tokens.size(); ++i) {
            if (tokens[i].kind != Token::string)
                return false;
            into.insert(into.end(), tokens[i].literal.begin(), tokens[i].literal.end());
        }
        return true;
    }

    void Continuation(const std::vector<Token>& tokens, int lineNumber) {
        if (!current_ && skippingBody_)
            return;
        if (!current_ || !continueable_ || current_->body.empty()) {
            Error(lineNumber, "text outside a string, item or text statement");
            return;
        }
        if (!JoinLiterals(tokens, 0, current_->body.back().literal))
            Error(lineNumber, "a continuation line holds only string literals");
    }

    void BeginResource(const std::vector<Token>& tokens, int lineNumber) {
        Finish();
        skippingBody_ = true;
        if (tokens.size() < 3 || tokens[1].kind != Token::type || tokens[2].kind != Token::word) {
            Error(lineNumber, "expected: resource 'TYPE' ID [\"name\"]");
            return;
        }
        const std::optional<long> id = ParseDecimal(tokens[2].text);
        if (!id || *id < -32768 || *id > 32767) {
            Error(lineNumber, "resource ID \"" + tokens[2].text +
                                  "\" is not a whole number from -32768 to 32767");
            return;
        }
        PendingResource resource;
        const std::string& type = tokens[1].text;
        resource.type = MakeFourCC({type[0], type[1], type[2], type[3], '\0'});
        resource.id = static_cast<int16_t>(*id);
        resource.line = lineNumber;
        if (tokens.size() > 3) {
            resource.hasName = true;
            if (!JoinLiterals(tokens, 3, resource.name)) {
                Error(lineNumber, "after the ID only a quoted name may follow");
                return;
            }
        }
        current_ = std::move(resource);
        skippingBody_ = false;
    }

    void BodyStatement(const std::vector<Token>& tokens, int lineNumber) {
        const std::string& keyword = tokens.front().text;
        if (!current_) {
            // After a resource line with an error its body is skipped without more messages.
            if (!skippingBody_)
                Error(lineNumber, "\"" + keyword + "\" before the first resource line");
            return;
        }
        const ResType type = current_->type;
        const std::string where = TypeText(type) + " " + std::to_string(current_->id);
        Statement statement{StatementKind::text, {}, lineNumber};

        if (keyword == "string") {
            if (type != kStringType) {
                Error(lineNumber, "\"string\" belongs in 'STR ' resources, not in " + where);
                return;
            }
            if (!current_->body.empty()) {
                Error(lineNumber, where + " already has its string");
                return;
            }
            statement.kind = StatementKind::string;
            if (tokens.size() < 2 || !JoinLiterals(tokens, 1, statement.literal)) {
                Error(lineNumber, "expected: string \"text\"");
                return;
            }
        } else if (keyword == "item") {
            if (type != kStringListType) {
                Error(lineNumber, "\"item\" belongs in 'STR#' resources, not in " + where);
                return;
            }
            statement.kind = StatementKind::item;
            const size_t expected = current_->body.size() + 1;
            if (tokens.size() < 3 || tokens[1].kind != Token::word ||
                !JoinLiterals(tokens, 2, statement.literal)) {
                Error(lineNumber, "expected: item " + std::to_string(expected) + " \"text\"");
                return;
            }
            const std::optional<long> number = ParseDecimal(tokens[1].text);
            if (!number || *number != static_cast<long>(expected)) {
                Error(lineNumber, "item \"" + tokens[1].text + "\" of " + where +
                                      " out of order: the next item is " +
                                      std::to_string(expected));
                return;
            }
        } else {
            if (type == kStringType || type == kStringListType) {
                Error(lineNumber, "\"" + keyword + "\" is not used in " + where +
                                      "; write its text with " +
                                      (type == kStringType ? "string" : "item"));
                return;
            }
            if (keyword == "text") {
                statement.kind = StatementKind::text;
                if (tokens.size() < 2 || !JoinLiterals(tokens, 1, statement.literal)) {
                    Error(lineNumber, "expected: text \"text\"");
                    return;
                }
            } else {
                statement.kind = StatementKind::hex;
                Piece bytes{true, {}};
                for (size_t i = 1; i < tokens.size(); ++i) {
                    const std::string& digits = tokens[i].text;
                    if (tokens[i].kind != Token::word || digits.size() % 2 != 0 ||
                        digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                        Error(lineNumber,
                              "hex takes pairs of hexadecimal digits, not \"" + digits + "\"");
                        return;
                    }
                    for (size_t j = 0; j < digits.size(); j += 2)
                        bytes.bytes +=
                            static_cast<char>(std::stoi(digits.substr(j, 2), nullptr, 16));
                }
                statement.literal.push_back(std::move(bytes));
            }
        }
        continueable_ = statement.kind != StatementKind::hex;
        current_->body.push_back(std::move(statement));
    }

    // The literal's bytes in the target encoding; nothing (and an error) when a character
    // cannot be written.
    std::optional<std::string> Convert(const Literal& literal, int line) {
        std::string out;
        for (const Piece& piece : literal) {
            if (piece.raw) {
                out += piece.bytes;
                continue;
            }
            std::string converted;
            if (ConvertText(piece.bytes, kTextEncodingUTF8, encoding_, converted) !=
                TextConversionStatus::ok) {
                Error(line, FirstUnconvertible(piece.bytes, encoding_));
                return std::nullopt;
            }
            out += converted;
        }
        return out;
    }

    // A P-string's bytes; nothing (and an error) when the text is over 255 bytes.
    std::optional<std::string> PStringBytes(const Literal& literal, int line,
                                            const std::string& what) {
        std::optional<std::string> text = Convert(literal, line);
        if (!text)
            return std::nullopt;
        if (text->size() > 255) {
            Error(line,
                  what + " is " + std::to_string(text->size()) + " bytes long; at most 255 fit");
            return std::nullopt;
        }
        return static_cast<char>(text->size()) + *text;
    }

    void Finish() {
        if (!current_)
            return;
        PendingResource resource = std::move(*current_);
        current_.reset();
        continueable_ = false;
        const std::string where = TypeText(resource.type) + " " + std::to_string(resource.id);
        const auto key = std::make_pair(resource.type, resource.id);
        const std::string here = fileName_ + ":" + std::to_string(resource.line);
        for (const DefinitionTable* table : {&definedBefore_, &std::as_const(defined)}) {
            if (auto found = table->find(key); found != table->end()) {
                Error(resource.line, where + " is already defined at " + found->second);
                return;
            }
        }
        defined[key] = here;

        ResourceEntry entry;
        entry.type = resource.type;
        entry.id = resource.id;
        bool ok = true;
        if (resource.hasName) {
            std::optional<std::string> name =
                PStringBytes(resource.name, resource.line, "the name");
            ok = name.has_value();
            if (name) {
                entry.hasName = true;
                entry.name = name->substr(1);
            }
        }
        std::string data;
        if (resource.type == kStringType) {
            if (resource.body.empty()) {
                if (!resource.broken)
                    Error(resource.line, where + " has no string");
                return;
            }
            std::optional<std::string> text =
                PStringBytes(resource.body[0].literal, resource.body[0].line, "the string");
            ok = ok && text.has_value();
            if (text)
                data = *text;
        } else if (resource.type == kStringListType) {
            const size_t count = resource.body.size();
            data += static_cast<char>(count >> 8);
            data += static_cast<char>(count & 0xFF);
            for (size_t i = 0; i < count; ++i) {
                std::optional<std::string> item =
                    PStringBytes(resource.body[i].literal, resource.body[i].line,
                                 "item " + std::to_string(i + 1));
                ok = ok && item.has_value();
                if (item)
                    data += *item;
            }
        } else {
            for (const Statement& statement : resource.body) {
                std::optional<std::string> bytes = Convert(statement.literal, statement.line);
                ok = ok && bytes.has_value();
                if (bytes)
                    data += *bytes;
            }
        }
        if (!ok)
            return;
        entry.data.assign(data.begin(), data.end());
        entries.push_back(std::move(entry));
    }

    TextEncoding encoding_;
    std::string fileName_;
    const DefinitionTable& definedBefore_;
    std::optional<PendingResource> current_;
    bool continueable_ = false; // the last statement takes continuation lines
    bool skippingBody_ = false; // the current resource line had an error
};

} // namespace

bool ResourceSourceCompiler::AddSource(std::string_view text, std::string_view fileName) {
    FileCompiler file(encoding_, fileName, definedAt_);
    file.Compile(text);
    if (!file.errors.empty()) {
        errors_.insert(errors_.end(), file.errors.begin(), file.errors.end());
        return false;
    }
    image_.entries.insert(image_.entries.end(), file.entries.begin(), file.entries.end());
    definedAt_.insert(file.defined.begin(), file.defined.end());
    return true;
}

} // namespace orvane
