#include "host/text/TextConverter.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace orvane {

namespace {

// One iconv descriptor, closed on every path.
class IconvHandle {
public:
    IconvHandle(TextEncoding from, TextEncoding to) {
        const char* fromName = IconvCharsetName(from);
        const char* toName = IconvCharsetName(to);
        if (fromName && toName)
            cd_ = iconv_open(toName, fromName);
    }
    ~IconvHandle() {
        if (valid())
            iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
};

TextConversionStatus StatusForErrno(int error) {
    switch (error) {
    case E2BIG:
        return TextConversionStatus::tooLong;
    case EINVAL:
        return TextConversionStatus::incomplete;
    default: // EILSEQ and anything unexpected
        return TextConversionStatus::unmappable;
    }
}

// Runs the conversion of the whole input plus the final flush into [output, output + size).
// A positive return of iconv() counts irreversible conversions; none are accepted.
TextConversionStatus Run(iconv_t cd, std::string_view input, char* output, size_t size,
                         size_t* produced) {
    char* in = const_cast<char*>(input.data()); // iconv's signature; it does not write
    size_t inLeft = input.size();
    char* out = output;
    size_t outLeft = size;
    size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
    if (result == static_cast<size_t>(-1))
        return StatusForErrno(errno);
    if (result != 0 || inLeft != 0)
        return TextConversionStatus::unmappable;
    result = iconv(cd, nullptr, nullptr, &out, &outLeft);
    if (result == static_cast<size_t>(-1))
        return StatusForErrno(errno);
    *produced = size - outLeft;
    return TextConversionStatus::ok;
}

} // namespace

TextConversionStatus ConvertTextInto(std::string_view input, TextEncoding from, TextEncoding to,
                                     char* output, size_t outputSize, size_t* written) {
    IconvHandle cd(from, to);
    if (!cd.valid())
        return TextConversionStatus::unsupportedEncoding;
    size_t produced = 0;
    const TextConversionStatus status = Run(cd.get(), input, output, outputSize, &produced);
    if (status == TextConversionStatus::ok)
        *written = produced;
    return status;
}

TextConversionStatus ConvertText(std::string_view input, TextEncoding from, TextEncoding to,
                                 std::string& output, size_t maxOutputBytes) {
    IconvHandle cd(from, to);
    if (!cd.valid())
        return TextConversionStatus::unsupportedEncoding;

    // Four bytes per input byte covers every pair of the supported encodings; the loop only
    // matters if a future encoding expands further.
    size_t capacity = std::min(maxOutputBytes, input.size() * 4 + 4);
    std::string buffer;
    for (;;) {
        buffer.assign(capacity, '\0');
        size_t produced = 0;
        const TextConversionStatus status =
            Run(cd.get(), input, buffer.data(), buffer.size(), &produced);
        if (status == TextConversionStatus::ok) {
            buffer.resize(produced);
            output = std::move(buffer);
            return status;
        }
        if (status != TextConversionStatus::tooLong || capacity >= maxOutputBytes)
            return status;
        capacity = capacity > maxOutputBytes / 2 ? maxOutputBytes : capacity * 2;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr); // back to the initial state
    }
}

} // namespace orvane
