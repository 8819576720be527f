// The folder catalogue ($XDG_CONFIG_HOME/orvane-folder-ids) as the program reads it back:
// any bytes give entries with assigned IDs (each once) and absolute paths without NUL, and
// the text written for those entries reads back as the same entries.
#include "FuzzSupport.h"

#include "host/files/HostPaths.h"

#include <map>

using namespace orvane;

using fuzz::Broken;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto entries = ParseFolderCatalogue({data, size});
    std::map<int32_t, std::string> byID;
    for (const auto& [id, path] : entries) {
        if (id < 100)
            Broken("an ID of the reserved range");
        if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos)
            Broken("a path that is not absolute or holds NUL");
        if (!byID.emplace(id, path).second)
            Broken("an ID given twice");
    }
    const std::string text = FormatFolderCatalogue(byID);
    const auto again =
        ParseFolderCatalogue({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    if (std::map<int32_t, std::string>(again.begin(), again.end()) != byID ||
        again.size() != byID.size())
        Broken("the written catalogue reads back differently");
    return 0;
}
