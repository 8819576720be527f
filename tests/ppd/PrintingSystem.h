// What the printing system makes of a written PPD, asked of the real tools: the PPDs of the
// openprinting-ppds package (through its CUPS driver program), cupstestppd's findings and
// Ghostscript's rendering of a choice's code. Tools that are not installed make the tests
// skip, unless ORVANE_REQUIRE_PRINTING_TOOLS=1 (CI) turns that into a failure.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace orvane::testing {

// The absolute path of a program found through PATH (or given with a slash), "" when it is
// not there.
std::string FindProgram(const std::string& name);

// Runs argv (argv[0] an absolute path) with standard input from /dev/null and standard
// output and error both into `outputPath`; `environment` entries ("NAME=value") replace or
// add to the inherited ones. The exit status, or -1 when it could not start or was killed.
int RunProgram(const std::vector<std::string>& argv, const std::string& outputPath,
               const std::vector<std::string>& environment = {});

// True when missing printing tools must fail the tests instead of skipping them.
bool PrintingToolsRequired();

// The package's CUPS driver program, which serves its PPDs from a compressed archive.
inline constexpr const char* kOpenprintingDriver = "/usr/lib/cups/driver/openprinting-ppds";

// Copies the package's PPD `name` (as in its listing, "Canon/cnprc650x1g.ppd") to
// `destination`.
::testing::AssertionResult ExtractOpenprintingPPD(const std::string& name,
                                                  const std::string& destination);

// cupstestppd -v on a file: its exit status and every finding line (trimmed), without the
// PASS lines and the summary.
struct CupstestppdResult {
    int exitStatus = -1;
    std::vector<std::string> lines;
};
CupstestppdResult RunCupstestppd(const std::string& program, const std::string& ppdPath,
                                 const std::string& scratchFolder);

// The findings of `after` that `before` does not have, sorted out: the missing translations
// of `option` for languages other than `appLanguage` (expected in a localised PPD, which
// the application can only translate into its own language), new warnings, and everything
// else (failures).
struct NewFindings {
    std::vector<std::string> missingTranslations;
    std::vector<std::string> warnings;
    std::vector<std::string> failures;
};
NewFindings CompareFindings(const CupstestppdResult& before, const CupstestppdResult& after,
                            const std::string& option, const std::string& appLanguage);

// A choice's code as libcups sends it in a job: "[{", the feature comments, the code and
// "} stopped cleartomark".
std::string EmittedChoice(const std::string& option, const std::string& choice,
                          const std::string& code);

// Ink levels 0 ... 255 of one rendered page, per ink (C, M, Y, K), for the ink inputs
// 0/255 ... 255/255.
using InkRamp = std::array<std::array<int, 256>, 4>;

// One page to render: an emitted choice, and whether it installs transfer procedures that
// must be checked (the default ones pass inputs outside 0 ... 1 through unchanged).
struct RampJob {
    std::string emitted;
    bool checkProcedures = true;
};

// Runs each job's choice in Ghostscript (a CMYK device) on a page of its own, checks that
// the code raised no error and, where asked, that each installed transfer procedure is
// bound and leaves one number in 0 ... 1, then paints a CMYK ramp of 256 steps per ink;
// `pages` receives what came out.
::testing::AssertionResult RenderRamps(const std::string& gs, const std::vector<RampJob>& jobs,
                                       const std::string& scratchFolder,
                                       std::vector<InkRamp>& pages);

} // namespace orvane::testing
