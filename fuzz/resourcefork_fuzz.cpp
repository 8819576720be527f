// Resource-fork parser: any input either is refused or parses into an image that the
// writer lays out again and that reads back identical.
#include "host/resources/ResourceForkFormat.h"

#include <cstdlib>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResourceForkImage image;
    if (ParseResourceFork({data, size}, image) != noErr)
        return 0;
    std::vector<uint8_t> written;
    // A valid fork may place its map so that this writer's layout overruns the 16-bit map
    // offsets (for example a name list ahead of a long reference area); that is refused,
    // never written wrong.
    const OSErr err = SerializeResourceFork(image, written);
    if (err == paramErr)
        return 0;
    ResourceForkImage back;
    if (err != noErr || ParseResourceFork(written, back) != noErr || !(back == image))
        std::abort();
    return 0;
}
