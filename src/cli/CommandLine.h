// orvanectl's command line: the global options, one command and its arguments, read into
// a plain record before anything is loaded. The grammar (also in `orvanectl --help`):
//
//   orvanectl [--os-level N] [--json] [--admin MODE] COMMAND [ARGS]
//
// Options may come before or after the command; "--" ends the options, so that a setting
// whose name begins with "-" can be named. Each command accepts only its own options.
#pragma once

#include "tone/ToneRecords.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

enum class CliCommand {
    help,
    version,
    list,
    choose,
    add,
    remove, // "delete"
    duplicate,
    rename,
    toPPD,
    fromPPD,
    table,
};

// How administrator rights are obtained (--admin); mirrors ORVANE_ADMIN.
enum class CliAdmin { fromEnvironment, user, pkexec, root };

struct CliArguments {
    CliCommand command = CliCommand::help;
    int osLevel = -1; // -1: not given (ORVANE_OS_LEVEL or the default decides)
    bool json = false;
    CliAdmin admin = CliAdmin::fromEnvironment;
    bool ppd = false;     // --ppd: the PPD's list rather than the registered list
    bool replace = false; // --replace: answer the replace question with yes
    // The command's operands: NAME [NEW], or PPD_PATH. UTF-8, as given.
    std::vector<std::string> operands;
    // CURVES of add: --all, or any of --cyan, --magenta, --yellow, --black (by Ink).
    std::optional<std::string> allCurve;
    std::array<std::optional<std::string>, kInkCount> inkCurves;
};

// Reads argv[1 ...]. An empty result means success; otherwise the result is the reason the
// command line was not understood (one English sentence, for standard error).
std::string ParseCliArguments(int argc, const char* const* argv, CliArguments& out);

// The name of a command as typed ("delete" for CliCommand::remove).
const char* CliCommandName(CliCommand command);

// The text of `orvanectl --help`.
const char* CliUsageText();

} // namespace orvane
