#include "host/rights/DirectAdminRights.h"

#include <unistd.h>

namespace orvane {

OSErr DirectAdminRights::Request(AdminRefusal& refusal) {
    if (kind_ == Kind::Root && geteuid() != 0) {
        refusal = {kAdminUnavailableErr,
                   "Administrator rights were set to be already held (ORVANE_ADMIN=root), but "
                   "the program is not running as root. Run it as root, or choose pkexec."};
        return refusal.status;
    }
    return noErr;
}

OSErr DirectAdminRights::Run(const ToolArguments& argv, ToolRun& run, AdminRefusal&,
                             std::span<const uint8_t> input) {
    return RunTool(argv, run, input);
}

} // namespace orvane
