#include "host/rights/AdminRights.h"

#include "host/rights/DirectAdminRights.h"
#include "host/rights/PkexecAdminRights.h"

#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace orvane {

namespace {

constexpr const char* kDefaultPkexecPath = "/usr/bin/pkexec";
constexpr const char* kIdTool = "/usr/bin/id";

// Serves when ORVANE_ADMIN names no backend: a mistyped choice must not silently fall back
// to another way of gaining (or not gaining) rights.
class MisconfiguredAdminRights final : public AdminRights {
public:
    void SetValue(const char* value) { value_ = value; }
    OSErr Request(AdminRefusal& refusal) override {
        refusal = {kAdminUnavailableErr,
                   "ORVANE_ADMIN is set to \"" + value_ + "\"; it must be root, pkexec or user."};
        return refusal.status;
    }
    OSErr Run(const ToolArguments&, ToolRun& run, AdminRefusal& refusal,
              std::span<const uint8_t>) override {
        run = ToolRun{};
        return Request(refusal);
    }
    const char* Name() const override { return "misconfigured"; }

private:
    std::string value_;
};

AdminMode gMode = AdminMode::Automatic;
AdminRights* gInstalled = nullptr;
std::string gPkexecPath;

DirectAdminRights gRoot(DirectAdminRights::Kind::Root);
DirectAdminRights gUser(DirectAdminRights::Kind::CurrentUser);
PkexecAdminRights gPkexec;
MisconfiguredAdminRights gMisconfigured;

AdminRights& BackendForMode(AdminMode mode) {
    switch (mode) {
    case AdminMode::Root:
        return gRoot;
    case AdminMode::Pkexec:
        return gPkexec;
    case AdminMode::CurrentUser:
        return gUser;
    case AdminMode::Automatic:
        break;
    }
    const char* chosen = std::getenv("ORVANE_ADMIN");
    if (chosen && chosen[0]) {
        if (std::strcmp(chosen, "root") == 0)
            return gRoot;
        if (std::strcmp(chosen, "pkexec") == 0)
            return gPkexec;
        if (std::strcmp(chosen, "user") == 0)
            return gUser;
        gMisconfigured.SetValue(chosen);
        return gMisconfigured;
    }
    return geteuid() == 0 ? static_cast<AdminRights&>(gRoot) : gPkexec;
}

} // namespace

void SetAdminMode(AdminMode mode) {
    gMode = mode;
}

AdminRights& CurrentAdminRights() {
    if (gInstalled)
        return *gInstalled;
    return BackendForMode(gMode);
}

void SetPkexecPath(const std::string& path) {
    gPkexecPath = path;
}

std::string PkexecPath() {
    if (const char* path = std::getenv("ORVANE_PKEXEC"); path && path[0])
        return path;
    return gPkexecPath.empty() ? kDefaultPkexecPath : gPkexecPath;
}

ScopedAdminRights::ScopedAdminRights(AdminRights& rights) : previous_(gInstalled) {
    gInstalled = &rights;
}

ScopedAdminRights::~ScopedAdminRights() {
    gInstalled = previous_;
}

AdminStepsResult RunWithAdminRights(const std::vector<ToolArguments>& tools) {
    AdminStepsResult result;
    AdminRights& rights = CurrentAdminRights();

    AdminRefusal refusal;
    if (OSErr status = rights.Request(refusal)) {
        result.refusal = refusal;
        result.requestStatus = status;
        return result;
    }

    // Which user the tools really run as, for whoever reads the program's output. Only a
    // refusal here matters (a backend that asks as the tool starts asks now).
    ToolRun run;
    refusal = {};
    OSErr status = rights.Run({kIdTool, "-un"}, run, refusal);
    result.toolOutput += run.outputText + run.errorText;
    if (status != noErr && refusal.status != noErr) {
        result.refusal = refusal;
        result.requestStatus = status;
        return result;
    }

    for (const ToolArguments& tool : tools) {
        refusal = {};
        status = rights.Run(tool, run, refusal);
        result.toolOutput += run.outputText + run.errorText;
        if (status == noErr)
            continue;
        if (refusal.status != noErr) {
            result.refusal = refusal;
            result.requestStatus = status;
        } else {
            result.toolStatus = status;
        }
        break;
    }
    return result;
}

} // namespace orvane
