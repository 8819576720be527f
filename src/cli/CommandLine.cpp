#include "cli/CommandLine.h"

#include <cstring>
#include <string_view>

namespace orvane {

namespace {

struct CommandInfo {
    CliCommand command;
    const char* name;
    size_t operands;
    const char* operandNames; // for the message when they are missing
    bool takesPPD;
    bool takesReplace;
    bool takesCurves;
};

constexpr CommandInfo kCommands[] = {
    {CliCommand::help, "help", 0, "", false, false, false},
    {CliCommand::list, "list", 0, "", false, false, false},
    {CliCommand::choose, "choose", 1, "PPD_PATH", false, false, false},
    {CliCommand::add, "add", 1, "NAME", false, true, true},
    {CliCommand::remove, "delete", 1, "NAME", true, false, false},
    {CliCommand::duplicate, "duplicate", 2, "NAME and NEW", true, true, false},
    {CliCommand::rename, "rename", 2, "NAME and NEW", true, true, false},
    {CliCommand::toPPD, "to-ppd", 1, "NAME", false, true, false},
    {CliCommand::fromPPD, "from-ppd", 1, "NAME", false, true, false},
    {CliCommand::table, "table", 1, "NAME", true, false, false},
};

const CommandInfo* FindCommand(std::string_view name) {
    for (const CommandInfo& info : kCommands)
        if (name == info.name)
            return &info;
    return nullptr;
}

const CommandInfo& InfoFor(CliCommand command) {
    for (const CommandInfo& info : kCommands)
        if (info.command == command)
            return info;
    return kCommands[0];
}

constexpr const char* kInkOptions[kInkCount] = {"--cyan", "--magenta", "--yellow", "--black"};

// Splits "--name=value" into name and value; a plain "--name" has no value.
struct OptionWord {
    std::string_view name;
    std::optional<std::string_view> value;
};

OptionWord SplitOption(std::string_view word) {
    const size_t equals = word.find('=');
    if (equals == std::string_view::npos)
        return {word, std::nullopt};
    return {word.substr(0, equals), word.substr(equals + 1)};
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

} // namespace

const char* CliCommandName(CliCommand command) {
    if (command == CliCommand::version)
        return "--version";
    return InfoFor(command).name;
}

std::string ParseCliArguments(int argc, const char* const* argv, CliArguments& out) {
    out = CliArguments{};
    const CommandInfo* command = nullptr;
    bool wantsHelp = false;
    bool wantsVersion = false;
    bool optionsEnded = false;
    // Which of the command-specific options were given, for the check against the command.
    std::vector<std::string> givenCommandOptions;

    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        const bool isOption = !optionsEnded && word.size() > 1 && word[0] == '-';
        if (!isOption) {
            if (!command && !optionsEnded) {
                command = FindCommand(word);
                if (!command)
                    return "unknown command " + Quoted(word) + "; see orvanectl --help";
            } else if (!command) {
                return "the command must come before \"--\"";
            } else {
                out.operands.emplace_back(word);
            }
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionWord option = SplitOption(word);
        // The option's value: after "=", else the next word.
        const auto takeValue = [&](std::string_view& value) -> bool {
            if (option.value) {
                value = *option.value;
                return true;
            }
            if (i + 1 >= argc)
                return false;
            value = argv[++i];
            return true;
        };
        std::string_view value;
        if (word == "--help" || word == "-h") {
            wantsHelp = true;
        } else if (word == "--version") {
            wantsVersion = true;
        } else if (word == "--json") {
            out.json = true;
        } else if (option.name == "--os-level") {
            if (!takeValue(value))
                return "--os-level needs a system level: 0, 1 or 2";
            if (value != "0" && value != "1" && value != "2")
                return "--os-level must be 0, 1 or 2, not " + Quoted(value);
            out.osLevel = value[0] - '0';
        } else if (option.name == "--admin") {
            if (!takeValue(value))
                return "--admin needs a mode: user, pkexec or root";
            if (value == "user")
                out.admin = CliAdmin::user;
            else if (value == "pkexec")
                out.admin = CliAdmin::pkexec;
            else if (value == "root")
                out.admin = CliAdmin::root;
            else
                return "--admin must be user, pkexec or root, not " + Quoted(value);
        } else if (word == "--ppd") {
            out.ppd = true;
            givenCommandOptions.emplace_back(word);
        } else if (word == "--replace") {
            out.replace = true;
            givenCommandOptions.emplace_back(word);
        } else if (option.name == "--all" || option.name == "--cyan" ||
                   option.name == "--magenta" || option.name == "--yellow" ||
                   option.name == "--black") {
            if (!takeValue(value))
                return std::string(option.name) + " needs a curve: gamma:G or levels:L0,...,L12";
            std::optional<std::string>* slot = &out.allCurve;
            for (int ink = 0; ink < kInkCount; ++ink)
                if (option.name == kInkOptions[ink])
                    slot = &out.inkCurves[static_cast<size_t>(ink)];
            if (slot->has_value())
                return std::string(option.name) + " is given twice";
            *slot = std::string(value);
            givenCommandOptions.emplace_back(option.name);
        } else {
            return "unknown option " + Quoted(word) + "; see orvanectl --help";
        }
    }

    if (wantsHelp || (command && command->command == CliCommand::help)) {
        out.command = CliCommand::help;
        return {};
    }
    if (wantsVersion) {
        out.command = CliCommand::version;
        return {};
    }
    if (!command)
        return "no command given; see orvanectl --help";
    out.command = command->command;

    for (const std::string& given : givenCommandOptions) {
        const bool allowed = (given == "--ppd" && command->takesPPD) ||
                             (given == "--replace" && command->takesReplace) ||
                             (given != "--ppd" && given != "--replace" && command->takesCurves);
        if (!allowed)
            return given + " is not an option of " + command->name;
    }
    if (out.operands.size() < command->operands)
        return std::string(command->name) + " needs " + command->operandNames;
    if (out.operands.size() > command->operands)
        return std::string(command->name) + " takes " +
               (command->operands == 0 ? std::string("no arguments")
                                       : std::string("only ") + command->operandNames) +
               "; unexpected " + Quoted(out.operands[command->operands]);
    if (command->takesCurves) {
        bool anyInk = false;
        for (const auto& ink : out.inkCurves)
            anyInk = anyInk || ink.has_value();
        if (out.allCurve && anyInk)
            return "give either --all or the inks' curves (--cyan, --magenta, --yellow, "
                   "--black), not both";
        if (!out.allCurve && !anyInk)
            return std::string(command->name) +
                   " needs the curves: --all SPEC, or --cyan/--magenta/--yellow/--black SPEC";
    }
    return {};
}

const char* CliUsageText() {
    return "usage: orvanectl [--os-level N] [--json] [--admin MODE] COMMAND [ARGS]\n"
           "\n"
           "Keeps Orvane's named CMYK tone settings: your registered settings (up to 20, kept in\n"
           "your preferences) and the settings of the chosen printer's PPD (up to 6), which are\n"
           "written into the PPD as transfer tables.\n"
           "\n"
           "Commands:\n"
           "  list                                 registered settings, the chosen PPD, and its "
           "settings\n"
           "  choose PPD_PATH                      choose the target PPD (recorded in the "
           "preferences at once)\n"
           "  add NAME [--replace] CURVES          add a setting to the registered list\n"
           "  delete NAME [--ppd]                  delete from the registered list (or the PPD "
           "list)\n"
           "  duplicate NAME NEW [--ppd] [--replace]\n"
           "                                       copy a setting under a new name, into the same "
           "list\n"
           "  rename NAME NEW [--ppd] [--replace]  rename a setting\n"
           "  to-ppd NAME [--replace]              copy a registered setting into the PPD list\n"
           "  from-ppd NAME [--replace]            copy a PPD setting into the registered list\n"
           "  table NAME [--ppd]                   the 256-number transfer tables as written into "
           "the PPD\n"
           "\n"
           "CURVES: --all SPEC | --cyan SPEC --magenta SPEC --yellow SPEC --black SPEC\n"
           "SPEC:   gamma:G (for example gamma:2.2) | levels:L0,L1,...,L12 (percent, an empty "
           "field is no point)\n"
           "  The levels are the outputs at the inputs 0, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, "
           "95\n"
           "  and 100 %. The 0 % and 100 % points are required; a level is 0 to 100 and a gamma\n"
           "  0.01 to 99.99, with up to two decimals and \".\" as the decimal point in every "
           "locale.\n"
           "  With per-ink curves, an ink not named keeps the straight line.\n"
           "\n"
           "Options:\n"
           "  --os-level N   system level 0, 1 or 2 (default: ORVANE_OS_LEVEL, else 1); at level "
           "2\n"
           "                 the PPD's settings go into the printer's gamma file instead of the "
           "PPD\n"
           "  --json         machine-readable output for list and table\n"
           "  --admin MODE   how administrator rights are obtained to change a PPD: user (run the\n"
           "                 tools as yourself, without privilege), pkexec (polkit asks for a\n"
           "                 password) or root (already root); default: ORVANE_ADMIN, else root\n"
           "                 when run as root, else pkexec\n"
           "  --ppd          work on the chosen PPD's list instead of the registered list\n"
           "  --replace      replace a setting of the same name (without it the command stops and\n"
           "                 changes nothing)\n"
           "  --help, --version\n"
           "\n"
           "A command that changes a list saves at once: the preferences always, the PPD when its\n"
           "list changed. A PPD you may not change yourself (those in /etc/cups/ppd) is written\n"
           "by Orvane's installer, for which rights are asked once per save; its owner, group and\n"
           "mode stay as they were. orvanectl never asks questions; a taken name needs --replace.\n"
           "A bare PPD_PATH (no \"/\") names a file of the printer-description folder\n"
           "(/etc/cups/ppd); give ./NAME.ppd for a file in the current folder.\n"
           "\n"
           "Exit status: 0 done; 1 failed (the message on standard error says why, and nothing\n"
           "was changed); 2 the command line was not understood; 3 a setting of that name exists\n"
           "and --replace was not given (nothing was changed).\n"
           "\n"
           "Your registered settings are yours: each user, root too, has a list of their own in\n"
           "XDG_CONFIG_HOME (~/.config); the settings in a PPD serve everybody who prints to it.\n"
           "\n"
           "Environment: ORVANE_OS_LEVEL, ORVANE_ADMIN, ORVANE_ROOT (the root below which\n"
           "/etc/cups/ppd is found), ORVANE_PPD_ROUTE (\"installer\": write every PPD through the\n"
           "installer), XDG_CONFIG_HOME (preferences). See orvanectl(1).\n";
}

} // namespace orvane
