#include "host/rights/ScriptedAdminRights.h"

#include <utility>

namespace orvane {

void ScriptedAdminRights::SetRequestResult(OSErr status, std::string message) {
    requestResult_ = {status, std::move(message)};
}

void ScriptedAdminRights::RefuseAtRun(size_t runIndex, OSErr status, std::string message) {
    refuseFromRun_ = runIndex;
    runRefusal_ = {status, std::move(message)};
}

void ScriptedAdminRights::FailToStart(const std::string& tool, OSErr status) {
    startFailures_[tool] = status;
}

OSErr ScriptedAdminRights::Request(AdminRefusal& refusal) {
    ++requests_;
    runsInRequest_ = 0;
    if (requestResult_.status != noErr) {
        refusal = requestResult_;
        return refusal.status;
    }
    return noErr;
}

OSErr ScriptedAdminRights::Run(const ToolArguments& argv, ToolRun& run, AdminRefusal& refusal,
                               std::span<const uint8_t> input) {
    run = ToolRun{};
    runs_.push_back(argv);
    inputs_.emplace_back(input.begin(), input.end());
    if (runsInRequest_++ >= refuseFromRun_) {
        refusal = runRefusal_;
        return refusal.status;
    }
    if (!argv.empty()) {
        if (auto failure = startFailures_.find(argv[0]); failure != startFailures_.end())
            return failure->second;
    }
    if (runsTools_)
        return RunTool(argv, run, input);
    run.exitCode = 0;
    return noErr;
}

} // namespace orvane
