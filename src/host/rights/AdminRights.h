// Administrator rights: the one place where the program asks the user for the right to run
// a system tool as the administrator, and runs it so.
//
// A request lives for one operation: `Request` asks once, then `Run` runs each tool under
// what was granted. Some backends can only tell a refusal when they run a tool (polkit asks
// as the tool starts), so `Run` may report a refusal too; once a request has been refused,
// its later runs are refused without asking again.
//
// Backends (see the files beside this one): already root, pkexec, the current user (chosen
// explicitly; grants no privilege), and a scripted one for tests.
#pragma once

#include "base/Types.h"
#include "host/rights/ToolRunner.h"

#include <string>

namespace orvane {

// Why a request was refused, for the front ends to show: the status and a sentence
// saying what happened and what the user can do. Empty message for a plain "no".
struct AdminRefusal {
    OSErr status = noErr;
    std::string message;
};

class AdminRights {
public:
    virtual ~AdminRights() = default;

    // Asks for administrator rights for the runs that follow. noErr when granted; otherwise
    // userCanceledErr or kAdminUnavailableErr, with `refusal` filled.
    virtual OSErr Request(AdminRefusal& refusal) = 0;

    // Runs one tool with the rights granted. noErr when it ran (its ending is in `run`); the
    // tool's start status (see RunTool) when it could not start; userCanceledErr or
    // kAdminUnavailableErr when the rights were refused at this point, and then (only then)
    // `refusal` is filled, which tells a refusal from a start failure of the same status.
    virtual OSErr Run(const ToolArguments& argv, ToolRun& run, AdminRefusal& refusal,
                      std::span<const uint8_t> input = {}) = 0;

    // A short name for diagnostics ("root", "pkexec", "user", "scripted").
    virtual const char* Name() const = 0;
};

// How the backend is chosen.
enum class AdminMode {
    Automatic,   // ORVANE_ADMIN, else root when the effective user is root, else pkexec
    Root,        // the program already runs as root
    Pkexec,      // polkit's pkexec asks for the password
    CurrentUser, // tools run as the user, no question, no privilege
};

// The front ends' option; overrides the environment. Automatic restores the default.
void SetAdminMode(AdminMode mode);

// The backend in force: an installed test backend, else the mode set above, else
// ORVANE_ADMIN ("root", "pkexec" or "user"; read on every call). An unknown ORVANE_ADMIN
// value selects a backend that refuses every request and says why.
AdminRights& CurrentAdminRights();

// pkexec's location: ORVANE_PKEXEC when set, else the setter's value, else /usr/bin/pkexec.
// An empty string restores the default.
void SetPkexecPath(const std::string& path);
std::string PkexecPath();

// Test seam: while alive, `rights` serves every request in place of the chosen backend.
class ScopedAdminRights {
public:
    explicit ScopedAdminRights(AdminRights& rights);
    ~ScopedAdminRights();
    ScopedAdminRights(const ScopedAdminRights&) = delete;
    ScopedAdminRights& operator=(const ScopedAdminRights&) = delete;

private:
    AdminRights* previous_;
};

// The outcome of the privileged steps.
struct AdminStepsResult {
    OSErr requestStatus = noErr; // noErr when the rights were granted
    OSErr toolStatus = noErr;    // noErr when every tool started, else the first failure's
    std::string toolOutput;      // what the tools wrote, in order (the start of each output)
    AdminRefusal refusal;        // this request's refusal, when it was refused
};

// The privileged steps every caller takes, in this order: request the rights; ask for the
// effective user ("/usr/bin/id" "-un", its failure ignored; a backend that asks as a tool
// starts asks now); run each tool in order, stopping at the first that cannot start. A
// refusal at any step ends the steps and goes into the result. The tools' own exit
// statuses are not judged here; what they wrote is in
// `toolOutput`, for the caller to show when something went wrong.
AdminStepsResult RunWithAdminRights(const std::vector<ToolArguments>& tools);

} // namespace orvane
