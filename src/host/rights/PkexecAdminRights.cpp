#include "host/rights/PkexecAdminRights.h"

#include <unistd.h>

namespace orvane {

namespace {

// pkexec's own exit statuses, distinct from the tool's.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;
// What pkexec writes when nobody can be asked for the password (not translated).
constexpr const char* kNoAgentText = "No authentication agent found";

bool IsExecutable(const std::string& path) {
    return !path.empty() && access(path.c_str(), X_OK) == 0;
}

} // namespace

OSErr PkexecAdminRights::Request(AdminRefusal& refusal) {
    refused_ = {};
    std::string pkexec = PkexecPath();
    if (!IsExecutable(pkexec)) {
        refusal = {kAdminUnavailableErr,
                   "Administrator rights cannot be requested: pkexec was not found at " + pkexec +
                       ". Install pkexec (polkit), or run the program as root."};
        return refusal.status;
    }
    return noErr;
}

OSErr PkexecAdminRights::Run(const ToolArguments& argv, ToolRun& run, AdminRefusal& refusal,
                             std::span<const uint8_t> input) {
    run = ToolRun{};
    if (refused_.status != noErr) {
        refusal = refused_;
        return refusal.status;
    }
    if (argv.empty() || argv[0].empty() || argv[0][0] != '/')
        return paramErr;
    // pkexec would report a missing tool as a refusal; tell it apart before anyone is asked.
    if (!IsExecutable(argv[0]))
        return fnfErr;

    ToolArguments withPkexec;
    withPkexec.reserve(argv.size() + 1);
    withPkexec.push_back(PkexecPath());
    withPkexec.insert(withPkexec.end(), argv.begin(), argv.end());
    if (OSErr status = RunTool(withPkexec, run, input))
        return status;

    if (run.signal != 0 ||
        (run.exitCode != kPkexecDismissed && run.exitCode != kPkexecNotAuthorized))
        return noErr;
    if (run.exitCode == kPkexecNotAuthorized &&
        run.errorText.find(kNoAgentText) != std::string::npos) {
        refused_ = {kAdminUnavailableErr,
                    "Administrator rights cannot be requested: no polkit authentication agent "
                    "is running to ask for the password. Start the program from a desktop "
                    "session or a terminal, or run it as root."};
    } else if (run.exitCode == kPkexecDismissed) {
        refused_ = {userCanceledErr, "The request for administrator rights was dismissed."};
    } else {
        refused_ = {userCanceledErr, "Administrator rights were not granted."};
    }
    refusal = refused_;
    return refusal.status;
}

} // namespace orvane
