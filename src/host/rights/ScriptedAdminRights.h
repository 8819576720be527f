// A backend for tests: grants or refuses as told and records every argument vector it is
// asked to run. By default it runs nothing (each run "succeeds" with exit status 0); told
// so, it runs the tools as the current user.
#pragma once

#include "host/rights/AdminRights.h"

#include <cstdint>
#include <map>
#include <vector>

namespace orvane {

class ScriptedAdminRights final : public AdminRights {
public:
    // Every later request is refused with `status` (noErr grants again).
    void SetRequestResult(OSErr status, std::string message = {});
    // Runs of this tool path are refused from the `runIndex`-th run of a request on (0 is
    // the first), as polkit refuses when a tool starts.
    void RefuseAtRun(size_t runIndex, OSErr status, std::string message = {});
    // Runs of this tool path fail to start with `status`.
    void FailToStart(const std::string& tool, OSErr status);
    // Runs the tools for real, as the current user.
    void SetRunsTools(bool runsTools) { runsTools_ = runsTools; }

    OSErr Request(AdminRefusal& refusal) override;
    OSErr Run(const ToolArguments& argv, ToolRun& run, AdminRefusal& refusal,
              std::span<const uint8_t> input = {}) override;
    const char* Name() const override { return "scripted"; }

    int requests() const { return requests_; }
    // Every vector asked for, in order, including refused ones.
    const std::vector<ToolArguments>& runs() const { return runs_; }
    // The standard input each run was given, in the same order.
    const std::vector<std::vector<uint8_t>>& inputs() const { return inputs_; }

private:
    AdminRefusal requestResult_;
    AdminRefusal runRefusal_;
    size_t refuseFromRun_ = SIZE_MAX;
    size_t runsInRequest_ = 0;
    std::map<std::string, OSErr> startFailures_;
    bool runsTools_ = false;
    int requests_ = 0;
    std::vector<ToolArguments> runs_;
    std::vector<std::vector<uint8_t>> inputs_;
};

} // namespace orvane
