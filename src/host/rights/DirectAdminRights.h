// The backends that run tools directly, without asking anybody: the program already runs
// as root, or the user chose to run the tools as themself (they then change only what the
// user may change, such as files the user owns).
#pragma once

#include "host/rights/AdminRights.h"

namespace orvane {

class DirectAdminRights final : public AdminRights {
public:
    enum class Kind { Root, CurrentUser };
    explicit DirectAdminRights(Kind kind) : kind_(kind) {}

    // Root: granted when the effective user is root, else kAdminUnavailableErr (the choice
    // promised a privilege the program does not have). CurrentUser: always granted.
    OSErr Request(AdminRefusal& refusal) override;
    OSErr Run(const ToolArguments& argv, ToolRun& run, AdminRefusal& refusal,
              std::span<const uint8_t> input = {}) override;
    const char* Name() const override { return kind_ == Kind::Root ? "root" : "user"; }

private:
    Kind kind_;
};

} // namespace orvane
