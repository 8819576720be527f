// Administrator rights through polkit: each tool runs as "pkexec <tool> <arguments...>" and
// polkit's authentication agent asks for the password. pkexec ends with 126 when the user
// dismissed the question and 127 when the rights were not granted (or could not be asked
// for: then it says "No authentication agent found." on standard error).
#pragma once

#include "host/rights/AdminRights.h"

namespace orvane {

class PkexecAdminRights final : public AdminRights {
public:
    // Granted when pkexec exists and is executable; the password is asked for by the runs.
    // A missing pkexec gives kAdminUnavailableErr. Starts a new request: a refusal of the
    // previous one is forgotten.
    OSErr Request(AdminRefusal& refusal) override;
    // A tool that cannot be executed gives its start status without asking. pkexec's 126
    // gives userCanceledErr; 127 gives userCanceledErr, or kAdminUnavailableErr when no
    // agent could ask. After a refusal, further runs of the same request are refused
    // without starting anything.
    OSErr Run(const ToolArguments& argv, ToolRun& run, AdminRefusal& refusal,
              std::span<const uint8_t> input = {}) override;
    const char* Name() const override { return "pkexec"; }

private:
    AdminRefusal refused_;
};

} // namespace orvane
