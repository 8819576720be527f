// The compiler of the application's resource sources: a small line-based text form of
// resources (standing in for the platform's resource compiler) turned into a resource-fork
// image. The source is UTF-8; texts are converted to the target encoding (Mac Roman for the
// application's resource file).
//
// Source form:
//   # a comment, to the end of the line (outside string literals)
//   resource 'STR ' 129 "optional name"    begins a resource: a four-character type in
//                                           single quotes, an ID from -32768 to 32767 and
//                                           an optional name
//       string "Orvane Preferences"        'STR ': the one string (at most 255 bytes)
//   resource 'STR#' 128
//       item 1 "First message"             'STR#': the items, numbered 1, 2, 3 ... in order
//       item 2 "A long message that "
//              "goes on here"              a line of literals only continues the statement
//   resource 'TEXT' 1007
//       text "Any bytes\r"                 other types: converted text, appended as is
//       hex  0001 00FF                     other types: bytes as hexadecimal digit pairs
//
// String literals are double-quoted and may be written next to each other (they are
// joined). Escapes: \n (0x0A), \r (0x0D), \t, \" and \\, and \xNN, which puts the byte NN
// into the result unconverted. Resources get no attribute bits. Errors are reported as
// "file:line: message" and nothing of a source with errors is kept.
#pragma once

#include "host/resources/ResourceForkFormat.h"
#include "host/text/TextEncoding.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orvane {

class ResourceSourceCompiler {
public:
    explicit ResourceSourceCompiler(TextEncoding encoding = kTextEncodingMacRoman)
        : encoding_(encoding) {}

    // Compiles one source file and, when it has no errors, adds its resources to the image.
    // A resource whose type and ID an earlier source (or this one) already defined is an
    // error. Returns false when this source had errors; they are appended to errors().
    bool AddSource(std::string_view text, std::string_view fileName);

    const ResourceForkImage& image() const { return image_; }
    const std::vector<std::string>& errors() const { return errors_; }

private:
    TextEncoding encoding_;
    ResourceForkImage image_;
    std::vector<std::string> errors_;
    std::map<std::pair<ResType, int16_t>, std::string> definedAt_; // "file:line"
};

} // namespace orvane
