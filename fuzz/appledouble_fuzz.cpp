// AppleDouble parser: any input either is refused or parses into an image that is written
// again and reads back identical.
#include "host/resources/AppleDouble.h"

#include <cstdlib>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AppleDoubleImage image;
    if (ParseAppleDouble({data, size}, image) != noErr)
        return 0;
    AppleDoubleImage back;
    if (ParseAppleDouble(SerializeAppleDouble(image), back) != noErr || !(back == image))
        std::abort();
    return 0;
}
