#include "ppd/PrintingSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvane::testing {

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs argv (argv[0] an absolute path) with standard input from /dev/null and standard
// output and error into `outputPath`; `overrides` ("NAME=value") replace or add to the
// inherited variables. The exit status, or -1 when it could not start or was killed.
int RunProgram(std::vector<std::string> argv, const std::string& outputPath,
               const std::vector<std::string>& overrides = {}) {
    std::vector<std::string> envStrings = overrides;
    for (char** e = environ; e && *e; ++e) {
        const std::string entry = *e;
        if (std::none_of(overrides.begin(), overrides.end(), [&](const std::string& o) {
                return o.compare(0, o.find('=') + 1, entry, 0, entry.find('=') + 1) == 0;
            }))
            envStrings.push_back(entry);
    }
    std::vector<char*> args, env;
    for (std::string& a : argv)
        args.push_back(a.data());
    for (std::string& e : envStrings)
        env.push_back(e.data());
    args.push_back(nullptr);
    env.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    while (started == 0 && waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return started == 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Checks run inside Ghostscript after a choice's code: each installed transfer procedure
// holds no executable name (it was bound), and for inputs inside and outside 0 ... 1 leaves
// exactly one number, within 0 ... 1, on the stack.
constexpr const char* kProbe = R"PS(
/orvchk { { dup type /nametype eq
            { dup xcheck { (ORVANE-UNBOUND ) print == } { pop } ifelse }
            { dup type dup /arraytype eq exch /packedarraytype eq or
              1 index xcheck and { orvchk } { pop } ifelse } ifelse } forall } bind def
/orvprobe { dup orvchk
  [ -0.5 0 0.002 0.25 0.5 0.75 0.998 1 1.5 ] {
    count /orvc exch def 1 index exec count orvc ne { (ORVANE-STACK) = } if
    dup type dup /realtype ne exch /integertype ne and { (ORVANE-TYPE) = } if
    dup 0 lt 1 index 1 gt or { (ORVANE-RANGE) = } if pop } forall pop } bind def
)PS";

// Four rows of 256 one-point patches: row i paints ink i alone at 0/255 ... 255/255.
constexpr const char* kRamp = R"PS(
0 1 255 { /j exch def
  j 255 div 0 0 0 setcmykcolor j 0 1 1 rectfill
  0 j 255 div 0 0 setcmykcolor j 1 1 1 rectfill
  0 0 j 255 div 0 setcmykcolor j 2 1 1 rectfill
  0 0 0 j 255 div setcmykcolor j 3 1 1 rectfill
} for
showpage
)PS";

// One PAM page of 256 x 4 CMYK pixels, top row first (PostScript's row 0 is the last).
::testing::AssertionResult ParsePam(const std::string& bytes, InkRamp& ramp) {
    const size_t at = bytes.find("ENDHDR\n");
    if (bytes.compare(0, 3, "P7\n") != 0 || at == std::string::npos ||
        bytes.find("WIDTH 256\n") > at || bytes.find("HEIGHT 4\n") > at ||
        bytes.find("DEPTH 4\n") > at || bytes.size() - at - 7 < 256 * 4 * 4)
        return ::testing::AssertionFailure() << "not a 256 x 4 CMYK PAM page";
    for (size_t ink = 0; ink < 4; ++ink)
        for (size_t j = 0; j < 256; ++j)
            ramp[ink][j] =
                static_cast<unsigned char>(bytes[at + 7 + (3 - ink) * 1024 + 4 * j + ink]);
    return ::testing::AssertionSuccess();
}

} // namespace

std::string FindProgram(const std::string& name) {
    std::istringstream dirs(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    for (std::string dir; std::getline(dirs, dir, ':');) {
        const std::string candidate = dir + "/" + name;
        if (!dir.empty() && std::filesystem::is_regular_file(candidate) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return "";
}

bool PrintingToolsRequired() {
    const char* value = std::getenv("ORVANE_REQUIRE_PRINTING_TOOLS");
    return value && std::strcmp(value, "1") == 0;
}

::testing::AssertionResult ExtractOpenprintingPPD(const std::string& name,
                                                  const std::string& destination) {
    const int status = RunProgram(
        {kOpenprintingDriver, "cat", "openprinting-ppds:0/ppd/openprinting/" + name}, destination);
    std::error_code ec;
    if (status != 0 || std::filesystem::file_size(destination, ec) == 0 || ec)
        return ::testing::AssertionFailure()
               << kOpenprintingDriver << " cat " << name << " failed (status " << status
               << "): " << ReadAll(destination).substr(0, 500);
    return ::testing::AssertionSuccess();
}

CupstestppdResult RunCupstestppd(const std::string& program, const std::string& ppdPath,
                                 const std::string& scratchFolder) {
    CupstestppdResult result;
    const std::string out = scratchFolder + "/cupstestppd.out";
    // English messages, as CompareFindings reads them.
    result.exitStatus = RunProgram({program, "-v", ppdPath}, out, {"LC_ALL=C", "LANG=C"});
    std::istringstream lines(ReadAll(out));
    std::string line;
    std::getline(lines, line); // the file's name
    static const std::regex skipped(
        R"(^(|PASS.*|.*CONFORMANCE TEST RESULTS.*|\d+ ERRORS FOUND|NO ERRORS FOUND)$)");
    while (std::getline(lines, line)) {
        const size_t from = line.find_first_not_of(" \t\r");
        line = from == std::string::npos
                   ? ""
                   : line.substr(from, line.find_last_not_of(" \t\r") - from + 1);
        if (!std::regex_match(line, skipped))
            result.lines.push_back(line);
    }
    return result;
}

NewFindings CompareFindings(const CupstestppdResult& before, const CupstestppdResult& after,
                            const std::string& option, const std::string& appLanguage) {
    std::vector<std::string> old = before.lines;
    const std::regex missing("Missing \"([A-Za-z_]+)\" translation string for option " + option +
                             "(, choice \\w+)?\\.$");
    NewFindings found;
    std::vector<std::string> rest;
    for (const std::string& line : after.lines) {
        std::smatch m;
        if (const auto it = std::find(old.begin(), old.end(), line); it != old.end())
            old.erase(it);
        else if (std::regex_search(line, m, missing) && m[1].str() != appLanguage)
            found.missingTranslations.push_back(line);
        else
            rest.push_back(line);
    }
    for (const std::string& line : rest) {
        // The headings cupstestppd puts above the missing translations.
        if (!found.missingTranslations.empty() && (line == "**FAIL**  Bad translation strings" ||
                                                   line == "WARN    Bad translation strings"))
            continue;
        (line.rfind("WARN", 0) == 0 ? found.warnings : found.failures).push_back(line);
    }
    return found;
}

std::string EmittedChoice(const std::string& option, const std::string& choice,
                          const std::string& code) {
    return "[{\n%%BeginFeature: *" + option + " " + choice + "\n" + code +
           (!code.empty() && code.back() != '\n' ? "\n" : "") +
           "%%EndFeature\n} stopped cleartomark\n";
}

::testing::AssertionResult RenderRamps(const std::string& gs, const std::vector<RampJob>& jobs,
                                       const std::string& scratchFolder,
                                       std::vector<InkRamp>& pages) {
    // An error inside the code is caught by "stopped", as in a real job; report it instead
    // of letting it pass silently.
    const std::string stopped = "} stopped cleartomark";
    std::string ps = "%!PS\n<< /PageSize [256 4] >> setpagedevice\n" + std::string(kProbe);
    for (const RampJob& job : jobs) {
        std::string code = job.emitted;
        const size_t at = code.rfind(stopped);
        if (at == std::string::npos)
            return ::testing::AssertionFailure() << "not an emitted choice:\n" << code;
        code.replace(at, stopped.size(), "} stopped {(ORVANE-FAILED) = flush} if cleartomark");
        ps += "save\n" + code +
              (job.checkProcedures ? "currentcolortransfer orvprobe orvprobe orvprobe orvprobe\n"
                                   : "") +
              kRamp + "restore\n";
    }
    const std::string input = scratchFolder + "/ramps.ps", output = scratchFolder + "/gs.out";
    std::ofstream(input, std::ios::binary) << ps;
    const int status =
        RunProgram({gs, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pamcmyk32", "-r72",
                    "-sOutputFile=" + scratchFolder + "/page-%03d.pam", input},
                   output);
    const std::string messages = ReadAll(output);
    if (status != 0 || messages.find("ORVANE-") != std::string::npos ||
        messages.find("Error") != std::string::npos)
        return ::testing::AssertionFailure()
               << "Ghostscript (status " << status << "): " << messages.substr(0, 2000);
    pages.assign(jobs.size(), InkRamp{});
    for (size_t i = 0; i < jobs.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/page-%03zu.pam", i + 1);
        if (auto parsed = ParsePam(ReadAll(scratchFolder + name), pages[i]); !parsed)
            return parsed << " (page " << i + 1 << ")";
    }
    return ::testing::AssertionSuccess();
}

} // namespace orvane::testing
