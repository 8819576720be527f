// Resource source compiler: any input either is refused with at least one error, or gives
// an image that lays out as a resource file and reads back identical.
#include "host/resources/ResourceForkFormat.h"
#include "rez/ResourceSource.h"

#include <cstdlib>
#include <string_view>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResourceSourceCompiler compiler;
    const bool ok =
        compiler.AddSource(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
    if (ok != compiler.errors().empty())
        std::abort();
    if (!ok)
        return 0;
    std::vector<uint8_t> fork;
    if (SerializeResourceFork(compiler.image(), fork) != noErr)
        return 0; // only layout limits (sizes past the format's offsets) land here
    ResourceForkImage back;
    if (ParseResourceFork(fork, back) != noErr ||
        back.entries.size() != compiler.image().entries.size())
        std::abort();
    return 0;
}
